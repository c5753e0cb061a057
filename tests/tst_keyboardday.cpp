#include "MainWindowFixture.h"
#include "MessageBoxAnswerer.h"

#include "app/QELListView.h"
#include "controls/Fonts.h"
#include "ledger/FuncUnit.h"
#include "ledger/ListFiles.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTimer>
#include <QTest>

using namespace Qt::StringLiterals;

// A day of bookings with the keyboard alone, through the main window and its real dialogs:
// every key goes where the focus is, and a key's release goes where the focus is after its
// press was handled, as the window system delivers them.
class TestKeyboardDay : public QObject, protected MainWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void oneReturnAccepts_data();
    void oneReturnAccepts();
    void returnInOpenListOnlyPicks_data();
    void returnInOpenListOnlyPicks();
    void correctionAfterWarning_data();
    void correctionAfterWarning();
    void f1OnPanels_data();
    void f1OnPanels();
    void f1InDialogs_data();
    void f1InDialogs();
    void bookingListKeepsTheKeyboard();
    void bookListKeepsTheKeyboard();
    void regularChangeShowsInEveryBook();

private:
    void Start();
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void Type(const QString &text) { QTest::keyClicks(KeyTarget(), text); }
    // The keys of one dialog; true when they closed it.
    bool InDialog(const char *dialog, Qt::Key opener, const std::function<void()> &keys);
    void CreateThisMonthsBook();
    QString ThisMonthsBook() const;
    TQELListView *List(const char *name) const { return Child<TQELListView>(name); }
    static void WriteBook(const QString &path, const QStringList &incomeAmounts);
    // The help requests logged since the last call: "1002" for a context, "/x.html" for a topic.
    QStringList HelpRequests();
    qsizetype LogRead_ = 0;
};

void TestKeyboardDay::initTestCase()
{
    RegisterFontSubstitutions();
}

void TestKeyboardDay::init()
{
    SetUp(true);
    LogRead_ = 0;
}

QStringList TestKeyboardDay::HelpRequests()
{
    QFile file(Log->FileName());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(file.readAll());
    const QString fresh = text.mid(LogRead_);
    LogRead_ = text.size();
    QStringList requests;
    static const QRegularExpression request(u"(?:HHHelpContext\\(\"[^\"]*\", (\\d+),|ShowTopic\\(\"[^\"]*\", \"([^\"]*)\")"_s);
    for (auto it = request.globalMatch(fresh); it.hasNext();) {
        const auto match = it.next();
        requests << (match.captured(1).isEmpty() ? match.captured(2) : match.captured(1));
    }
    return requests;
}

void TestKeyboardDay::cleanup()
{
    TearDown();
}

void TestKeyboardDay::Start()
{
    QVERIFY(StartWindow());
}

void TestKeyboardDay::Key(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyPress(KeyTarget(), key, modifiers);
    QTest::keyRelease(KeyTarget(), key, modifiers);
    // What the key left for later runs before the next key, as between two real key strokes.
    QCoreApplication::processEvents();
}

bool TestKeyboardDay::InDialog(const char *dialog, Qt::Key opener, const std::function<void()> &keys)
{
    ModalDriver driver(QString::fromLatin1(dialog), [&](QWidget *form) {
        keys();
        QTRY_VERIFY(!form->isVisible());
    });
    Key(opener, Qt::AltModifier);
    return driver.Done && driver.Closed;
}

QString TestKeyboardDay::ThisMonthsBook() const
{
    const QDate today = QDate::currentDate();
    return MonthNames().at(today.month() - 1) + u' ' + QString::number(today.year());
}

void TestKeyboardDay::CreateThisMonthsBook()
{
    QVERIFY(InDialog("FormNew", Qt::Key_N, [this] { Key(Qt::Key_Return); }));
}

void TestKeyboardDay::WriteBook(const QString &path, const QStringList &incomeAmounts)
{
    BookingList income(ListKind::Income);
    for (const QString &amount : incomeAmounts)
        income.AddRow(ListRow::Make(u"01.05.2008"_s, {amount, u"Lohn"_s, QString()}));
    ListFiles::WriteFile(path, ListFiles::MonthBookBytes(income, BookingList(ListKind::Expend)));
}

void TestKeyboardDay::oneReturnAccepts_data()
{
    QTest::addColumn<int>("panel");
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("purposeKeys"); // typed; "v" opens the purpose list and picks its 2nd entry
    QTest::addColumn<QString>("purpose");
    QTest::newRow("income") << 1 << u"FormEntryIncome"_s << u"Lohn"_s << u"gehalt"_s << u"Gehalt"_s;
    QTest::newRow("expense, completed") << 2 << u"FormEntryExpend"_s << u"Wohnen"_s << u"Mie"_s << u"Miete"_s;
    QTest::newRow("expense, list open") << 2 << u"FormEntryExpend"_s << u"Wohnen"_s << u"v"_s << u"Nebenkosten"_s;
    QTest::newRow("regular") << 3 << u"FormEntryRegular"_s << u"Sonstige"_s << u"zins"_s << u"Zins"_s;
}

void TestKeyboardDay::oneReturnAccepts()
{
    QFETCH(int, panel);
    QFETCH(QString, dialog);
    QFETCH(QString, category);
    QFETCH(QString, purposeKeys);
    QFETCH(QString, purpose);
    Start();
    CreateThisMonthsBook();
    Key(Qt::Key(Qt::Key_F5 + panel), Qt::AltModifier);
    QCOMPARE(Window->PanelIndex(), panel);

    // Twice: the Return that closed the dialog last time must not swallow this one.
    for (int round = 1; round <= 2; ++round) {
        const bool closed = InDialog(qPrintable(dialog), Qt::Key_N, [&] {
            // Date or day as preset, then to the amount.
            Key(Qt::Key_Tab);
            if (panel == 3)
                Key(Qt::Key_Tab), Key(Qt::Key_Tab);
            Type(u"12,5"_s);
            Key(Qt::Key_Tab);
            Type(category);
            Key(Qt::Key_Tab);
            if (purposeKeys == u"v") {
                auto *box = qobject_cast<QComboBox *>(KeyTarget());
                QVERIFY(box);
                Key(Qt::Key_Down, Qt::AltModifier);
                QTRY_VERIFY(box->view()->isVisible());
                // Some platforms open the list on its first entry, others before it.
                for (int i = 0; i < 3 && box->view()->currentIndex().row() != 1; ++i)
                    Key(Qt::Key_Down);
                // Return in the open list only takes the entry.
                Key(Qt::Key_Return);
                QTRY_VERIFY(!box->view()->isVisible());
                QVERIFY(QApplication::activeModalWidget() && QApplication::activeModalWidget()->isVisible());
                QTRY_COMPARE(KeyTarget(), box);
            } else {
                Type(purposeKeys);
            }
            Key(Qt::Key_Return);
        });
        QVERIFY2(closed, qPrintable(u"round %1"_s.arg(round)));
    }
    const BookingList &list = panel == 1 ? Books->Income() : panel == 2 ? Books->Expend() : Books->Regular();
    QCOMPARE(list.RowCount(), 2);
    QCOMPARE(list.Row(1).SubItem(0), u"12.5"_s);
    QCOMPARE(list.Row(1).SubItem(1), category);
    QTRY_COMPARE(list.Row(1).SubItem(2), purpose);
}

void TestKeyboardDay::returnInOpenListOnlyPicks_data()
{
    QTest::addColumn<int>("panel");
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<int>("tabs"); // from the first field to the category
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("category");
    QTest::addColumn<bool>("subCategories"); // of the picked group in the purpose list
    QTest::newRow("income") << 1 << u"FormEntryIncome"_s << 2 << 1 << u"Rente"_s << false;
    QTest::newRow("expense") << 2 << u"FormEntryExpend"_s << 2 << 0 << u"Wohnen"_s << true;
    QTest::newRow("regular") << 3 << u"FormEntryRegular"_s << 4 << 1 << u"Rente"_s << false;
}

// Open the category list, choose with the arrows, Return: the list closes with the entry taken
// and the dialog stays open (nothing stored yet); the next Return accepts.
void TestKeyboardDay::returnInOpenListOnlyPicks()
{
    QFETCH(int, panel);
    QFETCH(QString, dialog);
    QFETCH(int, tabs);
    QFETCH(int, entry);
    QFETCH(QString, category);
    QFETCH(bool, subCategories);
    Start();
    CreateThisMonthsBook();
    Key(Qt::Key(Qt::Key_F5 + panel), Qt::AltModifier);
    const BookingList &list = panel == 1 ? Books->Income() : panel == 2 ? Books->Expend() : Books->Regular();

    const bool closed = InDialog(qPrintable(dialog), Qt::Key_N, [&] {
        for (int i = 0; i < tabs; ++i)
            Key(Qt::Key_Tab);
        auto *box = qobject_cast<QComboBox *>(KeyTarget());
        QVERIFY(box);
        QCOMPARE(box->objectName(), u"ComboBox1"_s);
        Key(Qt::Key_Down, Qt::AltModifier);
        QTRY_VERIFY(box->view()->isVisible());
        for (int i = 0; i < 3 && box->view()->currentIndex().row() != entry; ++i)
            Key(box->view()->currentIndex().row() < entry ? Qt::Key_Down : Qt::Key_Up);
        QCOMPARE(box->view()->currentIndex().row(), entry);
        Key(Qt::Key_Return);
        QTRY_VERIFY(!box->view()->isVisible());
        QWidget *form = QApplication::activeModalWidget();
        QVERIFY(form && form->isVisible() && form->objectName() == dialog);
        QCOMPARE(box->currentText(), category);
        const auto *purpose = form->findChild<QComboBox *>(u"ComboBox2"_s);
        QStringList items, expected;
        for (int i = 0; i < purpose->count(); ++i)
            items << purpose->itemText(i);
        for (int k = 0; subCategories && k < CategoryTable::SubCategoryCount; ++k) {
            if (!Categories->SubCategory(entry, k).trimmed().isEmpty())
                expected << Categories->SubCategory(entry, k);
        }
        QCOMPARE(items, expected);
        QCOMPARE(list.RowCount(), 0);
        QTRY_COMPARE(KeyTarget(), box);
        Key(Qt::Key_Tab);
        Type(u"Zweck"_s);
        Key(Qt::Key_Return);
    });
    QVERIFY(closed);
    QCOMPARE(list.RowCount(), 1);
    QCOMPARE(list.Row(0).SubItem(1), category);
    QCOMPARE(list.Row(0).SubItem(2), u"Zweck"_s);
}

void TestKeyboardDay::correctionAfterWarning_data()
{
    QTest::addColumn<int>("panel");
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<int>("tabs");      // from the first field to the one with the fault
    QTest::addColumn<QString>("wrong");
    QTest::addColumn<QString>("shown"); // the field's text after the message
    QTest::addColumn<QString>("right");
    QTest::addColumn<QString>("stored");
    QTest::newRow("income amount") << 1 << u"FormEntryIncome"_s << 1 << u"1,2,3"_s << u"1.2.3"_s << u"12,30"_s
                                   << u"12.30"_s;
    QTest::newRow("regular amount") << 3 << u"FormEntryRegular"_s << 3 << u"4..5"_s << u"4..5"_s << u"4,5"_s
                                    << u"4.5"_s;
    QTest::newRow("regular day") << 3 << u"FormEntryRegular"_s << 2 << u"32"_s << u"32."_s << u"7"_s << u"07."_s;
}

void TestKeyboardDay::correctionAfterWarning()
{
    QFETCH(int, panel);
    QFETCH(QString, dialog);
    QFETCH(int, tabs);
    QFETCH(QString, wrong);
    QFETCH(QString, shown);
    QFETCH(QString, right);
    QFETCH(QString, stored);
    Start();
    CreateThisMonthsBook();
    Key(Qt::Key(Qt::Key_F5 + panel), Qt::AltModifier);

    QString selected;
    const bool closed = InDialog(qPrintable(dialog), Qt::Key_N, [&] {
        for (int i = 0; i < tabs; ++i)
            Key(Qt::Key_Tab);
        auto *field = qobject_cast<QLineEdit *>(KeyTarget());
        QVERIFY(field);
        Type(wrong);
        while (!qobject_cast<QComboBox *>(KeyTarget()))
            Key(Qt::Key_Tab);
        Type(u"Sonstige"_s);
        {
            MessageBoxAnswerer ok(u"OK"_s);
            Key(Qt::Key_Return);
            QTRY_COMPARE(ok.Count, 1);
        }
        // Back in the faulty field, its text selected: the next keys replace it.
        QTRY_COMPARE(KeyTarget(), field);
        QCOMPARE(field->text(), shown);
        selected = field->selectedText();
        Type(right);
        Key(Qt::Key_Return);
    });
    QVERIFY(closed);
    QCOMPARE(selected, shown);
    const BookingList &list = panel == 1 ? Books->Income() : Books->Regular();
    QCOMPARE(list.RowCount(), 1);
    QCOMPARE(stored.endsWith(u'.') ? list.Row(0).Caption : list.Row(0).SubItem(0), stored);
}

void TestKeyboardDay::f1OnPanels_data()
{
    QTest::addColumn<int>("panel");
    QTest::addColumn<QString>("topic");
    QTest::newRow("books") << 0 << u"/uebersicht.html"_s;
    QTest::newRow("income") << 1 << u"/buchungen.html"_s;
    QTest::newRow("expenses") << 2 << u"/buchungen.html"_s;
    QTest::newRow("regular") << 3 << u"/regelmaessig.html"_s;
    QTest::newRow("analysis") << 4 << u"/auswertung.html"_s;
    QTest::newRow("pie") << 5 << u"/auswertung.html"_s;
}

// F1 in the main window opens the help on the panel shown; Alt+F1 keeps opening the start.
void TestKeyboardDay::f1OnPanels()
{
    QFETCH(int, panel);
    QFETCH(QString, topic);
    Start();
    CreateThisMonthsBook();
    Key(Qt::Key(Qt::Key_F5 + panel), Qt::AltModifier);
    QCOMPARE(Window->PanelIndex(), panel);
    HelpRequests();
    Key(Qt::Key_F1);
    Key(Qt::Key_F1, Qt::AltModifier);
    QCOMPARE(HelpRequests(), (QStringList{topic, u"1000"_s}));
}

void TestKeyboardDay::f1InDialogs_data()
{
    QTest::addColumn<int>("panel");
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("inside"); // "" the dialog itself, "overview" its category overview, "message" a message box over it
    QTest::addColumn<QString>("request");
    QTest::newRow("new book") << 0 << u"FormNew"_s << QString() << u"1001"_s;
    QTest::newRow("income") << 1 << u"FormEntryIncome"_s << QString() << u"1002"_s;
    QTest::newRow("expense") << 2 << u"FormEntryExpend"_s << QString() << u"1002"_s;
    QTest::newRow("regular") << 3 << u"FormEntryRegular"_s << QString() << u"1003"_s;
    QTest::newRow("expense, category overview") << 2 << u"FormEntryExpend"_s << u"overview"_s << u"/buchungen.html"_s;
    QTest::newRow("regular, category overview") << 3 << u"FormEntryRegular"_s << u"overview"_s
                                                << u"/regelmaessig.html"_s;
    QTest::newRow("income, message box") << 1 << u"FormEntryIncome"_s << u"message"_s << u"1002"_s;
}

// F1 in a dialog opens its topic, as its help button does; a window opened over the dialog
// (the category overview, a message box) shows the dialog's topic. The dialog stays open.
void TestKeyboardDay::f1InDialogs()
{
    QFETCH(int, panel);
    QFETCH(QString, dialog);
    QFETCH(QString, inside);
    QFETCH(QString, request);
    Start();
    if (panel > 0) {
        CreateThisMonthsBook();
        Key(Qt::Key(Qt::Key_F5 + panel), Qt::AltModifier);
    }
    HelpRequests();
    QStringList seen;
    InDialog(qPrintable(dialog), Qt::Key_N, [&] {
        QWidget *form = QApplication::activeModalWidget();
        if (inside == u"overview") {
            ModalDriver overview(u"FormNavigator"_s, [&](QWidget *) {
                Key(Qt::Key_F1);
                Key(Qt::Key_Escape);
            });
            Key(Qt::Key_K, Qt::AltModifier);
            QVERIFY(overview.Done);
        } else if (inside == u"message") {
            // A date that cannot be read, a category, Return: the message box.
            Type(u"15.10.2"_s);
            Key(Qt::Key_Tab);
            Key(Qt::Key_Tab);
            Type(u"Lohn"_s);
            bool answered = false;
            QTimer::singleShot(0, [&] {
                QTRY_VERIFY(qobject_cast<QMessageBox *>(QApplication::activeModalWidget()));
                Key(Qt::Key_F1);
                Key(Qt::Key_Return);
                answered = true;
            });
            Key(Qt::Key_Return);
            QVERIFY(answered);
        } else {
            Key(Qt::Key_F1);
        }
        seen = HelpRequests();
        QVERIFY(form->isVisible());
        Key(Qt::Key_Escape);
    });
    QCOMPARE(seen, QStringList{request});
}

void TestKeyboardDay::bookingListKeepsTheKeyboard()
{
    Start();
    CreateThisMonthsBook();
    Key(Qt::Key_F6, Qt::AltModifier);
    TQELListView *list = List("ListViewIncome");
    QTRY_COMPARE(KeyTarget(), list);

    // Three bookings on the 20th, 10th and 30th (or the month's last day): after each the
    // list has the keyboard, with the new row selected wherever sorting put it.
    const QDate today = QDate::currentDate();
    const int last = today.daysInMonth();
    const QStringList amounts{u"20"_s, u"10"_s, u"30"_s};
    const QList<int> days{20, 10, std::min(30, last)};
    for (int i = 0; i < 3; ++i) {
        QVERIFY(InDialog("FormEntryIncome", Qt::Key_N, [&] {
            Type(QDate(today.year(), today.month(), days[i]).toString(u"dd.MM.yyyy"_s));
            Key(Qt::Key_Tab);
            Type(amounts[i]);
            Key(Qt::Key_Tab);
            Type(u"Lohn"_s);
            Key(Qt::Key_Return);
        }));
        QTRY_COMPARE(KeyTarget(), list);
        QCOMPARE(Books->Income().Row(Books->Income().Selected()).SubItem(0), amounts[i] + u".00"_s);
    }
    QCOMPARE(Books->Income().Selected(), 2); // the 30th

    // Up to the 10th, edit its amount with Return; the list keeps the edited row.
    Key(Qt::Key_Up);
    Key(Qt::Key_Up);
    QCOMPARE(Books->Income().Selected(), 0);
    QVERIFY(InDialog("FormEntryIncome", Qt::Key_B, [&] {
        Key(Qt::Key_Tab);
        Type(u"11"_s);
        Key(Qt::Key_Return);
    }));
    QTRY_COMPARE(KeyTarget(), list);
    QCOMPARE(Books->Income().Row(Books->Income().Selected()).SubItem(0), u"11.00"_s);

    // Down to the 20th and remove exactly that one.
    Key(Qt::Key_Down);
    QCOMPARE(Books->Income().Selected(), 1);
    {
        MessageBoxAnswerer yes(u"&Ja"_s);
        Key(Qt::Key_E, Qt::AltModifier);
        QTRY_COMPARE(yes.Count, 1);
        QCOMPARE(yes.Text, u"Soll die gewählte Buchung entfernt werden?"_s);
    }
    QCOMPARE(Books->Income().RowCount(), 2);
    QCOMPARE(Books->Income().Row(0).SubItem(0), u"11.00"_s);
    QCOMPARE(Books->Income().Row(1).SubItem(0), u"30.00"_s);

    // Nothing selected now: the first Down takes the first row.
    QTRY_COMPARE(KeyTarget(), list);
    QCOMPARE(Books->Income().Selected(), -1);
    Key(Qt::Key_Down);
    QCOMPARE(Books->Income().Selected(), 0);
}

void TestKeyboardDay::bookListKeepsTheKeyboard()
{
    QDir().mkpath(Paths.DataFolder);
    WriteBook(Paths.BookFile(u"Mai 2008"_s), {u"1.00"_s});
    Start();
    TQELListView *books = List("ListViewManager");

    // A focused list shows it: the same list looks different without the focus.
    QTRY_COMPARE(KeyTarget(), books);
    const QImage focused = books->viewport()->grab().toImage();
    Child<TQELListView>("ListViewRegular")->setFocus();
    const QImage unfocused = books->viewport()->grab().toImage();
    QVERIFY(focused != unfocused);

    // After creating, the new book's row has the keyboard: Return opens it.
    CreateThisMonthsBook();
    QTRY_COMPARE(KeyTarget(), books);
    QCOMPARE(Books->Books().Row(Books->Books().Selected()).SubItem(0), ThisMonthsBook());
    Key(Qt::Key_Return);
    QCOMPARE(Window->PanelIndex(), 1);
    QTRY_COMPARE(KeyTarget(), List("ListViewIncome"));

    // Back at the books, remove Mai 2008: the list keeps the keyboard on the open book.
    Key(Qt::Key_F5, Qt::AltModifier);
    QTRY_COMPARE(KeyTarget(), books);
    Books->Books().SetSelected(Books->FindBook(u"Mai 2008"_s));
    books->Refresh();
    {
        MessageBoxAnswerer yes(u"&Ja"_s);
        Key(Qt::Key_E, Qt::AltModifier);
        QTRY_COMPARE(yes.Count, 1);
    }
    QCOMPARE(Books->Books().RowCount(), 1);
    QTRY_COMPARE(KeyTarget(), books);
    QCOMPARE(Books->Books().Selected(), 0);
    Key(Qt::Key_Return);
    QCOMPARE(Window->PanelIndex(), 1);
}

void TestKeyboardDay::regularChangeShowsInEveryBook()
{
    QDir().mkpath(Paths.DataFolder);
    WriteBook(Paths.BookFile(u"Mai 2008"_s), {u"1.00"_s});
    WriteBook(Paths.BookFile(u"Juni 2008"_s), {u"2.00"_s, u"3.00"_s});
    Start();
    Books->Books().SetSelected(Books->FindBook(u"Juni 2008"_s));
    List("ListViewManager")->Refresh();
    List("ListViewManager")->setFocus();
    QTRY_COMPARE(KeyTarget(), List("ListViewManager"));
    Key(Qt::Key_Return);
    QCOMPARE(Books->CurrentBook(), u"Juni 2008"_s);

    Key(Qt::Key_F8, Qt::AltModifier);
    QVERIFY(InDialog("FormEntryRegular", Qt::Key_N, [&] {
        Key(Qt::Key_Tab);
        Key(Qt::Key_Tab);
        Key(Qt::Key_Tab);
        Type(u"100"_s);
        Key(Qt::Key_Tab);
        Type(u"Gehalt"_s);
        Key(Qt::Key_Return);
    }));
    Key(Qt::Key_F5, Qt::AltModifier);
    const auto income = [&](const char16_t *name) {
        return Books->Books().Row(Books->FindBook(QString::fromUtf16(name))).SubItem(2);
    };
    QCOMPARE(income(u"Juni 2008"), u"105.00 €"_s);
    QCOMPARE(income(u"Mai 2008"), u"101.00 €"_s);
}

QTEST_MAIN(TestKeyboardDay)
#include "tst_keyboardday.moc"
