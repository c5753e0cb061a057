#include "KillingOps.h"

#include "backup/LedgerBackup.h"
#include "import/ImportBooking.h"
#include "statements/CsvLayoutGuess.h"
#include "import/ImportStore.h"
#include "import/ImportStoreUpkeep.h"
#include "books/BookManager.h"
#include "ledger/FuncUnit.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

const QDateTime Now(QDate(2026, 5, 2), QTime(9, 30));

StatementRow Row(QDate date, qint64 cents, bool credit, const QString &counterparty, const QString &purpose = {})
{
    StatementRow row;
    row.BookingDate = date;
    row.AmountCents = cents;
    row.Credit = credit;
    row.Currency = u"EUR"_s;
    row.Counterparty = counterparty;
    row.Purpose = purpose;
    return row;
}

// Three months, the last of them without a book yet, and two equal rows on one day.
Statement ThreeMonths()
{
    Statement s;
    s.Format = u"CAMT.053.001.02"_s;
    s.Account = u"DE02120300000000202051"_s;
    s.Rows = {Row({2026, 3, 2}, 180000, true, u"Arbeitgeber GmbH"_s, u"Lohn März"_s),
              Row({2026, 3, 5}, 350, false, u"Bäckerei Korn"_s),
              Row({2026, 3, 5}, 350, false, u"Bäckerei Korn"_s),
              Row({2026, 4, 9}, 4290, false, u"REWE Markt"_s, u"Einkauf"_s),
              Row({2026, 5, 1}, 1200, false, u"Stadtwerke"_s, u"Abschlag Strom"_s)};
    s.Rows[3].Reference = u"2026040912345"_s;
    return s;
}

LedgerPaths PathsIn(const QString &folder)
{
    LedgerPaths paths;
    paths.ProgramFolder = folder + u"/bin/"_s;
    paths.ProgramDataFolder = folder + u"/config/"_s;
    paths.DataFolder = folder + u"/Daten/"_s;
    paths.CreateFolders();
    return paths;
}

// One import as the program and the command line make it.
ImportOutcome ImportOnce(const LedgerPaths &paths, const Statement &statement, int killAt = -1)
{
    BookManager books(paths, Regional());
    books.LoadRegular();
    books.ScanBooks();
    const MatchContext context = LoadMatchContext(books, statement, true);
    const QList<ImportCandidate> rows = ImportMatcher(context, books.RegionalSettings()).Match(statement);
    ImportBooking booking(books, paths.ImportStoreFile());
    booking.AfterStep = [killAt](int step) {
        if (step == killAt)
            std::raise(SIGKILL);
    };
    return booking.Book(rows, {u"auszug.xml"_s, statement.Format}, Now);
}

// How many statement rows the change logs count as booked.
qsizetype BookedCount(const LedgerPaths &paths)
{
    BookManager books(paths, Regional());
    return books.BookedRows().Size();
}

QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every booking of the data folder: "Ausgabe 05.03.2026 3.50 Sonstige Bäckerei Korn".
QStringList AllBookings(const LedgerPaths &paths)
{
    QStringList all;
    for (const QString &file : QDir(paths.DataFolder).entryList({u"*.qel"_s}, QDir::Files, QDir::Name)) {
        BookingList income(ListKind::Income);
        BookingList expend(ListKind::Expend);
        ListFiles::ParseMonthBook(ListFiles::ReadFile(paths.DataFolder + file), income, expend);
        for (const BookingList *list : {&income, &expend}) {
            for (const ListRow &row : list->Rows()) {
                all.append(QStringList{list == &income ? u"Einnahme"_s : u"Ausgabe"_s, row.Caption, row.SubItem(0),
                                       row.SubItem(1), row.SubItem(2)}
                               .join(u' '));
            }
        }
    }
    all.sort();
    return all;
}

void RemoveBookingByHand(const LedgerPaths &paths, const QString &book, const QString &date)
{
    BookManager books(paths, Regional());
    books.ScanBooks();
    books.OpenBook(books.FindBook(book));
    for (BookingList *list : {&books.Income(), &books.Expend()}) {
        for (qsizetype r = 0; r < list->RowCount(); ++r) {
            if (list->Row(r).Caption == date) {
                books.RemoveBooking(*list, r);
                books.SaveCurrentBook();
                return;
            }
        }
    }
    qFatal("no booking of that day");
}

// The statement's rows as its books hold them after one import.
QStringList ThreeMonthsBooked()
{
    QStringList rows{u"Einnahme 02.03.2026 1800.00 Sonstige Arbeitgeber GmbH"_s,
                     u"Ausgabe 05.03.2026 3.50 Sonstige Bäckerei Korn"_s,
                     u"Ausgabe 05.03.2026 3.50 Sonstige Bäckerei Korn"_s,
                     u"Ausgabe 09.04.2026 42.90 Sonstige REWE Markt"_s,
                     u"Ausgabe 01.05.2026 12.00 Sonstige Stadtwerke"_s};
    rows.sort();
    return rows;
}

Statement Coffees(int count, bool bread)
{
    Statement s;
    s.Format = u"CAMT.053.001.02"_s;
    s.Account = u"DE02120300000000202051"_s;
    for (int i = 0; i < count; ++i)
        s.Rows.append(Row({2026, 1, 5}, 350, false, u"Café Mokka"_s));
    if (bread)
        s.Rows.append(Row({2026, 1, 5}, 280, false, u"Bäckerei Korn"_s));
    return s;
}

} // namespace

class TestImportBooking : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void rowsGoIntoTheirMonthBooks();
    void aKillLeavesStoreAndBooksConsistent_data();
    void aKillLeavesStoreAndBooksConsistent();
    void aFailedSaveSaysWhatWentIn();
    void equalBookingsSettleAgainstTheBookBefore();
    void theOtherComputerBooksNothingTwice();
    void storeFollowsRestoredBooks_data();
    void storeFollowsRestoredBooks();
    void restoreKilledAtEveryStep();
    void storeKeepsRulesLayoutsAndCounterparties();
    void untickedRowStaysUntickedAfterAnUpgrade();
    void damagedStoreIsTakenBack_data();
    void damagedStoreIsTakenBack();
    void journalOfAKilledChangeSurvivesARestore();
    void damagedStoreWithoutBackupIsRefusedAndKept();
    void storeErrorsSayWhatToDo();
    void everyBankStatementTwiceAddsNothing_data();
    void everyBankStatementTwiceAddsNothing();

private:
    std::unique_ptr<QTemporaryDir> Dir;
    LedgerPaths Paths;
};

void TestImportBooking::init()
{
    Dir = std::make_unique<QTemporaryDir>();
    Paths = PathsIn(Dir->path());
}

void TestImportBooking::rowsGoIntoTheirMonthBooks()
{
    BookManager books(Paths, Regional());
    books.CreateBook(u"März 2026"_s, Now);
    books.AddBooking(books.Expend(), ListRow::Make(u"20.03.2026"_s, {u"9.00"_s, u"Haushalt"_s, u"Kino"_s}));
    books.CreateBook(u"April 2026"_s, Now);
    books.AddBooking(books.Regular(), ListRow::Make(u"15."_s, {u"100.00"_s, u"Sparen"_s, u"Sparplan"_s, u"Ausgabe"_s}));
    books.SaveRegular();
    books.SetRegularChanged(false);
    books.OpenBook(books.FindBook(u"März 2026"_s));
    // Unsaved, as an entry dialog leaves it: the import writes it with the rest.
    books.AddBooking(books.Income(), ListRow::Make(u"01.03.2026"_s, {u"5.00"_s, u"Zinsen"_s, u"Bank"_s}));

    const Statement statement = ThreeMonths();
    const MatchContext context = LoadMatchContext(books, statement, true);
    const QList<ImportCandidate> rows = ImportMatcher(context, books.RegionalSettings()).Match(statement);
    QCOMPARE(MissingBooks(books, rows), QStringList{u"Mai 2026"_s});
    const ImportOutcome outcome = ImportBooking(books, Paths.ImportStoreFile()).Book(rows, {u"a.xml"_s, u"CAMT"_s}, Now);
    QCOMPARE(outcome.Summary(), u"3 Buchungen in „März 2026“, 1 Buchung in „April 2026“, 1 Buchung in „Mai 2026“ (neu "
                                u"angelegt)"_s);

    // The open book's lists are the file's; the new book is listed with its totals.
    QCOMPARE(books.CurrentBook(), u"März 2026"_s);
    QVERIFY(!books.BookChanged());
    QCOMPARE(books.Income().RowCount(), 2);
    QCOMPARE(books.Expend().Row(0).Caption, u"05.03.2026"_s);
    QCOMPARE(books.Expend().Row(2).Caption, u"20.03.2026"_s);
    QCOMPARE(ListFiles::MonthBookBytes(books.Income(), books.Expend()), FileBytes(Paths.BookFile(u"März 2026"_s)));
    const qsizetype may = books.FindBook(u"Mai 2026"_s);
    QVERIFY(may > books.FindBook(u"April 2026"_s));
    QCOMPARE(books.Books().Row(may).SubItem(3), u"112.00 €"_s);
    QCOMPARE(books.Books().Row(books.FindBook(u"März 2026"_s)).SubItem(2), u"1805.00 €"_s);

    // The new book is the file "create" writes, with the booking added as the panels add it.
    BookManager reference(PathsIn(Dir->filePath(u"ref"_s)), Regional());
    reference.CreateBook(u"Mai 2026"_s, Now);
    reference.AddBooking(reference.Expend(), ListRow::Make(u"01.05.2026"_s, {u"12.00"_s, u"Sonstige"_s, u"Stadtwerke"_s}));
    reference.SaveCurrentBook();
    QCOMPARE(FileBytes(Paths.BookFile(u"Mai 2026"_s)), FileBytes(reference.Paths().BookFile(u"Mai 2026"_s)));

    // The bank's texts are kept; the same statement again adds nothing.
    {
        ImportStore store(Paths.ImportStoreFile());
        const QList<StoredBooking> stored = store.ImportedBookings();
        QCOMPARE(stored.size(), 5);
        QCOMPARE(stored.at(3).Counterparty, u"REWE Markt"_s);
        QCOMPARE(stored.at(3).BankPurpose, u"Einkauf"_s);
        QCOMPARE(stored.at(3).BankReference, u"2026040912345"_s);
    }
    const QStringList before = AllBookings(Paths);
    QCOMPARE(ImportOnce(Paths, statement).Total(), 0);
    QCOMPARE(AllBookings(Paths), before);
}

void TestImportBooking::aKillLeavesStoreAndBooksConsistent_data()
{
    QTest::addColumn<int>("killAt");
    QTest::addColumn<bool>("editedSince");
    // 0: the import's entry made and its books written; 1: the store's record of it too. A
    // kill inside the entry's writing is the kill tests' (tools/undo-crash-test.sh).
    for (int step = 0; step <= 1; ++step)
        QTest::addRow("killed at step %d", step) << step << false;
    QTest::newRow("killed after the books, one edited since") << 0 << true;
}

void TestImportBooking::aKillLeavesStoreAndBooksConsistent()
{
    QFETCH(int, killAt);
    QFETCH(bool, editedSince);
    {
        BookManager books(Paths, Regional());
        books.CreateBook(u"März 2026"_s, Now);
    }
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {u"--import-killed-at"_s, QString::number(killAt), Dir->path()});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    if (editedSince) {
        BookManager books(Paths, Regional());
        books.ScanBooks();
        books.OpenBook(books.FindBook(u"März 2026"_s));
        books.AddBooking(books.Expend(), ListRow::Make(u"28.03.2026"_s, {u"7.00"_s, u"Haushalt"_s, u"Kino"_s}));
        books.SaveCurrentBook();
    }

    // Again, as the user would: exactly what is missing is added, nothing twice.
    ImportOnce(Paths, ThreeMonths());
    QStringList expected{u"Einnahme 02.03.2026 1800.00 Sonstige Arbeitgeber GmbH"_s,
                         u"Ausgabe 05.03.2026 3.50 Sonstige Bäckerei Korn"_s,
                         u"Ausgabe 05.03.2026 3.50 Sonstige Bäckerei Korn"_s,
                         u"Ausgabe 09.04.2026 42.90 Sonstige REWE Markt"_s,
                         u"Ausgabe 01.05.2026 12.00 Sonstige Stadtwerke"_s};
    if (editedSince)
        expected.append(u"Ausgabe 28.03.2026 7.00 Haushalt Kino"_s);
    expected.sort();
    QCOMPARE(AllBookings(Paths), expected);
    QCOMPARE(BookedCount(Paths), 5);
    QVERIFY(ImportStore(Paths.ImportStoreFile()).PendingBatches().isEmpty());
}

// A book's file cannot be written: the import is made all the same (it is in the change log),
// the message says so, the other books are written, and the file follows once it can.
void TestImportBooking::aFailedSaveSaysWhatWentIn()
{
    // April's file cannot be replaced: a folder stands in its place.
    QVERIFY(QDir().mkpath(Paths.BookFile(u"April 2026"_s)));
    try {
        ImportOnce(Paths, ThreeMonths());
        QFAIL("the import did not fail");
    } catch (const QelError &error) {
        QVERIFY2(error.Message().contains(u"April 2026.qel"_s), qPrintable(error.Message()));
        QVERIFY2(error.Message().contains(u"Die Änderung ist im Änderungsprotokoll gespeichert"_s),
                 qPrintable(error.Message()));
        QVERIFY2(error.Message().endsWith(u"Übernommen wurden: 3 Buchungen in „März 2026“ (neu angelegt), 1 Buchung "
                                          u"in „April 2026“ (neu angelegt), 1 Buchung in „Mai 2026“ (neu angelegt)."_s),
                 qPrintable(error.Message()));
    }
    QCOMPARE(BookedCount(Paths), 5);
    QCOMPARE(AllBookings(Paths).size(), 4);
    QVERIFY(QDir().rmdir(Paths.BookFile(u"April 2026"_s)));
    QCOMPARE(ImportOnce(Paths, ThreeMonths()).Total(), 0);
    QCOMPARE(AllBookings(Paths).size(), 5);
}

// One coffee imported; then a statement with the day's two equal coffees and a bread, killed
// before its book was written; the book changed by hand; the statement again: both coffees and
// the bread, each once.
void TestImportBooking::equalBookingsSettleAgainstTheBookBefore()
{
    ImportOnce(Paths, Coffees(1, false));
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {u"--coffees-killed-at"_s, u"0"_s, Dir->path()});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    {
        BookManager books(Paths, Regional());
        books.ScanBooks();
        books.OpenBook(books.FindBook(u"Januar 2026"_s));
        books.AddBooking(books.Expend(), ListRow::Make(u"07.01.2026"_s, {u"7.00"_s, u"Haushalt"_s, u"Kino"_s}));
        books.SaveCurrentBook();
    }
    ImportOnce(Paths, Coffees(2, true));
    QCOMPARE(AllBookings(Paths), (QStringList{u"Ausgabe 05.01.2026 2.80 Sonstige Bäckerei Korn"_s,
                                              u"Ausgabe 05.01.2026 3.50 Sonstige Café Mokka"_s,
                                              u"Ausgabe 05.01.2026 3.50 Sonstige Café Mokka"_s,
                                              u"Ausgabe 07.01.2026 7.00 Haushalt Kino"_s}));
    QCOMPARE(BookedCount(Paths), 3);
}

// A synced data folder: each computer keeps its own import store; a statement imported on one
// and then on the other finds its rows in the books.
void TestImportBooking::theOtherComputerBooksNothingTwice()
{
    ImportOnce(Paths, ThreeMonths());
    const QStringList booked = AllBookings(Paths);
    LedgerPaths other = Paths;
    other.ProgramDataFolder = Dir->filePath(u"anderer Rechner/"_s);
    other.CreateFolders();
    QCOMPARE(ImportOnce(other, ThreeMonths()).Total(), 0);
    QCOMPARE(AllBookings(Paths), booked);
}

namespace {
enum class Restore { OwnFolder, AutomaticWithoutStore, StoreUnusable, Refused, None };
}

void TestImportBooking::storeFollowsRestoredBooks_data()
{
    QTest::addColumn<Restore>("restore");
    QTest::addColumn<bool>("removedByHand");
    QTest::addColumn<int>("expected"); // rows of the statement in the books at the end
    // Restored books lack what was imported after their backup: importing again books it.
    QTest::newRow("own folder") << Restore::OwnFolder << false << 5;
    QTest::newRow("automatic copy from before the first import") << Restore::AutomaticWithoutStore << false << 5;
    // The store cannot be opened during the restore: the next import brings it in line.
    QTest::newRow("own folder, the store unusable meanwhile") << Restore::StoreUnusable << false << 5;
    // A booking removed by hand stays away, also when a restore was refused.
    QTest::newRow("removed by hand") << Restore::None << true << 4;
    QTest::newRow("removed by hand, then a restore refused") << Restore::Refused << true << 4;
}

void TestImportBooking::storeFollowsRestoredBooks()
{
    QFETCH(Restore, restore);
    QFETCH(bool, removedByHand);
    QFETCH(int, expected);
    {
        BookManager books(Paths, Regional());
        books.CreateBook(u"März 2026"_s, Now);
    }
    LedgerBackup backups(Paths);
    const QString own = Dir->filePath(u"USB/Sicherung"_s);
    backups.Backup(own, {});
    const std::optional<AutoBackupEntry> automatic = backups.KeepAutomaticCopy(Now);
    QVERIFY(automatic && !QFileInfo::exists(automatic->Folder + u"Kontoimport.sqlite"_s));

    ImportOnce(Paths, ThreeMonths());
    if (removedByHand)
        RemoveBookingByHand(Paths, u"April 2026"_s, u"09.04.2026"_s);
    switch (restore) {
    case Restore::OwnFolder: backups.Restore(own, {}); break;
    case Restore::StoreUnusable: {
        const QString store = Paths.ImportStoreFile();
        QVERIFY(QFile::rename(store, store + u".weg"_s) && QDir().mkpath(store));
        backups.Restore(own, {});
        QVERIFY(QDir().rmdir(store) && QFile::rename(store + u".weg"_s, store));
        break;
    }
    case Restore::AutomaticWithoutStore: backups.Restore(automatic->Folder, {}); break;
    case Restore::Refused: QVERIFY_THROWS_EXCEPTION(QelError, backups.Restore(Dir->filePath(u"fehlt"_s), {})); break;
    case Restore::None: break;
    }
    const bool restored = restore != Restore::Refused && restore != Restore::None;
    if (restored)
        QCOMPARE(AllBookings(Paths), QStringList());

    // What the books lack comes as new and ticked, in the window as on the command line.
    BookManager books(Paths, Regional());
    books.LoadRegular();
    books.ScanBooks();
    const Statement statement = ThreeMonths();
    const QList<ImportCandidate> rows =
        ImportMatcher(LoadMatchContext(books, statement, false), books.RegionalSettings()).Match(statement);
    const qsizetype fresh = std::count_if(rows.cbegin(), rows.cend(), [](const ImportCandidate &c) {
        return c.Status == ImportStatus::New && c.Ticked;
    });
    QCOMPARE(fresh, restored ? 5 : 0);
    ImportOnce(Paths, statement);
    QStringList booked = ThreeMonthsBooked();
    if (expected == 4)
        booked.removeOne(u"Ausgabe 09.04.2026 42.90 Sonstige REWE Markt"_s);
    QCOMPARE(AllBookings(Paths), booked);
    QCOMPARE(BookedCount(Paths), 5);
}

// A restore killed before each of its file system steps, finished or undone at the next start:
// importing again gives every row of the statement exactly once.
void TestImportBooking::restoreKilledAtEveryStep()
{
    for (int step = 1;; ++step) {
        init();
        {
            BookManager books(Paths, Regional());
            books.CreateBook(u"März 2026"_s, Now);
        }
        LedgerBackup(Paths).Backup(Dir->filePath(u"USB/Sicherung"_s), {});
        ImportOnce(Paths, ThreeMonths());
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {u"--restore-killed-at"_s, QString::number(step), Dir->path()});
        QVERIFY(child.waitForFinished(60000));
        const bool killed = child.exitStatus() == QProcess::CrashExit;
        QVERIFY2(killed || child.exitCode() == 0, child.readAllStandardError().constData());

        LedgerBackup(Paths).Recover(); // the next start
        ImportOnce(Paths, ThreeMonths());
        QVERIFY2(AllBookings(Paths) == ThreeMonthsBooked(), qPrintable(u"killed at step %1"_s.arg(step)));
        QCOMPARE(BookedCount(Paths), 5);
        if (!killed)
            break;
        QVERIFY(step < 100);
    }
}

void TestImportBooking::storeKeepsRulesLayoutsAndCounterparties()
{
    const QList<ImportRule> rules{{u"rewe"_s, false, RuleDirection::Expense, u"Haushalt"_s, u"Nahrungsmittel"_s},
                                  {u"^Lohn"_s, true, RuleDirection::Income, u"Gehalt"_s, QString()}};
    CsvColumnChoice choice;
    choice.Date = 0;
    choice.Debit = 3;
    choice.Credit = 4;
    choice.Purpose = 2;
    {
        ImportStore store(Paths.ImportStoreFile());
        store.SetRules(rules);
        store.SetCsvChoice(u"Tag;Wer;Was;Soll;Haben"_s, choice);
    }
    ImportOnce(Paths, ThreeMonths());
    ImportStore store(Paths.ImportStoreFile());
    QCOMPARE(store.Rules(), rules);
    const std::optional<CsvColumnChoice> found = store.CsvChoice(u"Tag;Wer;Was;Soll;Haben"_s);
    QVERIFY(found);
    QCOMPARE(found->Debit, 3);
    QCOMPARE(found->Amount, -1);
    QVERIFY(!store.CsvChoice(u"Tag;Wer"_s));
    const QHash<QString, RememberedBooking> remembered = store.Remembered();
    QCOMPARE(remembered.value(ImportStore::RememberedKey(false, u"rewe markt"_s)).Category, u"Haushalt"_s);
    QCOMPARE(remembered.value(ImportStore::RememberedKey(true, u"Arbeitgeber GmbH"_s)).Category, u"Gehalt"_s);

    // A bank's text of any length is kept to a few thousand characters.
    Statement huge = Coffees(1, false);
    huge.Rows[0].Purpose = QString(100000, u'x');
    huge.Rows[0].Reference = QString(100000, u'r');
    ImportOnce(Paths, huge);
    ImportOnce(Paths, huge); // the capped reference still knows the row
    const QList<StoredBooking> stored = ImportStore(Paths.ImportStoreFile()).ImportedBookings();
    QCOMPARE(stored.back().BankPurpose.size(), ImportStore::MaxBankText);
    QCOMPARE(stored.back().Identity.Reference.size(), RowIdentity::MaxReference);
    QCOMPARE(AllBookings(Paths).count(u"Ausgabe 05.01.2026 3.50 Sonstige Café Mokka"_s), 1);
}

// A store of the version before unticked rows were kept is upgraded without losing anything;
// a new row the user unticked stays unticked when an overlapping statement brings it again,
// until an import books it.
void TestImportBooking::untickedRowStaysUntickedAfterAnUpgrade()
{
    const QList<ImportRule> rules{{u"rewe"_s, false, RuleDirection::Expense, u"Haushalt"_s, u"Nahrungsmittel"_s}};
    ImportStore(Paths.ImportStoreFile()).SetRules(rules);
    ImportOnce(Paths, Coffees(1, false));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"older"_s);
        db.setDatabaseName(Paths.ImportStoreFile());
        QVERIFY(db.open());
        QSqlQuery q(db);
        // as a store of version 2 was: no unticked rows, the column choice in six columns
        QVERIFY(q.exec(u"DROP TABLE unticked"_s));
        for (const char *column : {"purpose_to", "payee", "booking_text", "account"})
            QVERIFY(q.exec(u"ALTER TABLE csv_layouts DROP COLUMN "_s + QLatin1StringView(column)));
        QVERIFY(q.exec(u"INSERT INTO csv_layouts VALUES('Tag;Was;Betrag', 0, 2, -1, -1, -1, 1)"_s));
        QVERIFY(q.exec(u"PRAGMA user_version=2"_s));
    }
    QSqlDatabase::removeDatabase(u"older"_s);

    BookManager books(Paths, Regional());
    books.LoadRegular();
    books.ScanBooks();
    const auto preview = [&books](const Statement &statement) {
        const MatchContext context = LoadMatchContext(books, statement, true);
        return ImportMatcher(context, books.RegionalSettings()).Match(statement);
    };
    const auto book = [&](const QList<ImportCandidate> &rows) {
        return ImportBooking(books, Paths.ImportStoreFile()).Book(rows, {u"a.xml"_s, u"CAMT"_s}, Now).Total();
    };
    QList<ImportCandidate> rows = preview(ThreeMonths());
    rows[1].Ticked = false; // the first of the two equal bakery rows
    QCOMPARE(book(rows), 4);
    {
        ImportStore store(Paths.ImportStoreFile());
        QCOMPARE(store.Rules(), rules);
        QCOMPARE(store.ImportedCount(), 5);
        QCOMPARE(store.Unticked().Size(), 1);
        // a column choice of the older store keeps its columns; the new ones are unset
        CsvColumnChoice choice;
        choice.Date = 0;
        choice.Amount = 2;
        choice.Purpose = 1;
        QCOMPARE(store.CsvChoice(u"Tag;Was;Betrag"_s), std::optional(choice));
    }

    rows = preview(ThreeMonths());
    QCOMPARE(rows.at(1).Status, ImportStatus::New);
    QVERIFY(rows.at(1).UntickedBefore);
    QVERIFY(ChosenRows(rows).isEmpty());
    rows[1].Ticked = true;
    QCOMPARE(book(rows), 1);
    QCOMPARE(ImportStore(Paths.ImportStoreFile()).Unticked().Size(), 0);
    QCOMPARE(AllBookings(Paths).count(u"Ausgabe 05.03.2026 3.50 Sonstige Bäckerei Korn"_s), 2);
}

void TestImportBooking::damagedStoreWithoutBackupIsRefusedAndKept()
{
    QFile file(Paths.ImportStoreFile());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    try {
        ImportOnce(Paths, ThreeMonths());
        QFAIL("the import did not fail");
    } catch (const QelError &error) {
        QVERIFY2(error.Message().contains(u"Kontoimport.sqlite"_s), qPrintable(error.Message()));
        QVERIFY2(error.Message().contains(u"keine automatische Sicherung"_s), qPrintable(error.Message()));
    }
    QCOMPARE(FileBytes(Paths.ImportStoreFile()), QByteArray(4096, 'x'));
    QVERIFY(QDir(Paths.DataFolder).entryList({u"*.qel"_s}).isEmpty());
}

void TestImportBooking::damagedStoreIsTakenBack_data()
{
    QTest::addColumn<bool>("empty");
    QTest::newRow("empty") << true;
    QTest::newRow("not a database") << false;
}

void TestImportBooking::damagedStoreIsTakenBack()
{
    QFETCH(bool, empty);
    const QList<ImportRule> rules{{u"rewe"_s, false, RuleDirection::Expense, u"Haushalt"_s, u"Nahrungsmittel"_s}};
    ImportStore(Paths.ImportStoreFile()).SetRules(rules);
    {
        BookManager books(Paths, Regional());
        books.CreateBook(u"März 2026"_s, Now);
    }
    QVERIFY(LedgerBackup(Paths).KeepAutomaticCopy(Now));
    ImportOnce(Paths, ThreeMonths()); // the store grows after its copy
    const QStringList booked = AllBookings(Paths);
    const QString store = Paths.ImportStoreFile();
    QFile file(store);
    QVERIFY(file.open(QIODevice::ReadWrite));
    if (empty)
        QVERIFY(file.resize(0));
    else
        file.write(QByteArray(100, 'x'));
    file.close();
    const QByteArray damaged = FileBytes(store);

    const QStringList notes = ImportStoreUpkeep(Paths).Prepare();
    QCOMPARE(notes.size(), 1);
    QVERIFY2(notes.front().contains(u"Kontoimport.sqlite.defekt"_s), qPrintable(notes.front()));
    QCOMPARE(FileBytes(store + u".defekt"_s), damaged);
    QCOMPARE(ImportStore(store).Rules(), rules);
    // The copy knows nothing of the later import; its rows are found in the books.
    ImportOnce(Paths, ThreeMonths());
    QCOMPARE(AllBookings(Paths), booked);
}

// An import killed in the middle of changing the store leaves its journal; a restore then must
// not bring an older store beside it, which the journal would damage.
void TestImportBooking::journalOfAKilledChangeSurvivesARestore()
{
    LedgerBackup backups(Paths);
    ImportOnce(Paths, Coffees(1, false));
    const std::optional<AutoBackupEntry> automatic = backups.KeepAutomaticCopy(Now);
    // The store grows well beyond its copy; then a change of a few of its pages is killed.
    Statement many = Coffees(0, false);
    for (int i = 1; i <= 600; ++i)
        many.Rows.append(Row({2026, 1, 1 + i % 28}, 100 + i, false, u"Laden %1"_s.arg(i), u"Einkauf %1"_s.arg(i)));
    ImportOnce(Paths, many);
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {u"--store-killed-in-change"_s, Dir->path()});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    QVERIFY(QFileInfo(Paths.ImportStoreFile() + u"-journal"_s).size() > 0);

    backups.Restore(automatic->Folder, {});
    QCOMPARE(AllBookings(Paths), QStringList{u"Ausgabe 05.01.2026 3.50 Sonstige Café Mokka"_s});
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"check"_s);
        db.setDatabaseName(Paths.ImportStoreFile());
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(u"PRAGMA integrity_check"_s) && q.next());
        QCOMPARE(q.value(0).toString(), u"ok"_s);
    }
    QSqlDatabase::removeDatabase(u"check"_s);
    QCOMPARE(ImportOnce(Paths, many).Total(), 600);
    QCOMPARE(ImportOnce(Paths, many).Total(), 0);
}

// A full disk and a read-only one each named as such, with what to do (tmpfs, where root may mount).
void TestImportBooking::storeErrorsSayWhatToDo()
{
    const QString mount = Dir->filePath(u"klein"_s);
    QVERIFY(QDir().mkpath(mount));
    if (QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=256k"_s, u"tmpfs"_s, mount}) != 0)
        QSKIP("mounting needs root here");
    const auto unmount = qScopeGuard([&] { QProcess::execute(u"umount"_s, {mount}); });
    const QString store = mount + u"/Kontoimport.sqlite"_s;
    ImportStore(store).SetRules({{u"rewe"_s, false, RuleDirection::Expense, u"Haushalt"_s, u"Nahrungsmittel"_s}});
    const auto failure = [&](const QList<ImportRule> &rules) {
        try {
            ImportStore(store).SetRules(rules);
        } catch (const QelError &error) {
            return error.Message();
        }
        return QString();
    };
    const QList<ImportRule> many(2000, {QString(200, u'x'), false, RuleDirection::Both, u"K"_s, u"V"_s});
    QVERIFY2(failure(many).endsWith(u"Auf dem Datenträger ist kein Platz mehr. Bitte schaffen Sie Platz und "
                                    u"versuchen Sie es noch einmal."_s),
             qPrintable(failure(many)));
    QCOMPARE(ImportStore(store).Rules().size(), 1);
    QCOMPARE(QProcess::execute(u"mount"_s, {u"-o"_s, u"remount,ro"_s, mount}), 0);
    const QString readOnly = failure({});
    QVERIFY2(readOnly.contains(u"schreibgeschützt"_s) && readOnly.contains(u"Kontoimport.sqlite"_s),
             qPrintable(readOnly));
}

void TestImportBooking::everyBankStatementTwiceAddsNothing_data()
{
    QTest::addColumn<QString>("file");
    const QDir dir(QStringLiteral(QEL_STATEMENTS_DIR));
    // every statement that is read (those with their expectation beside them)
    for (const QFileInfo &info : dir.entryInfoList({u"*.expected"_s}, QDir::Files, QDir::Name))
        QTest::newRow(qPrintable(info.completeBaseName())) << dir.filePath(info.completeBaseName());
}

void TestImportBooking::everyBankStatementTwiceAddsNothing()
{
    QFETCH(QString, file);
    StatementReadResult read = ReadStatementFile(file);
    if (const auto *layout = std::get_if<UnknownCsvLayout>(&read)) {
        const CsvColumnChoice choice = GuessCsvLayout(*layout).Choice;
        read = ReadStatementFile(file, [&choice](const QString &) { return std::optional(choice); });
    }
    QVERIFY(std::holds_alternative<Statement>(read));
    const Statement &statement = std::get<Statement>(read);
    const ImportOutcome first = ImportOnce(Paths, statement);
    const qsizetype booked = std::count_if(statement.Rows.cbegin(), statement.Rows.cend(), [](const StatementRow &r) {
        return !r.Pending && r.AmountCents > 0 && (r.Currency.isEmpty() || r.Currency == u"EUR");
    });
    // Every booked euro row went in, unless it looked present already (equal rows days apart).
    QVERIFY2(first.Total() > 0 || booked == 0, qPrintable(file));
    QVERIFY(first.Total() <= booked);
    const QStringList books = AllBookings(Paths);
    QCOMPARE(books.size(), first.Total());

    QCOMPARE(ImportOnce(Paths, statement).Total(), 0);
    QCOMPARE(AllBookings(Paths), books);
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The child of aKillLeavesStoreAndBooksConsistent: imports and ends itself at a step.
    if (argc == 4 && qstrcmp(argv[1], "--import-killed-at") == 0) {
        ImportOnce(PathsIn(QString::fromLocal8Bit(argv[3])), ThreeMonths(), QByteArray(argv[2]).toInt());
        return 0;
    }
    if (argc == 4 && qstrcmp(argv[1], "--coffees-killed-at") == 0) {
        ImportOnce(PathsIn(QString::fromLocal8Bit(argv[3])), Coffees(2, true), QByteArray(argv[2]).toInt());
        return 0;
    }
    // A restore from DIR/USB/Sicherung that never comes back from its n-th file system step.
    if (argc == 4 && qstrcmp(argv[1], "--restore-killed-at") == 0) {
        const QString dir = QString::fromLocal8Bit(argv[3]);
        KillingOps ops(QByteArray(argv[2]).toInt());
        LedgerBackup(PathsIn(dir), &ops).Restore(dir + u"/USB/Sicherung"_s, {});
        return 0;
    }
    // A change of the import store that never ends: its journal stays behind.
    if (argc == 3 && qstrcmp(argv[1], "--store-killed-in-change") == 0) {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s);
        db.setDatabaseName(PathsIn(QString::fromLocal8Bit(argv[2])).ImportStoreFile());
        QSqlQuery q(db.open() ? db : QSqlDatabase());
        q.exec(u"PRAGMA cache_size=1"_s);
        q.exec(u"BEGIN"_s);
        for (int i = 0; i < 200; ++i) {
            q.exec(u"INSERT INTO rules(pattern, regex, direction, category, purpose) VALUES('%1', 0, 0, 'K', 'V')"_s.arg(
                QString(300, u'y')));
        }
        std::raise(SIGKILL);
    }
    TestImportBooking test;
    // QTest reports an escaped error without its text; say what it was.
    try {
        return QTest::qExec(&test, argc, argv);
    } catch (const QelError &error) {
        qFatal("%s", qPrintable(error.Message()));
    }
}

#include "tst_importbooking.moc"
