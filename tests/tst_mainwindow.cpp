#include "MainWindowFixture.h"
#include "MessageBoxAnswerer.h"

#include "app/MainPanel.h"
#include "app/Program.h"
#include "app/TerminationSignals.h"
#include "transfer/AutoBackup.h"
#include "app/UnitQEL.h"
#include "controls/ColorRef.h"
#include "controls/Fonts.h"
#include "controls/OrvoSkinButton.h"
#include "books/BookManager.h"
#include "ledger/CategoryTable.h"
#include "ledger/FuncUnit.h"
#include "ledger/DataLock.h"
#include "ledger/ListFiles.h"
#include "support/DiagnosticLog.h"
#include "support/HelpSystem.h"
#include "support/WarningSound.h"

#include <QFile>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

using namespace Qt::StringLiterals;

// The main window with its real controls, offscreen, over a temporary HOME.
class TestMainWindow : public QObject, protected MainWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void layout();
    void menuButtons_data();
    void menuButtons();
    void timerEnablesByState();
    void hotKeysFollowThePanel();
    void closeAsksAndSavesSettings();
    void settingsThatCannotBeSavedLoseNoBooking();
    void damagedRegularFileStillListsTheBooks_data();
    void damagedRegularFileStillListsTheBooks();
    void damagedCategoryTableKeepsTheBookings();
    void folderThatCannotBeMade();
    void secondStartIsRefused();
    void otherComputerIsNamed();
    void conflictCopyMergedAtStart();
    void quitEndsTheProgramWhateverIsOpen();
    void informationOnTheScreenCentre();
    void terminationEndsWithoutQuestions();
    void terminationWithADialogOpen();

private:
    void PressAlt(Qt::Key key);
    // The window started and shown, with May 2008 created and one booking in it not saved yet;
    // the size of the empty book's file.
    bool StartWithUnsavedBooking(qint64 &emptySize);
    static std::unique_ptr<QTimer> HangGuard(bool &stuck);
};

void TestMainWindow::initTestCase()
{
    RegisterFontSubstitutions();
}

void TestMainWindow::init()
{
    SetUp();
}

void TestMainWindow::cleanup()
{
    TearDown();
}

// Only ends a program that hangs, so that the test fails instead; sets `stuck` then.
std::unique_ptr<QTimer> TestMainWindow::HangGuard(bool &stuck)
{
    auto guard = std::make_unique<QTimer>();
    guard->setSingleShot(true);
    QObject::connect(guard.get(), &QTimer::timeout, [&stuck] {
        stuck = true;
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
        QCoreApplication::quit();
    });
    guard->start(120000);
    return guard;
}

void TestMainWindow::PressAlt(Qt::Key key)
{
    QTest::keyClick(KeyTarget(), key, Qt::AltModifier);
}

bool TestMainWindow::StartWithUnsavedBooking(qint64 &emptySize)
{
    if (!Window->FormCreate())
        return false;
    Window->show();
    if (!QTest::qWaitForWindowExposed(Window.get()))
        return false;
    Books->CreateBook(u"Mai 2008"_s, QDateTime::currentDateTime());
    emptySize = QFileInfo(Paths.BookFile(u"Mai 2008"_s)).size();
    Books->AddBooking(Books->Income(), ListRow::Make(u"02.05.2008"_s, {u"5.00"_s, u"Gehalt"_s, QString()}));
    return true;
}

void TestMainWindow::layout()
{
    QVERIFY(Window->FormCreate());
    Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(Window.get()));
    QCOMPARE(Window->windowTitle(), u"Orvo Haushaltsbuch"_s);
    QCOMPARE(Window->size(), QSize(792, 566));
    QVERIFY(!(Window->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(Window->palette().color(QPalette::Window), QColor(0, 128, 192));

    const QStringList titles = {u"Haushaltsbücher verwalten"_s, u"Einnahmen"_s, u"Ausgaben"_s,
                                u"Regelmäßige Buchungen"_s, QString(), QString()};
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(Window->Panel(i)->geometry(), QRect(160, 0, 632, 566));
        QCOMPARE(Window->Panel(i)->Title(), titles.at(i));
        QCOMPARE(Window->Panel(i)->isVisible(), i == 0);
        QCOMPARE(Window->MenuButton(i)->Downed(), i == 0);
    }
    QCOMPARE(Window->DiagramMode(), 1);

    // The left column keeps its width; the panels take the rest.
    Window->resize(900, 600);
    QCOMPARE(Window->Panel(0)->geometry(), QRect(160, 0, 740, 600));
    QCOMPARE(Button("btnManager")->geometry(), QRect(6, 27, 145, 40));
    QCOMPARE(Button("btnNewBook")->geometry(), QRect(6, 514, 146, 38));
}

void TestMainWindow::menuButtons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("hotKey");
    QTest::newRow("books") << u"btnManager"_s << u"Haushaltsbücher#verwalten"_s << u"Haushaltsbücher (Alt+F5)"_s << 27 << 40 << int(Qt::Key_F5);
    QTest::newRow("income") << u"btnIncome"_s << u"Einnahmen"_s << u"Einnahmen (Alt+F6)"_s << 86 << 40 << int(Qt::Key_F6);
    QTest::newRow("expense") << u"btnExpend"_s << u"Ausgaben"_s << u"Ausgaben (Alt+F7)"_s << 132 << 40 << int(Qt::Key_F7);
    QTest::newRow("regular") << u"btnRegular"_s << u"Regelmäßige#Buchungen"_s << u"Buchungen (Alt+F8)"_s << 178 << 40 << int(Qt::Key_F8);
    QTest::newRow("analysis") << u"btnAnalyse"_s << u"Haushalt#berechnen"_s << u"Berechnen (Alt+F9)"_s << 237 << 40 << int(Qt::Key_F9);
    QTest::newRow("diagram") << u"btnDiagram"_s << u"Grafische#Auswertung"_s << u"Auswertung (Alt+F10)"_s << 283 << 40 << int(Qt::Key_F10);
    QTest::newRow("calculator") << u"btnCalculator"_s << u"Taschenrechner"_s << u"Rechner (Alt+F3)"_s << 342 << 24 << int(Qt::Key_F3);
    QTest::newRow("backup") << u"btnBackup"_s << u"Datensicherung"_s << u"Datensicherung (Alt+F11)"_s << 384 << 24 << int(Qt::Key_F11);
    QTest::newRow("help") << u"btnHelp"_s << u"Hilfe"_s << u"Hilfe (Alt+F1)"_s << 426 << 24 << int(Qt::Key_F1);
    QTest::newRow("info") << u"btnInfo"_s << u"Information"_s << u"Information (Alt+F2)"_s << 456 << 24 << int(Qt::Key_F2);
    QTest::newRow("quit") << u"btnClose"_s << u"Beenden"_s << u"Beenden  (Alt+X)"_s << 528 << 24 << int(Qt::Key_X);
}

void TestMainWindow::menuButtons()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, hint);
    QFETCH(int, top);
    QFETCH(int, height);
    QFETCH(int, hotKey);
    const TOrvoSkinButton *b = Button(name.toLatin1().constData());
    QCOMPARE(b->Caption(), caption);
    QCOMPARE(b->toolTip(), hint);
    QCOMPARE(b->geometry(), QRect(6, top, 145, height));
    QCOMPARE(HotKeyCode(b->HotKey()), hotKey);
    QCOMPARE(b->UpColor1(), QColor::fromRgb(RgbFromColorRef(16766894)));
}

void TestMainWindow::timerEnablesByState()
{
    QVERIFY(Window->FormCreate());
    Window->Timer1Timer();
    for (const char *name : {"btnIncome", "btnExpend", "btnAnalyse", "btnDiagram", "btnOpenBook", "btnDeleteBook",
                             "btnEditIncome", "btnDeleteIncome", "btnPrintIncome"})
        QVERIFY2(!Button(name)->Enabled(), name);
    QVERIFY(Button("btnEntryIncome")->Enabled());
    QVERIFY(Button("btnExportRegular")->Enabled());

    Books->CreateBook(u"Mai 2008"_s, QDateTime::currentDateTime());
    Books->AddBooking(Books->Expend(), ListRow::Make(u"01.05.2008"_s, {u"1.00"_s, u"Wohnen"_s, QString()}));
    Window->Timer1Timer();
    for (const char *name : {"btnIncome", "btnExpend", "btnAnalyse", "btnDiagram", "btnOpenBook", "btnDeleteBook",
                             "btnPrintExpend"})
        QVERIFY2(Button(name)->Enabled(), name);
    QVERIFY(!Button("btnEditExpend")->Enabled());
    Books->Expend().SetSelected(0);
    Window->Timer1Timer();
    QVERIFY(Button("btnEditExpend")->Enabled());
    QVERIFY(Button("btnDeleteExpend")->Enabled());
    QVERIFY(!Button("btnPrintIncome")->Enabled());

    // Deleting the open book disables the book panels at the next tick.
    Books->DeleteBook(0);
    QTRY_VERIFY(!Button("btnIncome")->Enabled());
}

void TestMainWindow::hotKeysFollowThePanel()
{
    QVERIFY(StartWindow());
    Books->CreateBook(u"Mai 2008"_s, QDateTime::currentDateTime());
    Window->Timer1Timer();

    QSignalSpy newBook(Button("btnNewBook"), &TOrvoSkinButton::Clicked);
    QSignalSpy newIncome(Button("btnEntryIncome"), &TOrvoSkinButton::Clicked);
    QSignalSpy newExpense(Button("btnEntryExpend"), &TOrvoSkinButton::Clicked);
    QSignalSpy page2(Button("btnAnalysePage2"), &TOrvoSkinButton::Clicked);
    QSignalSpy editIncome(Button("btnEditIncome"), &TOrvoSkinButton::Clicked);
    DialogDismisser dismiss; // the buttons open their dialogs

    PressAlt(Qt::Key_N);
    QCOMPARE(newBook.count(), 1);
    QCOMPARE(newIncome.count(), 0);

    PressAlt(Qt::Key_F6); // income panel
    QCOMPARE(Window->PanelIndex(), 1);
    QVERIFY(Button("btnIncome")->Downed());
    QVERIFY(!Button("btnManager")->Downed());
    PressAlt(Qt::Key_N);
    QCOMPARE(newIncome.count(), 1);
    QCOMPARE(newBook.count(), 1);
    QCOMPARE(newExpense.count(), 0);

    PressAlt(Qt::Key_F7);
    QCOMPARE(Window->PanelIndex(), 2);
    PressAlt(Qt::Key_N);
    QCOMPARE(newExpense.count(), 1);
    QCOMPARE(newIncome.count(), 1);

    Books->Income().AddRow(ListRow::Make(u"01.05.2008"_s, {u"1.00"_s}));
    Books->Income().SetSelected(0);
    Window->Timer1Timer();
    PressAlt(Qt::Key_F9);
    QCOMPARE(Window->PanelIndex(), 4);
    PressAlt(Qt::Key_B); // page 2 here, not "Bearbeiten"
    QCOMPARE(page2.count(), 1);
    QCOMPARE(editIncome.count(), 0);

    PressAlt(Qt::Key_F5);
    QCOMPARE(Window->PanelIndex(), 0);
    QCOMPARE(Button("btnEntryIncome")->HotKey(), TSkinHotKey::None);
    QCOMPARE(Button("btnNewBook")->HotKey(), TSkinHotKey::QBAlt_N);
}

void TestMainWindow::closeAsksAndSavesSettings()
{
    qint64 emptySize = 0;
    QVERIFY(StartWithUnsavedBooking(emptySize));

    {
        MessageBoxAnswerer no(u"&Nein"_s);
        Button("btnClose")->Click();
        QCOMPARE(no.Title, u"Bestätigen"_s);
        QCOMPARE(no.Text, u"Möchten Sie das Haushaltsbuch jetzt beenden?"_s);
    }
    QVERIFY(Window->isVisible());
    QVERIFY(Books->BookChanged());
    QCOMPARE(QFileInfo(Paths.BookFile(u"Mai 2008"_s)).size(), emptySize);
    QVERIFY(!QFileInfo::exists(Paths.SettingsFile()));

    Window->Settings().BackupPath = u"/media/sicherung"_s;
    {
        MessageBoxAnswerer yes(u"&Ja"_s);
        QVERIFY(Window->close());
        QCOMPARE(yes.Count, 1);
    }
    QVERIFY(!Window->isVisible());
    QVERIFY(QFileInfo(Paths.BookFile(u"Mai 2008"_s)).size() > emptySize);
    QSettings ini(Paths.SettingsFile(), QSettings::IniFormat);
    QCOMPARE(ini.value(u"BACKUP/Path"_s).toString(), u"/media/sicherung"_s);
    QCOMPARE(ini.value(u"BACKUP/Name"_s).toString(), u"OrvoHaushalt_Backup"_s);
    // The run changed files: its end keeps an automatic backup of them.
    const QList<AutoBackupEntry> copies = AutoBackups(Paths.AutoBackupFolder()).List();
    QCOMPARE(copies.size(), 1);
    QCOMPARE(ListFiles::ReadFile(copies.front().Folder + u"Mai 2008.qel"_s),
             ListFiles::ReadFile(Paths.BookFile(u"Mai 2008"_s)));

    // A run that changed nothing keeps none.
    TearDownWindowOnly();
    QVERIFY(Window->FormCreate());
    Window->show();
    {
        MessageBoxAnswerer yes(u"&Ja"_s);
        QVERIFY(Window->close());
    }
    QCOMPARE(AutoBackups(Paths.AutoBackupFolder()).List().size(), 1);
}

// Only QEL.ini cannot be written: the bookings are saved, the message says so, and the program
// ends without asking whether to lose them.
void TestMainWindow::settingsThatCannotBeSavedLoseNoBooking()
{
    qint64 emptySize = 0;
    QVERIFY(StartWithUnsavedBooking(emptySize));
    QVERIFY(QDir().mkpath(Paths.SettingsFile())); // a folder where QEL.ini belongs
    MessageBoxAnswerer yes(u"&Ja"_s, true);
    MessageBoxAnswerer ok(u"OK"_s);
    QVERIFY(Window->close());
    QCOMPARE(yes.Texts, QStringList{u"Möchten Sie das Haushaltsbuch jetzt beenden?"_s});
    QVERIFY2(ok.Text.contains(u"Ihre Buchungen sind gespeichert"_s), qPrintable(ok.Text));
    QVERIFY(!Window->isVisible());
    QVERIFY(QFileInfo(Paths.BookFile(u"Mai 2008"_s)).size() > emptySize);
}

void TestMainWindow::damagedRegularFileStillListsTheBooks_data()
{
    QTest::addColumn<bool>("later");
    QTest::newRow("books scanned at once") << false;
    QTest::newRow("books scanned once the window shows") << true; // as the program starts
}

void TestMainWindow::damagedRegularFileStillListsTheBooks()
{
    QFETCH(bool, later);
    QDir().mkpath(Paths.DataFolder);
    QFile regular(Paths.RegularFile());
    QVERIFY(regular.open(QIODevice::WriteOnly)); // empty
    regular.close();
    BookingList income(ListKind::Income);
    income.AddRow(ListRow::Make(u"01.05.2008"_s, {u"10.00"_s, u"Lohn"_s, QString()}));
    const BookingList expend(ListKind::Expend);
    ListFiles::WriteFile(Paths.BookFile(u"Mai 2008"_s), ListFiles::MonthBookBytes(income, expend));
    ListFiles::WriteFile(Paths.BookFile(u"Juni 2008"_s),
                         ListFiles::MonthBookBytes(BookingList(ListKind::Income), expend));

    // One report, and start-up goes on: every book listed with its totals, the books shown.
    MessageBoxAnswerer ok(u"OK"_s, true);
    if (later) {
        QVERIFY(Window->FormCreate(TFormQEL::BookScan::Later));
        QCOMPARE(ok.Count, 0);
        QCOMPARE(Books->Books().RowCount(), 0);
        Window->ScanBookList();
    } else {
        QVERIFY(Window->FormCreate());
    }
    QCOMPARE(ok.Count, 1);
    QCOMPARE(ok.Title, u"Orvo Haushaltsbuch"_s);
    QVERIFY2(ok.Text.contains(u"Regular.dat"_s), qPrintable(ok.Text));
    QCOMPARE(Books->Books().RowCount(), 2);
    QCOMPARE(Books->Books().Row(0).SubItems.mid(2), QStringList({u"10.00 €"_s, u"0.00 €"_s}));
    QCOMPARE(Books->Books().Row(1).SubItems.mid(2), QStringList({u"0.00 €"_s, u"0.00 €"_s}));
    QVERIFY(Window->Panel(0)->isVisibleTo(Window.get()));
    QVERIFY(Window->MenuButton(0)->Downed());
    QCOMPARE(Window->DiagramMode(), 1);

    // A month whose file is there, listed or not, is not made a second time.
    const QDate today = QDate::currentDate();
    const QString name = MonthNames().at(today.month() - 1) + u' ' + QString::number(today.year());
    ListFiles::WriteFile(Paths.BookFile(name), ListFiles::MonthBookBytes(income, expend));
    const QByteArray before = ListFiles::ReadFile(Paths.BookFile(name));
    Window->show();
    Window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Window.get()));
    ModalDriver create(u"FormNew"_s, [this](QWidget *) { QTest::keyClick(KeyTarget(), Qt::Key_Return); });
    PressAlt(Qt::Key_N);
    QVERIFY(create.Done);
    QTRY_COMPARE(ok.Count, 2);
    QCOMPARE(ok.Text, u"Das Haushaltsbuch \""_s + name + u"\" existiert bereits!"_s);
    QCOMPARE(Books->Books().RowCount(), 2);
    QCOMPARE(ListFiles::ReadFile(Paths.BookFile(name)), before);
}

void TestMainWindow::damagedCategoryTableKeepsTheBookings()
{
    QDir().mkpath(Paths.ProgramDataFolder);
    QFile entrys(Paths.CategoryFile());
    QVERIFY(entrys.open(QIODevice::WriteOnly));
    entrys.write(QByteArray(7000, '\0'));
    entrys.close();
    QDir().mkpath(Paths.DataFolder);
    BookingList regular(ListKind::Regular);
    regular.AddRow(ListRow::Make(u"01."_s, {u"1000.00"_s, u"Gehalt"_s, QString(), u"Einnahme"_s}));
    ListFiles::WriteFile(Paths.RegularFile(), ListFiles::RegularBytes(regular));
    ListFiles::WriteFile(Paths.BookFile(u"Mai 2008"_s), ListFiles::MonthBookBytes(BookingList(ListKind::Income),
                                                                                 BookingList(ListKind::Expend)));

    MessageBoxAnswerer ok(u"OK"_s);
    QVERIFY(Window->FormCreate());
    QVERIFY2(ok.Text.startsWith(u"E/A-Fehler"_s), qPrintable(ok.Text));
    // The regular bookings and the books are read all the same, and start-up finishes.
    QCOMPARE(Books->Regular().Rows(), regular.Rows());
    QCOMPARE(Books->Books().RowCount(), 1);
    QVERIFY(Window->Panel(0)->isVisibleTo(Window.get()));

    // The user's next regular booking is added to those on disk, not put in their place.
    Books->AddBooking(Books->Regular(), ListRow::Make(u"03."_s, {u"400.00"_s, u"Miete"_s, QString(), u"Ausgabe"_s}));
    Books->SaveRegular();
    BookingList saved(ListKind::Regular);
    ListFiles::ParseRegular(ListFiles::ReadFile(Paths.RegularFile()), saved);
    QCOMPARE(saved.RowCount(), 2);
}

void TestMainWindow::folderThatCannotBeMade()
{
    QFile blocker(Home->filePath(u".config"_s));
    QVERIFY(blocker.open(QIODevice::WriteOnly)); // a file where the folder should go
    blocker.close();
    MessageBoxAnswerer ok(u"OK"_s);
    QVERIFY(!Window->FormCreate());
    QCOMPARE(ok.Title, u"Fehler"_s);
    QCOMPARE(ok.Text, u"Verzeichnis für Programmdaten konnte nicht angelegt werden!"_s);
}

void TestMainWindow::secondStartIsRefused()
{
    Window.reset();
    DataLock first;
    QVERIFY(QDir().mkpath(Paths.DataFolder));
    QVERIFY(first.TryLock(Paths.DataFolder, QString::fromUtf16(DataLock::ProgramName)));
    MessageBoxAnswerer ok(u"OK"_s);
    QCOMPARE(RunProgram({u"haushaltsbuch"_s}, Paths), 0);
    QCOMPARE(ok.Text, u"Das Programm wurde bereits gestartet!"_s);
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<TFormQEL *>(w));
    QVERIFY(first.IsLocked());
}

// The data folder is synced, and the program runs on the other computer: its lock file is here,
// but it writes only its own change log. The program starts as usual, names the other one, and
// everything can be changed.
void TestMainWindow::otherComputerIsNamed()
{
    Window.reset();
    QVERIFY(QDir().mkpath(Paths.DataFolder));
    {
        BookManager books(Paths, Regional());
        books.CreateBook(u"Mai 2008"_s, QDateTime::currentDateTime());
    }
    const LockHolder other{u"rechner-b"_s, u"peter"_s, 4711, QString::fromUtf16(DataLock::ProgramName),
                           QDateTime::currentDateTimeUtc()};
    QFile lock(Paths.DataFolder + DataLock::FileNameFor(other.Host));
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write(other.Encode());
    lock.close();

    MessageBoxAnswerer ok(u"OK"_s, true);
    MessageBoxAnswerer end(u"&Ja"_s, true); // the question before the end
    QString title;
    bool mayChange = false;
    bool stuck = false;
    const auto guard = HangGuard(stuck);
    QTimer driver;
    driver.setInterval(10);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *window = qobject_cast<TFormQEL *>(w);
            if (!window || !w->isVisible() || QApplication::activeModalWidget() || ok.Texts.isEmpty())
                continue;
            driver.stop();
            title = w->windowTitle();
            window->ShowPanel(0);
            window->Timer1Timer();
            mayChange = true;
            for (const char *name : {"btnNewBook", "btnImport", "btnBackup"})
                mayChange = mayChange && w->findChild<TOrvoSkinButton *>(QString::fromLatin1(name))->Enabled();
            w->close();
            return;
        }
    });
    driver.start();
    QCOMPARE(RunProgram({u"haushaltsbuch"_s}, Paths), 0);
    QVERIFY(!stuck);
    QVERIFY2(ok.Texts.value(0).startsWith(u"Das Haushaltsbuch ist auch auf „rechner-b“ (seit "_s),
             qPrintable(ok.Texts.value(0)));
    QCOMPARE(title, u"Orvo Haushaltsbuch"_s);
    QVERIFY(mayChange);
    // The other computer's lock stays as it was.
    const std::optional<LockHolder> still = LockHolder::Decode(ListFiles::ReadFile(lock.fileName()));
    QVERIFY(still && still->Host == other.Host && still->Process == other.Process);
}

// The other computer's version of a book arrived as a conflict copy: the start merges it and
// says so, and the book list shows the merged totals.
void TestMainWindow::conflictCopyMergedAtStart()
{
    QVERIFY(QDir().mkpath(Paths.DataFolder));
    QByteArray theirs;
    {
        BookManager books(Paths, Regional());
        books.CreateBook(u"Mai 2008"_s, QDateTime::currentDateTime());
        books.AddBooking(books.Income(), ListRow::Make(u"02.05.2008"_s, {u"5.00"_s, u"Gehalt"_s, QString()}));
        books.SaveCurrentBook();
        BookingList income = books.Income();
        income.AddRow(ListRow::Make(u"03.05.2008"_s, {u"7.00"_s, u"Zinsen"_s, QString()}));
        theirs = ListFiles::MonthBookBytes(income, books.Expend());
    }
    const QString copy = u"Mai 2008 (conflicted copy 2008-05-03 101500).qel"_s;
    ListFiles::WriteFile(Paths.DataFolder + copy, theirs);
    MessageBoxAnswerer ok(u"OK"_s);
    QVERIFY(Window->FormCreate());
    QVERIFY2(ok.Text.startsWith(u"Haushaltsbuch „Mai 2008“: aus der Konfliktkopie „%1“ 1 Buchung übernommen."_s.arg(copy)),
             qPrintable(ok.Text));
    QCOMPARE(Books->Books().RowCount(), 1);
    QCOMPARE(Books->Books().Row(0).SubItem(2), u"12.00 €"_s);
    QVERIFY(!QFileInfo::exists(Paths.DataFolder + copy));
}

void TestMainWindow::quitEndsTheProgramWhateverIsOpen()
{
    Window.reset();
    // A process killed at start-up leaves its lock file behind, maybe empty; it blocks nothing.
    QVERIFY(QDir().mkpath(Paths.DataFolder));
    QFile left(Paths.DataFolder + DataLock::FileNameFor(LockHolder::Current({}).Host));
    QVERIFY(left.open(QIODevice::WriteOnly));
    left.close();
    QWidget help; // another window of the program, as the help window is
    help.show();

    // Once the program's window shows: Alt+X, answered with "Ja".
    MessageBoxAnswerer yes(u"&Ja"_s);
    bool asked = false;
    bool stuck = false;
    const auto guard = HangGuard(stuck);
    QTimer driver;
    driver.setInterval(10);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (qobject_cast<TFormQEL *>(w) && w->isVisible() && !QApplication::activeModalWidget()) {
                driver.stop();
                asked = true;
                QTest::keyClick(w, Qt::Key_X, Qt::AltModifier);
                return;
            }
        }
    });
    driver.start();
    QCOMPARE(RunProgram({u"haushaltsbuch"_s}, Paths), 0);
    QVERIFY(asked);
    QCOMPARE(yes.Text, u"Möchten Sie das Haushaltsbuch jetzt beenden?"_s);
    QVERIFY(!stuck);
    QVERIFY(!help.isVisible()); // closed with the program
    DataLock next;
    QVERIFY(next.TryLock(Paths.DataFolder, QString::fromUtf16(DataLock::ProgramName)));
}

void TestMainWindow::informationOnTheScreenCentre()
{
    QVERIFY(Window->FormCreate());
    Window->show();
    Window->move(0, 0);
    QPoint centre;
    ModalDriver info(u"FormInfo"_s, [&](QWidget *form) {
        centre = form->frameGeometry().center();
        QTest::keyClick(KeyTarget(), Qt::Key_Escape);
    });
    PressAlt(Qt::Key_F2);
    QVERIFY(info.Done);
    QVERIFY(info.Closed);
    QCOMPARE(centre, QGuiApplication::primaryScreen()->availableGeometry().center());
}

// A logout or SIGTERM: the program ends at once, asks nothing, shows no box, and keeps what the
// run changed in an automatic backup.
void TestMainWindow::terminationEndsWithoutQuestions()
{
    QVERIFY(Window->FormCreate());
    Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(Window.get()));
    Books->CreateBook(u"Mai 2008"_s, QDateTime::currentDateTime());
    TerminationSignals termination;
    connect(&termination, &TerminationSignals::Received, Window.get(),
            [this](int signalNumber) { Window->EndWithoutQuestions(TerminationSignals::Describe(signalNumber)); });
    MessageBoxAnswerer anyBox(u"&Ja"_s);
    QVERIFY(::kill(::getpid(), SIGTERM) == 0);
    QTRY_VERIFY(!Window->isVisible());
    QCOMPARE(anyBox.Count, 0);
    QVERIFY(QFileInfo::exists(Paths.SettingsFile()));
    QCOMPARE(AutoBackups(Paths.AutoBackupFolder()).List().size(), 1);
}

// Run as the program runs: an open dialog does not keep it from ending, and the lock is free.
void TestMainWindow::terminationWithADialogOpen()
{
    Window.reset();
    bool sent = false;
    bool stuck = false;
    const auto guard = HangGuard(stuck);
    // One timer opens the information dialog (its slot then runs inside the dialog), the other
    // sends the signal once the dialog shows.
    QTimer opener;
    opener.setInterval(10);
    QObject::connect(&opener, &QTimer::timeout, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (qobject_cast<TFormQEL *>(w) && w->isVisible() && !QApplication::activeModalWidget()) {
                opener.stop();
                QTest::keyClick(w, Qt::Key_F2, Qt::AltModifier);
                return;
            }
        }
    });
    opener.start();
    QTimer driver;
    driver.setInterval(10);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal->objectName() == u"FormInfo"_s && modal->isVisible()) {
            driver.stop();
            sent = ::kill(::getpid(), SIGHUP) == 0;
        }
    });
    driver.start();
    QCOMPARE(RunProgram({u"haushaltsbuch"_s}, Paths), 0);
    QVERIFY(sent);
    QVERIFY(!stuck);
    DataLock next;
    QVERIFY(next.TryLock(Paths.DataFolder, QString::fromUtf16(DataLock::ProgramName)));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
