#include "MainWindowFixture.h"
#include "MessageBoxAnswerer.h"

#include <QMessageBox>

#include "app/MainPanel.h"
#include "app/QELListView.h"
#include "app/RowPainters.h"
#include "controls/OrvoSkinCheckBox.h"
#include "dialogs/DatePicker.h"
#include "support/ResourceImages.h"
#include "controls/Fonts.h"
#include "ledger/FuncUnit.h"
#include "ledger/ListFiles.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTest>

using namespace Qt::StringLiterals;

// A user's day through the real main window and the real dialogs: books created, opened and
// removed, bookings entered, edited and removed with the keyboard, the files checked byte
// for byte against what the lists must produce.
class TestBookFlows : public QObject, protected MainWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void createBookAndRefuseDuplicate();
    void keyboardDayWithFilesAndRestart();
    void cancelAndUnconfirmedRemovalChangeNothing();
    void deleteOpenBookClosesIt();
    void enterOnEmptyListDoesNothing();
    void failedOpenShowsWhatIsOpen();
    void regularRowColours_data();
    void regularRowColours();
    void amountEndsAtItsColumn();
    void anotherComputersBookingArrivesInTheOpenBook();
    void arrivalWhileTheStartNoteIsOpenIsTakenIn();
    void aCopyArrivingLeavesTheOpenBookItsRows();

private:
    void Start();
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void Type(const QString &text);
    // Creates this month's book through the dialog, pressing OK at once.
    void CreateThisMonthsBook();
    // Enters a booking through the panel's dialog, typed with the keyboard.
    void EnterBooking(const char *dialog, const QDate &date, const QString &amount, const QString &category,
                      const QString &purpose);
    QString ThisMonthsBook() const;
    QLabel *Label(const char *name) const { return Child<QLabel>(name); }
    TQELListView *ListViewManager() const { return Child<TQELListView>("ListViewManager"); }
};

void TestBookFlows::initTestCase()
{
    RegisterFontSubstitutions();
}

void TestBookFlows::init()
{
    SetUp();
}

void TestBookFlows::cleanup()
{
    TearDown();
}

void TestBookFlows::Start()
{
    QVERIFY(StartWindow());
}

void TestBookFlows::Key(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(KeyTarget(), key, modifiers);
}

void TestBookFlows::Type(const QString &text)
{
    QTest::keyClicks(KeyTarget(), text);
}

QString TestBookFlows::ThisMonthsBook() const
{
    const QDate today = QDate::currentDate();
    return MonthNames().at(today.month() - 1) + u' ' + QString::number(today.year());
}

void TestBookFlows::CreateThisMonthsBook()
{
    ModalDriver ok(u"FormNew"_s, [this](QWidget *) { Key(Qt::Key_Return); });
    Key(Qt::Key_N, Qt::AltModifier);
    QVERIFY(ok.Done);
}

void TestBookFlows::EnterBooking(const char *dialog, const QDate &date, const QString &amount,
                                 const QString &category, const QString &purpose)
{
    ModalDriver typing(QString::fromLatin1(dialog), [&](QWidget *form) {
        // The date picker has the focus; the other fields follow in tab order.
        form->findChild<TQELDatePicker *>(u"DateTimePicker1"_s)->SetDate(date);
        Key(Qt::Key_Tab);
        KeyTarget()->setProperty("text", QString());
        Type(amount);
        Key(Qt::Key_Tab);
        Type(category);
        Key(Qt::Key_Tab);
        Type(purpose);
        // OK is enabled by the dialog's timer.
        QTRY_VERIFY(form->findChild<TOrvoSkinButton *>(u"btnOK"_s)->Enabled());
        Key(Qt::Key_Return);
    });
    Key(Qt::Key_N, Qt::AltModifier);
    QVERIFY(typing.Done);
    QVERIFY(typing.Closed);
}

void TestBookFlows::createBookAndRefuseDuplicate()
{
    Start();
    // Both halves of the regular summary stand also for an empty list.
    QCOMPARE(Label("LabelRegularSumary")->text(), u"Einnahmen: 0.00 €          Ausgaben: 0.00 €"_s);
    CreateThisMonthsBook();
    const QString name = ThisMonthsBook();
    QCOMPARE(Books->CurrentBook(), name);
    QCOMPARE(Books->Books().RowCount(), 1);
    QCOMPARE(QFileInfo(Paths.BookFile(name)).size(), 1112);
    QCOMPARE(Window->Panel(1)->Title(), u"Einnahmen - "_s + name);
    QCOMPARE(Window->Panel(2)->Title(), u"Ausgaben - "_s + name);
    QCOMPARE(Window->PanelIndex(), 0);

    MessageBoxAnswerer answer(u"OK"_s);
    CreateThisMonthsBook();
    QTRY_COMPARE(answer.Count, 1);
    QCOMPARE(answer.Title, u"Informationen"_s);
    QCOMPARE(answer.Text, u"Das Haushaltsbuch \""_s + name + u"\" existiert bereits!"_s);
    QCOMPARE(Books->Books().RowCount(), 1);
}

void TestBookFlows::keyboardDayWithFilesAndRestart()
{
    Start();
    CreateThisMonthsBook();
    const QString name = ThisMonthsBook();
    const QDate today = QDate::currentDate();
    const QDate first(today.year(), today.month(), 1);
    const QDate third(today.year(), today.month(), 3);
    const QDate tenth(today.year(), today.month(), 10);

    // Open the book from the list with Return: the income panel comes up.
    QTest::keyClick(ListViewManager(), Qt::Key_Return);
    QCOMPARE(Window->PanelIndex(), 1);

    EnterBooking("FormEntryIncome", tenth, u"1200"_s, u"lohn"_s, u"gehalt"_s);
    EnterBooking("FormEntryIncome", first, u"12,5"_s, u"Zinsen"_s, QString());
    EnterBooking("FormEntryIncome", third, u".5"_s, u"Sonstiges"_s, u"Flaschenpfand"_s);
    // Sorted by date text: day first.
    QCOMPARE(Books->Income().RowCount(), 3);
    QCOMPARE(Books->Income().Row(0).Caption, Books->RegionalSettings().DateText(first));
    QCOMPARE(Books->Income().Row(0).SubItems, QStringList({u"12.5"_s, u"Zinsen"_s, QString()}));
    QCOMPARE(Books->Income().Row(2).SubItems, QStringList({u"1200.00"_s, u"Lohn"_s, u"Gehalt"_s}));
    QCOMPARE(Label("LabelResultIncome")->text(), u"Gesamteinnahmen: 1213.00 €"_s);
    // Each booking is in the book's file as its dialog closes: nothing waits for a later step.
    {
        BookingList saved(ListKind::Income);
        BookingList savedExpend(ListKind::Expend);
        ListFiles::ParseMonthBook(ListFiles::ReadFile(Paths.BookFile(name)), saved, savedExpend);
        QCOMPARE(saved.Rows(), Books->Income().Rows());
        QVERIFY(!Books->BookChanged());
    }

    Key(Qt::Key_F7, Qt::AltModifier);
    QCOMPARE(Window->PanelIndex(), 2);
    EnterBooking("FormEntryExpend", first, u"650"_s, u"Wohnen"_s, u"Miete"_s);
    EnterBooking("FormEntryExpend", third, u"3,99"_s, u"Haushalt"_s, QString());
    QCOMPARE(Label("LabelResultExpend")->text(), u"Gesamtausgaben: 653.99 €"_s);

    // Edit the expense of the 3rd: Return on the selected row opens it.
    Books->Expend().SetSelected(1);
    Child<TQELListView>("ListViewExpend")->Refresh();
    ModalDriver edit(u"FormEntryExpend"_s, [&](QWidget *form) {
        auto *amount = form->findChild<QLineEdit *>(u"Edit2"_s);
        amount->selectAll();
        QTest::keyClicks(amount, u"4.49"_s);
        Key(Qt::Key_Return);
    });
    QTest::keyClick(Child<TQELListView>("ListViewExpend"), Qt::Key_Return);
    QVERIFY(edit.Done);
    QVERIFY(edit.Closed);
    QCOMPARE(Books->Expend().Row(1).SubItem(0), u"4.49"_s);

    // Remove the income of the 3rd, confirmed.
    Key(Qt::Key_F6, Qt::AltModifier);
    Books->Income().SetSelected(1);
    Child<TQELListView>("ListViewIncome")->Refresh();
    Window->Timer1Timer();
    {
        MessageBoxAnswerer yes(u"&Ja"_s);
        Key(Qt::Key_E, Qt::AltModifier);
        QTRY_COMPARE(yes.Count, 1);
        QCOMPARE(yes.Title, u"Bestätigen"_s);
        QCOMPARE(yes.Text, u"Soll die gewählte Buchung entfernt werden?"_s);
    }
    QCOMPARE(Books->Income().RowCount(), 2);

    // A regular income and a regular expense.
    Key(Qt::Key_F8, Qt::AltModifier);
    QCOMPARE(Window->PanelIndex(), 3);
    for (const auto &[kindKey, day, amount] :
         {std::tuple{Qt::Key_Left, u"1"_s, u"100"_s}, std::tuple{Qt::Key_Right, u"15"_s, u"20"_s}}) {
        ModalDriver regular(u"FormEntryRegular"_s, [&](QWidget *form) {
            if (kindKey == Qt::Key_Right)
                form->findChild<TOrvoSkinCheckBox *>(u"rbCheckExpend"_s)->Click();
            auto *dayEdit = form->findChild<QLineEdit *>(u"EditDay"_s);
            dayEdit->clear();
            QTest::keyClicks(dayEdit, day);
            auto *amountEdit = form->findChild<QLineEdit *>(u"Edit2"_s);
            amountEdit->clear();
            QTest::keyClicks(amountEdit, amount);
            QTest::keyClicks(form->findChild<QComboBox *>(u"ComboBox1"_s), u"Sonstiges"_s);
            QTRY_VERIFY(form->findChild<TOrvoSkinButton *>(u"btnOK"_s)->Enabled());
            QTest::keyClick(amountEdit, Qt::Key_Return);
        });
        Key(Qt::Key_N, Qt::AltModifier);
        QVERIFY(regular.Done);
        QVERIFY(regular.Closed);
    }
    QCOMPARE(Books->Regular().RowCount(), 2);
    QCOMPARE(Books->Regular().Row(0).Caption, u"01."_s);
    QCOMPARE(Books->Regular().Row(0).SubItem(3), u"Einnahme"_s);
    QCOMPARE(Books->Regular().Row(1).SubItems, QStringList({u"20.00"_s, u"Sonstiges"_s, QString(), u"Ausgabe"_s}));
    QCOMPARE(Label("LabelRegularSumary")->text(), u"Einnahmen: 100.00 €          Ausgaben: 20.00 €"_s);

    BookingList income(ListKind::Income);
    BookingList expend(ListKind::Expend);
    BookingList regular(ListKind::Regular);
    income.SetColumnAlignment(1, ColumnAlignment::Right);
    expend.SetColumnAlignment(1, ColumnAlignment::Right);
    regular.SetColumnAlignment(1, ColumnAlignment::Right);
    const auto date = [&](const QDate &d) { return Books->RegionalSettings().DateText(d); };
    income.AddRow(ListRow::Make(date(first), {u"12.5"_s, u"Zinsen"_s, QString()}));
    income.AddRow(ListRow::Make(date(tenth), {u"1200.00"_s, u"Lohn"_s, u"Gehalt"_s}));
    expend.AddRow(ListRow::Make(date(first), {u"650.00"_s, u"Wohnen"_s, u"Miete"_s}));
    expend.AddRow(ListRow::Make(date(third), {u"4.49"_s, u"Haushalt"_s, QString()}));
    regular.AddRow(ListRow::Make(u"01."_s, {u"100.00"_s, u"Sonstiges"_s, QString(), u"Einnahme"_s}));
    regular.AddRow(ListRow::Make(u"15."_s, {u"20.00"_s, u"Sonstiges"_s, QString(), u"Ausgabe"_s}));
    // The book and Regular.dat were written as each dialog closed.
    QCOMPARE(ListFiles::ReadFile(Paths.BookFile(name)), ListFiles::MonthBookBytes(income, expend));
    QCOMPARE(ListFiles::ReadFile(Paths.RegularFile()), ListFiles::RegularBytes(regular));

    // Back at the manager the totals include the regular bookings.
    Key(Qt::Key_F5, Qt::AltModifier);
    QCOMPARE(Window->PanelIndex(), 0);
    QVERIFY(!Books->BookChanged());
    QVERIFY(!Books->RegularChanged());
    QCOMPARE(Books->Books().Row(0).SubItem(2), u"1312.50 €"_s);
    QCOMPARE(Books->Books().Row(0).SubItem(3), u"674.49 €"_s);

    // Quit and start again: everything is as it was.
    {
        MessageBoxAnswerer yes(u"&Ja"_s);
        Key(Qt::Key_X, Qt::AltModifier);
        QTRY_VERIFY(!Window->isVisible());
    }
    Window.reset();
    Books = std::make_unique<BookManager>(Paths, Regional());
    Window = std::make_unique<TFormQEL>(*Books, *Categories, *Help, *Sound);
    Start();
    QCOMPARE(Books->Books().Row(0).SubItem(0), name);
    QCOMPARE(Books->Books().Row(0).SubItem(2), u"1312.50 €"_s);
    Books->Books().SetSelected(0);
    Window->Timer1Timer();
    Button("btnOpenBook")->Click();
    QCOMPARE(Books->Income().Rows(), income.Rows());
    QCOMPARE(Books->Expend().Rows(), expend.Rows());
    QCOMPARE(Books->Regular().Rows(), regular.Rows());
    QCOMPARE(Label("LabelResultIncome")->text(), u"Gesamteinnahmen: 1212.50 €"_s);
}

void TestBookFlows::cancelAndUnconfirmedRemovalChangeNothing()
{
    Start();
    CreateThisMonthsBook();
    Button("btnOpenBook")->Click();
    Books->AddBooking(Books->Income(), ListRow::Make(u"01.01.2009"_s, {u"1.00"_s, u"Lohn"_s, QString()}));
    Books->SetBookChanged(false);
    Books->Income().SetSelected(0);
    Child<TQELListView>("ListViewIncome")->Refresh();
    Window->Timer1Timer();

    ModalDriver cancel(u"FormEntryIncome"_s, [&](QWidget *form) {
        form->findChild<QLineEdit *>(u"Edit2"_s)->setText(u"99"_s);
        Key(Qt::Key_Escape);
    });
    Button("btnEditIncome")->Click();
    QVERIFY(cancel.Done);
    {
        MessageBoxAnswerer no(u"&Nein"_s);
        Button("btnDeleteIncome")->Click();
        QTRY_COMPARE(no.Count, 1);
    }
    QCOMPARE(Books->Income().RowCount(), 1);
    QCOMPARE(Books->Income().Row(0).SubItem(0), u"1.00"_s);
    QVERIFY(!Books->BookChanged());

    // OK without a change still counts as a change: the book is written (with the row added
    // above behind the dialogs' back).
    const auto savedIncome = [&] {
        BookingList income(ListKind::Income);
        BookingList expend(ListKind::Expend);
        ListFiles::ParseMonthBook(ListFiles::ReadFile(Paths.BookFile(Books->CurrentBook())), income, expend);
        return income.RowCount();
    };
    QCOMPARE(savedIncome(), 0);
    ModalDriver ok(u"FormEntryIncome"_s, [&](QWidget *) { Key(Qt::Key_Return); });
    Button("btnEditIncome")->Click();
    QVERIFY(ok.Done);
    QCOMPARE(savedIncome(), 1);

    // Removing the last row: the total falls to zero and there is nothing left to print.
    Window->Timer1Timer();
    QVERIFY(Button("btnPrintIncome")->Enabled());
    MessageBoxAnswerer yes(u"&Ja"_s);
    Button("btnDeleteIncome")->Click();
    QTRY_COMPARE(yes.Count, 1);
    QCOMPARE(Label("LabelResultIncome")->text(), u"Gesamteinnahmen: 0.00 €"_s);
    Window->Timer1Timer();
    QVERIFY(!Button("btnPrintIncome")->Enabled());
    QVERIFY(!Button("btnEditIncome")->Enabled());
}

void TestBookFlows::deleteOpenBookClosesIt()
{
    Start();
    CreateThisMonthsBook();
    const QString name = ThisMonthsBook();
    Books->Books().SetSelected(0);
    MessageBoxAnswerer yes(u"&Ja"_s);
    Key(Qt::Key_E, Qt::AltModifier);
    QTRY_COMPARE(yes.Count, 1);
    QCOMPARE(yes.Title, u"Informationen"_s);
    QCOMPARE(yes.Text, u"Soll das Haushaltsbuch \""_s + name + u"\" entfernt werden?"_s);
    QVERIFY(Books->CurrentBook().isEmpty());
    QVERIFY(!QFileInfo::exists(Paths.BookFile(name)));
    QCOMPARE(Books->Books().RowCount(), 0);
    Window->Timer1Timer();
    QVERIFY(!Button("btnIncome")->Enabled());
    QVERIFY(!Button("btnDiagram")->Enabled());
}

void TestBookFlows::enterOnEmptyListDoesNothing()
{
    Start();
    CreateThisMonthsBook();
    Books->Books().SetSelected(-1);
    ListViewManager()->Refresh();
    ListViewManager()->setFocus();
    Key(Qt::Key_Return);
    QCOMPARE(Window->PanelIndex(), 0);

    Button("btnOpenBook")->SetEnabled(true);
    Books->Books().SetSelected(0);
    Button("btnOpenBook")->Click();
    QCOMPARE(Window->PanelIndex(), 1);
    // No row selected: Return and double click in the income list open nothing.
    Child<TQELListView>("ListViewIncome")->setFocus();
    bool opened = false;
    ModalDriver never(u"FormEntryIncome"_s, [&](QWidget *) {
        opened = true;
        Key(Qt::Key_Escape);
    });
    Key(Qt::Key_Return);
    QTest::mouseDClick(Child<TQELListView>("ListViewIncome")->viewport(), Qt::LeftButton);
    QVERIFY(!opened);
}

void TestBookFlows::failedOpenShowsWhatIsOpen()
{
    QDir().mkpath(Paths.DataFolder);
    QFile bad(Paths.BookFile(u"Mai 2008"_s));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("kein Haushaltsbuch");
    bad.close();
    {
        MessageBoxAnswerer scan(u"OK"_s);
        Start();
        QTRY_COMPARE(scan.Count, 1);
    }
    Books->Books().SetSelected(0);
    Window->Timer1Timer();
    MessageBoxAnswerer open(u"OK"_s);
    Button("btnOpenBook")->Click();
    QTRY_COMPARE(open.Count, 1);
    QCOMPARE(open.Title, u"Orvo Haushaltsbuch"_s);
    // The book is open as far as it could be read; the panels say which one.
    QCOMPARE(Books->CurrentBook(), u"Mai 2008"_s);
    QCOMPARE(Window->Panel(1)->Title(), u"Einnahmen - Mai 2008"_s);
    QCOMPARE(Window->PanelIndex(), 0);
    QVERIFY(Button("btnIncome")->Enabled());
}

void TestBookFlows::regularRowColours_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<QColor>("top");
    QTest::addColumn<QColor>("bottom");
    QTest::addColumn<QString>("marker");
    QTest::newRow("income") << u"Einnahme"_s << false << QColor(224, 241, 228) << QColor(206, 234, 215) << u"LISTBMP_INC"_s;
    QTest::newRow("income selected") << u"Einnahme"_s << true << QColor(0, 147, 99) << QColor(0, 119, 81) << u"LISTBMP_INC"_s;
    QTest::newRow("expense") << u"Ausgabe"_s << false << QColor(243, 228, 228) << QColor(239, 215, 214) << u"LISTBMP_OUT"_s;
    QTest::newRow("expense selected") << u"Ausgabe"_s << true << QColor(204, 0, 0) << QColor(166, 0, 0) << u"LISTBMP_OUT"_s;
    QTest::newRow("other kind") << u"einnahme"_s << false << QColor(240, 242, 244) << QColor(226, 228, 233) << u"LISTBMP_OUT"_s;
    QTest::newRow("other selected") << u"?"_s << true << QColor(0, 120, 179) << QColor(0, 105, 155) << u"LISTBMP_OUT"_s;
}

void TestBookFlows::regularRowColours()
{
    QFETCH(QString, kind);
    QFETCH(bool, selected);
    QFETCH(QColor, top);
    QFETCH(QColor, bottom);
    QFETCH(QString, marker);

    QImage image(619, 16, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    PaintRegularRow(painter, image.rect(), ListRow::Make(u"05."_s, {u"1.00"_s, QString(), QString(), kind}), selected);
    painter.end();
    QCOMPARE(image.pixelColor(600, 0), top);
    QCOMPARE(image.pixelColor(600, 15), bottom);

    // The marker at (508, 1), its corner colour left out.
    const QImage picture = ResourceBitmap(marker);
    const QRgb corner = picture.pixel(0, 0);
    int compared = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (picture.pixel(x, y) == corner)
                continue;
            QCOMPARE(image.pixel(508 + x, 1 + y), picture.pixel(x, y));
            ++compared;
        }
    }
    QVERIFY(compared > 0);
}

void TestBookFlows::amountEndsAtItsColumn()
{
    // Amounts are right-aligned to their column's end, whatever their length.
    for (const QString &amount : {u"1.00"_s, u"123456.78"_s}) {
        QImage image(619, 16, QImage::Format_RGB32);
        QPainter painter(&image);
        PaintBookingRow(painter, image.rect(), ListRow::Make(QString(), {amount, QString(), QString()}), false);
        painter.end();
        const auto inkInColumns = [&](int from, int to) {
            for (int x = from; x < to; ++x)
                for (int y = 0; y < 16; ++y)
                    if (qGray(image.pixel(x, y)) < 128)
                        return true;
            return false;
        };
        QVERIFY(inkInColumns(145, 156));
        QVERIFY(!inkInColumns(157, 619));
    }
}

// A synchronisation tool brings another computer's log and book while the book is open here:
// the window takes it in without a restart, keeps its own bookings, and says what came.
void TestBookFlows::anotherComputersBookingArrivesInTheOpenBook()
{
    Start();
    CreateThisMonthsBook();
    const QString name = ThisMonthsBook();
    const QDate today = QDate::currentDate();
    QTest::keyClick(ListViewManager(), Qt::Key_Return);
    EnterBooking("FormEntryIncome", QDate(today.year(), today.month(), 1), u"1200"_s, u"Lohn"_s, u"Gehalt"_s);

    LedgerPaths there = Paths;
    there.ProgramDataFolder = Home->filePath(u"other computer/"_s);
    {
        BookManager other(there, Regional());
        BookingList income(ListKind::Income);
        BookingList expend(ListKind::Expend);
        other.ReadBook(name, income, expend);
        QCOMPARE(income.RowCount(), 1);
        expend.AddRow(ListRow::Make(Regional().DateText(QDate(today.year(), today.month(), 2)),
                                    {u"650.00"_s, u"Wohnen"_s, u"Miete"_s}));
        other.StoreBook(name, income, expend, QDateTime::currentDateTime());
    }

    QTRY_COMPARE_WITH_TIMEOUT(Books->Expend().RowCount(), 1, 30000);
    QCOMPARE(Books->Expend().Row(0).SubItems, QStringList({u"650.00"_s, u"Wohnen"_s, u"Miete"_s}));
    QCOMPARE(Books->Income().RowCount(), 1);
    QCOMPARE(Books->CurrentBook(), name);
    QTRY_VERIFY(Label("LabelHistoryNote")->text().contains(u"kam"_s));
    Key(Qt::Key_F7, Qt::AltModifier);
    QCOMPARE(Label("LabelResultExpend")->text(), u"Gesamtausgaben: 650.00 €"_s);
}

// The start says in a box what came from another computer; what comes while the box is still
// open is taken in as soon as it closes, not only with the next arrival.
void TestBookFlows::arrivalWhileTheStartNoteIsOpenIsTakenIn()
{
    const QString name = u"März 2026"_s;
    LedgerPaths there = Paths;
    there.ProgramDataFolder = Home->filePath(u"other computer/"_s);
    BookManager other(there, Regional());
    other.CreateBook(name, QDateTime::currentDateTime());
    BookingList income(ListKind::Income);
    BookingList expend(ListKind::Expend);
    income.AddRow(ListRow::Make(u"01.03.2026"_s, {u"2400.00"_s, u"Gehalt"_s, QString()}));
    other.StoreBook(name, income, expend, QDateTime::currentDateTime());

    bool answered = false;
    QTimer box;
    box.setInterval(20);
    connect(&box, &QTimer::timeout, &box, [&] {
        auto *note = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!note || !note->isVisible())
            return;
        box.stop();
        QVERIFY(note->text().contains(u"kamen"_s));
        expend.AddRow(ListRow::Make(u"02.03.2026"_s, {u"650.00"_s, u"Wohnen"_s, u"Miete"_s}));
        other.StoreBook(name, income, expend, QDateTime::currentDateTime());
        QTest::keyClick(note, Qt::Key_Return);
        answered = true;
    });
    box.start();
    Start();
    QVERIFY(answered);
    QCOMPARE(Books->Books().RowCount(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(Books->Books().Row(0).SubItem(3), u"650.00 €"_s, 30000);
}

// A conflict copy of another book arrives while a book is open: the merge reads the book list
// again, and the open book keeps its own rows, so that its next save holds exactly them.
void TestBookFlows::aCopyArrivingLeavesTheOpenBookItsRows()
{
    const QString name = ThisMonthsBook();
    {
        BookManager before(Paths, Regional());
        for (int year = 2010; year < 2016; ++year) {
            const QString other = u"Februar %1"_s.arg(year);
            before.CreateBook(other, QDateTime::currentDateTime());
            BookingList income(ListKind::Income);
            BookingList expend(ListKind::Expend);
            expend.AddRow(ListRow::Make(u"03.02.%1"_s.arg(year), {u"9.99"_s, u"Alt"_s, other}));
            before.StoreBook(other, income, expend, QDateTime::currentDateTime());
        }
    }
    Start();
    CreateThisMonthsBook();
    QCOMPARE(Books->CurrentBook(), name);
    Key(Qt::Key_F6, Qt::AltModifier);
    const QDate today = QDate::currentDate();
    EnterBooking("FormEntryIncome", QDate(today.year(), today.month(), 1), u"1200"_s, u"Lohn"_s, u"Gehalt"_s);

    MessageBoxAnswerer note(u"OK"_s);
    QVERIFY(QFile::copy(Paths.BookFile(u"Februar 2012"_s),
                        Paths.DataFolder + u"Februar 2012.sync-conflict-20120210-101010-ABCDEF7.qel"_s));
    QTRY_COMPARE_WITH_TIMEOUT(note.Count, 1, 30000);
    QVERIFY(note.Text.contains(u"Konfliktkopie"_s));
    QTRY_COMPARE(Books->Books().RowCount(), 7);
    QCOMPARE(Books->CurrentBook(), name);
    QCOMPARE(Books->Income().RowCount(), 1);
    QCOMPARE(Books->Expend().RowCount(), 0);

    EnterBooking("FormEntryIncome", QDate(today.year(), today.month(), 2), u"5"_s, u"Zinsen"_s, u"Bank"_s);
    BookingList income(ListKind::Income);
    BookingList expend(ListKind::Expend);
    BookManager(Paths, Regional()).ReadBook(name, income, expend);
    QCOMPARE(income.RowCount(), 2);
    QCOMPARE(expend.RowCount(), 0);
    Key(Qt::Key_F7, Qt::AltModifier);
    QCOMPARE(Label("LabelResultExpend")->text(), u"Gesamtausgaben: 0.00 €"_s);
}

QTEST_MAIN(TestBookFlows)
#include "tst_bookflows.moc"

