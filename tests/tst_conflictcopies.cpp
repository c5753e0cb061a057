#include "changes/ChangeLog.h"
#include "books/BookManager.h"
#include "ledger/ConflictCopies.h"
#include "ledger/ListFiles.h"
#include "sync/ReconcileMark.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString March = u"März 2026"_s;

// One computer with its own program data folder and its own copy of the synced data folder.
struct Computer
{
    explicit Computer(const QString &root)
    {
        Paths.ProgramDataFolder = root + u"/Programm/"_s;
        Paths.DataFolder = root + u"/Daten/"_s;
        Paths.CreateFolders();
    }
    // The program started there: the book list read, the book open (made when missing).
    std::unique_ptr<BookManager> Open(const QString &book = March) const
    {
        auto books = std::make_unique<BookManager>(Paths, Regional());
        books->LoadRegular();
        books->ScanBooks();
        if (books->FindBook(book) < 0)
            books->CreateBook(book, QDateTime::currentDateTime());
        else
            books->OpenBook(books->FindBook(book));
        return books;
    }
    void Add(const QString &purpose, const QString &amount = u"1.00"_s, const QString &book = March) const
    {
        auto books = Open(book);
        books->AddBooking(books->Expend(), ListRow::Make(u"02.03.2026"_s, {amount, u"K"_s, purpose}));
        books->SaveChange(books->Expend());
    }
    // Changes the amount of (or removes, with an empty amount) the first booking of the purpose.
    bool Change(const QString &purpose, const QString &amount) const
    {
        auto books = Open();
        for (qsizetype r = 0; r < books->Expend().RowCount(); ++r) {
            if (books->Expend().Row(r).SubItem(2) != purpose)
                continue;
            if (amount.isEmpty())
                books->RemoveBooking(books->Expend(), r);
            else
                books->EditBooking(books->Expend(), r, books->Expend().Row(r).Caption, {amount, u"K"_s, purpose});
            books->SaveChange(books->Expend());
            return true;
        }
        return false;
    }
    // The book's expenses as the file holds them: "purpose amount", sorted.
    QStringList Bookings(const QString &book = March) const
    {
        QStringList all;
        if (!QFileInfo::exists(Paths.BookFile(book)))
            return all;
        BookingList income(ListKind::Income);
        BookingList expend(ListKind::Expend);
        ListFiles::ParseMonthBook(ListFiles::ReadFile(Paths.BookFile(book)), income, expend);
        for (const ListRow &row : expend.Rows())
            all.append(row.SubItem(2) + u' ' + row.SubItem(0));
        all.sort();
        return all;
    }
    QMap<QString, QByteArray> LedgerFiles() const
    {
        QMap<QString, QByteArray> files;
        for (const QString &name : QDir(Paths.DataFolder).entryList(QDir::Files))
            files.insert(name, ListFiles::ReadFile(Paths.DataFolder + name));
        return files;
    }
    LedgerPaths Paths;
};

// What a synchronisation tool does between two computers: every log arrives as it is (only its
// own computer writes it); a ledger file that differs arrives in place, or (conflict) beside the
// receiver's version as a conflict copy, the one or the other renamed.
enum class Arrival { InPlace, CopyOfTheirs, CopyOfOurs };

void Deliver(const Computer &from, const Computer &to, Arrival arrival = Arrival::InPlace)
{
    const QString fromLogs = ChangeLog::FolderOf(from.Paths.DataFolder);
    const QString toLogs = ChangeLog::FolderOf(to.Paths.DataFolder);
    QDir().mkpath(toLogs);
    // A log only grows: the newer (longer) one wins, never an older one over a newer.
    for (const QString &log : QDir(fromLogs).entryList({u"*.log"_s}, QDir::Files)) {
        if (QFileInfo(toLogs + log).size() >= QFileInfo(fromLogs + log).size())
            continue;
        QFile::remove(toLogs + log);
        QVERIFY(QFile::copy(fromLogs + log, toLogs + log));
    }
    static int copies = 0;
    for (const QString &name : QDir(from.Paths.DataFolder).entryList(QDir::Files)) {
        const QString source = from.Paths.DataFolder + name;
        const QString target = to.Paths.DataFolder + name;
        if (QFileInfo::exists(target) && ListFiles::ReadFile(source) == ListFiles::ReadFile(target))
            continue;
        const QString copy = to.Paths.DataFolder + QFileInfo(name).completeBaseName()
                             + u".sync-conflict-20260308-1015%1-ABCDEF7."_s.arg(++copies % 60, 2, 10, QChar(u'0'))
                             + QFileInfo(name).suffix();
        if (arrival == Arrival::InPlace || !QFileInfo::exists(target)) {
            QFile::remove(target);
            QVERIFY(QFile::copy(source, target));
        } else if (arrival == Arrival::CopyOfTheirs) {
            QVERIFY(QFile::copy(source, copy));
        } else {
            QVERIFY(QFile::rename(target, copy));
            QVERIFY(QFile::copy(source, target));
        }
    }
}

} // namespace

// One ledger on several computers through a synced data folder: each computer's change log
// arrives whole, the books follow from the logs, and whatever the tool does with the books'
// files (in place, or as conflict copies either way round) no booking is lost or doubled.
class TestConflictCopies : public QObject
{
    Q_OBJECT

private slots:
    void namesOfTheTools_data();
    void namesOfTheTools();
    void noBooksOfTheirOwn();
    void twoComputers_data();
    void twoComputers();
    void threeComputersTwoCopiesAtOnce();
    void randomChangesAndSyncs();
    void aStartInLineReadsTheFilesAlone();
    void changesInARowTrustOnlyWhatTheyWrote();
    void filesDatedOutsideTheLogsTimesAreTakenInReadably();
};

void TestConflictCopies::namesOfTheTools_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("original"); // empty: no conflict copy
    const QString march = u"März 2026.qel"_s;
    QTest::newRow("Syncthing") << u"März 2026.sync-conflict-20260308-101500-ABCDEF7.qel"_s << march;
    QTest::newRow("Syncthing, letter case") << u"März 2026.SYNC-CONFLICT-20260308-101500-abcdef7.qel"_s << march;
    QTest::newRow("Nextcloud") << u"März 2026 (conflicted copy 2026-03-08 101500).qel"_s << march;
    QTest::newRow("Nextcloud with the user") << u"März 2026 (conflicted copy maria 2026-03-08 101500).qel"_s << march;
    QTest::newRow("Dropbox, German") << u"März 2026 (Peters in Konflikt stehende Kopie 2026-03-08).qel"_s << march;
    QTest::newRow("Dropbox, English") << u"März 2026 (Peter's conflicted copy 2026-03-08).qel"_s << march;
    QTest::newRow("Dropbox, the second") << u"März 2026 (Peter's conflicted copy 2026-03-08) (1).qel"_s << march;
    QTest::newRow("Dropbox, French") << u"März 2026 (copie en conflit de Pierre 2026-03-08).qel"_s << march;
    QTest::newRow("Regular.dat, Syncthing") << u"Regular.sync-conflict-20260308-101500-ABCDEF7.dat"_s
                                            << u"Regular.dat"_s;
    QTest::newRow("Regular.dat, Nextcloud") << u"Regular (conflicted copy 2026-03-08 101500).dat"_s << u"Regular.dat"_s;
    QTest::newRow("a book") << march << QString();
    QTest::newRow("a copy made by hand") << u"März 2026 (Kopie).qel"_s << QString();
    QTest::newRow("no ledger file") << u"Notizen.sync-conflict-20260308-101500-ABCDEF7.txt"_s << QString();
    QTest::newRow("no mark") << u"März 2026.sync-conflict.qel"_s << QString();
}

void TestConflictCopies::namesOfTheTools()
{
    QFETCH(QString, name);
    QFETCH(QString, original);
    QCOMPARE(ConflictCopies::OriginalName(name).value_or(QString()), original);
}

// Never listed, searched or counted as a book; explained by the logs, moved out of the folder.
void TestConflictCopies::noBooksOfTheirOwn()
{
    QTemporaryDir dir;
    const Computer here(dir.path());
    here.Add(u"Brot"_s);
    for (const QString &copy : {u"März 2026.sync-conflict-20260308-101500-ABCDEF7.qel"_s,
                                u"März 2026 (conflicted copy 2026-03-08 101500).qel"_s})
        QVERIFY(QFile::copy(here.Paths.BookFile(March), here.Paths.DataFolder + copy));
    auto books = here.Open();
    QCOMPARE(books->Books().RowCount(), 1);
    QCOMPARE(ConflictCopies::InFolder(here.Paths.DataFolder), QStringList());
    QCOMPARE(QDir(here.Paths.MergedCopiesFolder()).entryList(QDir::Files).size(), 2);
    QCOMPARE(here.Bookings(), QStringList{u"Brot 1.00"_s});
}

void TestConflictCopies::twoComputers_data()
{
    QTest::addColumn<QString>("story");
    QTest::addColumn<int>("arrival");
    QTest::addColumn<QStringList>("expected");
    const QList<std::pair<const char *, Arrival>> arrivals{
        {"in place", Arrival::InPlace}, {"copy of theirs", Arrival::CopyOfTheirs}, {"copy of ours", Arrival::CopyOfOurs}};
    const QList<std::tuple<const char *, QString, QStringList>> stories{
        {"corrected there", u"corrected"_s, {u"Kaffee 2.50"_s, u"Kuchen 1.00"_s}},
        {"same rent on both, socks here", u"rent"_s, {u"Miete 800.00"_s, u"Miete 800.00"_s, u"Socken 5.00"_s}},
        {"same book made on both, a coffee each", u"made twice"_s, {u"Kaffee 1.00"_s, u"Kaffee 1.00"_s}},
        {"removed there, added here", u"removed"_s, {u"Kuchen 1.00"_s}},
        {"changed on both", u"changed on both"_s, {u"Kaffee 2.00"_s, u"Kaffee 3.00"_s}},
    };
    for (const auto &[name, story, expected] : stories) {
        for (const auto &[how, arrival] : arrivals)
            QTest::addRow("%s, %s", name, how) << story << int(arrival) << expected;
    }
}

void TestConflictCopies::twoComputers()
{
    QFETCH(QString, story);
    QFETCH(int, arrival);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    const Computer here(dir.filePath(u"hier"_s));
    const Computer there(dir.filePath(u"dort"_s));
    if (story == u"corrected"_s) {
        here.Add(u"Kaffee"_s);
        Deliver(here, there);
        QVERIFY(there.Change(u"Kaffee"_s, u"2.50"_s));
        here.Add(u"Kuchen"_s);
    } else if (story == u"rent"_s) {
        here.Add(u"Miete"_s, u"800.00"_s);
        there.Add(u"Miete"_s, u"800.00"_s);
        here.Add(u"Socken"_s, u"5.00"_s);
    } else if (story == u"made twice"_s) {
        here.Add(u"Kaffee"_s);
        there.Add(u"Kaffee"_s);
    } else if (story == u"removed"_s) {
        here.Add(u"Kaffee"_s);
        Deliver(here, there);
        QVERIFY(there.Change(u"Kaffee"_s, QString()));
        here.Add(u"Kuchen"_s);
    } else {
        here.Add(u"Kaffee"_s);
        Deliver(here, there);
        QVERIFY(here.Change(u"Kaffee"_s, u"2.00"_s));
        QVERIFY(there.Change(u"Kaffee"_s, u"3.00"_s));
    }
    // The tool brings there's files here, and here's there; a command runs here before the
    // program sees the copies.
    Deliver(there, here, Arrival(arrival));
    Deliver(here, there, Arrival(arrival));
    here.Add(u"Tee"_s, u"0.50"_s, u"April 2026"_s);
    QCOMPARE(here.Bookings(), expected);
    Deliver(here, there);
    there.Open();
    QCOMPARE(there.Bookings(), expected);
    QCOMPARE(there.LedgerFiles(), here.LedgerFiles());
    QCOMPARE(ConflictCopies::InFolder(here.Paths.DataFolder), QStringList());
    QCOMPARE(ConflictCopies::InFolder(there.Paths.DataFolder), QStringList());
}

void TestConflictCopies::threeComputersTwoCopiesAtOnce()
{
    QTemporaryDir dir;
    const Computer a(dir.filePath(u"a"_s));
    const Computer b(dir.filePath(u"b"_s));
    const Computer c(dir.filePath(u"c"_s));
    a.Add(u"Brot"_s);
    Deliver(a, b);
    Deliver(a, c);
    b.Add(u"Milch"_s);
    c.Add(u"Käse"_s);
    QVERIFY(c.Change(u"Brot"_s, u"1.20"_s));
    Deliver(b, a, Arrival::CopyOfTheirs);
    Deliver(c, a, Arrival::CopyOfTheirs);
    QCOMPARE(ConflictCopies::InFolder(a.Paths.DataFolder).size(), 2);
    a.Open();
    const QStringList all{u"Brot 1.20"_s, u"Käse 1.00"_s, u"Milch 1.00"_s};
    QCOMPARE(a.Bookings(), all);
    for (const Computer *other : {&b, &c}) {
        Deliver(a, *other, Arrival::CopyOfOurs);
        other->Open();
        QCOMPARE(other->Bookings(), all);
    }
}

// Random bookings, changes and removals on three computers, synced in random directions and
// ways at random moments. Once everything has arrived everywhere, every computer holds the same
// files, nothing anybody added and nobody removed is missing, and nothing is there twice that
// was not changed on two computers at once.
void TestConflictCopies::randomChangesAndSyncs()
{
    QRandomGenerator random(4711);
    QTemporaryDir dir;
    const std::vector<Computer> computers{Computer(dir.filePath(u"a"_s)), Computer(dir.filePath(u"b"_s)),
                                          Computer(dir.filePath(u"c"_s))};
    QSet<QString> added;   // purposes, each added once
    QSet<QString> touched; // changed or removed somewhere
    int next = 0;
    for (int step = 0; step < 60; ++step) {
        const Computer &here = computers[random.bounded(3)];
        const int what = random.bounded(10);
        if (what < 4) {
            const QString purpose = u"B%1"_s.arg(++next);
            here.Add(purpose);
            added.insert(purpose);
        } else if (what < 6 && !added.isEmpty()) {
            const QStringList all(added.cbegin(), added.cend());
            const QString purpose = all.at(random.bounded(int(all.size())));
            if (here.Change(purpose, what == 4 ? QString() : u"9.00"_s))
                touched.insert(purpose);
        } else {
            const Computer &other = computers[random.bounded(3)];
            if (&other != &here)
                Deliver(here, other, Arrival(random.bounded(3)));
        }
    }
    for (int round = 0; round < 2; ++round) {
        for (const Computer &from : computers) {
            for (const Computer &to : computers) {
                if (&from != &to)
                    Deliver(from, to, Arrival::CopyOfTheirs);
            }
        }
        for (const Computer &computer : computers)
            computer.Open();
    }
    const QStringList final = computers[0].Bookings();
    for (const Computer &computer : computers) {
        QCOMPARE(computer.Bookings(), final);
        QCOMPARE(ConflictCopies::InFolder(computer.Paths.DataFolder), QStringList());
    }
    for (const QString &purpose : std::as_const(added)) {
        const qsizetype count = std::count_if(final.cbegin(), final.cend(),
                                              [&](const QString &b) { return b.section(u' ', 0, 0) == purpose; });
        if (!touched.contains(purpose))
            QVERIFY2(count == 1, qPrintable(purpose + u": "_s + QString::number(count)));
    }
}

// While the files say all the logs would, a start reads the files alone; the first change, an
// arrival and a booking standing in two versions read the logs, and the rows keep their bookings.
void TestConflictCopies::aStartInLineReadsTheFilesAlone()
{
    QTemporaryDir dir;
    const Computer here(dir.filePath(u"hier"_s));
    const Computer there(dir.filePath(u"dort"_s));
    here.Add(u"Kaffee"_s);
    here.Add(u"Kuchen"_s);
    {
        auto books = here.Open();
        QVERIFY(!books->LogsRead());
        QCOMPARE(books->Expend().RowCount(), 2);
        const qsizetype row = books->Expend().Row(0).SubItem(2) == u"Kaffee"_s ? 0 : 1;
        books->EditBooking(books->Expend(), row, books->Expend().Row(row).Caption, {u"2.50"_s, u"K"_s, u"Kaffee"_s});
        QVERIFY(books->LogsRead());
        books->SaveChange(books->Expend());
        const ChangeEntry &made = books->Changes().OwnEntries().back();
        QCOMPARE(made.Bookings.size(), 1);
        QVERIFY(!made.Bookings.at(0).Base.isEmpty());
    }
    QCOMPARE(here.Bookings(), (QStringList{u"Kaffee 2.50"_s, u"Kuchen 1.00"_s}));

    Deliver(here, there);
    // The logs read meanwhile go as far as they stood when the files were read: what came
    // after that is an arrival.
    auto running = here.Open();
    QVERIFY(!running->LogsRead());
    there.Add(u"Tee"_s);
    Deliver(there, here);
    running->PrepareLogs();
    QCOMPARE(running->Sync().Arrived, 1);
    QCOMPARE(running->Expend().RowCount(), 3);
    running.reset();

    // Changed on both: told at every start until one version goes.
    QVERIFY(here.Change(u"Tee"_s, u"2.00"_s));
    QVERIFY(there.Change(u"Tee"_s, u"3.00"_s));
    Deliver(there, here);
    for (int start = 0; start < 2; ++start) {
        auto books = here.Open();
        QVERIFY(books->LogsRead());
        QVERIFY(books->TakeNotes().join(u' ').contains(u"auf zwei Rechnern zugleich"_s));
    }
}

// A change looks again at the files it wrote; a file changed beside the program meanwhile keeps
// the folder out of line, so the next start compares it with the logs.
void TestConflictCopies::changesInARowTrustOnlyWhatTheyWrote()
{
    QTemporaryDir dir;
    const Computer here(dir.filePath(u"hier"_s));
    const QString april = u"April 2026"_s;
    here.Add(u"Brot"_s, u"1.00"_s, april);
    here.Add(u"Kaffee"_s);
    auto books = here.Open();
    for (const QString &purpose : {u"Tee"_s, u"Saft"_s}) {
        books->AddBooking(books->Expend(), ListRow::Make(u"03.03.2026"_s, {u"1.00"_s, u"K"_s, purpose}));
        books->SaveChange(books->Expend());
        QVERIFY(ReconcileMark::FilesSayAll(here.Paths));
    }
    QVERIFY(!here.Open()->LogsRead());

    const QString other = here.Paths.BookFile(april);
    QFile file(other);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    file.close();
    books->AddBooking(books->Expend(), ListRow::Make(u"04.03.2026"_s, {u"1.00"_s, u"K"_s, u"Milch"_s}));
    books->SaveChange(books->Expend());
    QVERIFY(!ReconcileMark::FilesSayAll(here.Paths));
    books.reset();
    QVERIFY(here.Open()->LogsRead());
    QCOMPARE(here.Bookings(april), QStringList{u"Brot 1.00"_s});

    // Bytes put in place beside the program between two changes are kept before the next one.
    auto running = here.Open();
    running->AddBooking(running->Expend(), ListRow::Make(u"05.03.2026"_s, {u"1.00"_s, u"K"_s, u"Zucker"_s}));
    running->SaveChange(running->Expend());
    const QByteArray foreign = ListFiles::ReadFile(other);
    QFile march(here.Paths.BookFile(March));
    QVERIFY(march.open(QIODevice::WriteOnly) && march.write(foreign) == foreign.size());
    march.close();
    running->AddBooking(running->Expend(), ListRow::Make(u"06.03.2026"_s, {u"1.00"_s, u"K"_s, u"Salz"_s}));
    running->SaveChange(running->Expend());
    QCOMPARE(ListFiles::ReadFile(here.Paths.BookFile(March) + u".defekt"_s), foreign);
}

// A book changed beside the program whose file is dated before 1970 or after 2262: its
// adoption is written so that the log reads back whole.
void TestConflictCopies::filesDatedOutsideTheLogsTimesAreTakenInReadably()
{
    for (const QDateTime &when : {QDateTime(QDate(1960, 1, 1), QTime(12, 0)), QDateTime(QDate(2300, 1, 1), QTime(0, 0))}) {
        QTemporaryDir dir;
        const Computer here(dir.filePath(u"hier"_s));
        const Computer there(dir.filePath(u"dort"_s));
        here.Add(u"Kaffee"_s);
        there.Add(u"Tee"_s);
        const QByteArray edited = ListFiles::ReadFile(there.Paths.BookFile(March));
        QFile file(here.Paths.BookFile(March));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(edited) == edited.size());
        file.close();
        QVERIFY(file.open(QIODevice::ReadOnly) && file.setFileTime(when, QFileDevice::FileModificationTime));
        file.close();
        QCOMPARE(QFileInfo(file).lastModified(), when);
        here.Open();
        QVERIFY(QFile::remove(here.Paths.ProgramDataFolder + u"Abgleich.txt"_s));
        BookManager again(here.Paths, Regional());
        QCOMPARE(again.ScanBooks(), QStringList());
        QCOMPARE(here.Bookings(), QStringList{u"Tee 1.00"_s});
    }
}

QTEST_GUILESS_MAIN(TestConflictCopies)
#include "tst_conflictcopies.moc"
