#include "ledger/BookManager.h"
#include "ledger/BookMerge.h"
#include "ledger/ConflictCopies.h"
#include "ledger/ConflictMerger.h"
#include "ledger/ListFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A book's expenses, one letter each: "a" is an expense of 1.00 on the 1st with purpose "a";
// a digit d is the 2nd's booking "b" changed to d.00.
QByteArray Book(const QString &letters)
{
    BookingList income(ListKind::Income);
    BookingList expend(ListKind::Expend);
    for (const QChar letter : letters) {
        const int day = letter.isDigit() ? 2 : letter.unicode() - u'a' + 1;
        const int amount = letter.isDigit() ? letter.digitValue() : day;
        expend.AddRow(ListRow::Make(u"%1.03.2026"_s.arg(day, 2, 10, QChar(u'0')), {u"%1.00"_s.arg(amount), u"K"_s, letter}));
    }
    expend.SortByCaption(Regional());
    return ListFiles::MonthBookBytes(income, expend);
}

// The purposes of a book's expenses, in order: "acxy".
QString Letters(const QByteArray &bytes)
{
    BookingList income(ListKind::Income);
    BookingList expend(ListKind::Expend);
    ListFiles::ParseMonthBook(bytes, income, expend);
    QString letters;
    for (const ListRow &row : expend.Rows())
        letters += row.SubItem(2);
    return letters;
}

// One computer with its own program data folder and its view of the shared data folder.
struct Machine
{
    explicit Machine(const QString &root)
    {
        Paths.ProgramDataFolder = root + u"/Programm/"_s;
        Paths.DataFolder = root + u"/Daten/"_s;
        Paths.CreateFolders();
    }
    BookManager Open(const QString &book) const
    {
        BookManager books(Paths, Regional());
        books.ScanBooks();
        if (books.FindBook(book) < 0)
            books.CreateBook(book, QDateTime::currentDateTime());
        else
            books.OpenBook(books.FindBook(book));
        return books;
    }
    // Each booking saved as a dialog saves it.
    void Add(const QString &letters) const
    {
        BookManager books = Open(u"März 2026"_s);
        for (const QChar letter : letters) {
            BookingList income(ListKind::Income);
            BookingList one(ListKind::Expend);
            ListFiles::ParseMonthBook(Book(letter), income, one);
            books.AddBooking(books.Expend(), one.Row(0));
            books.SaveCurrentBook();
        }
    }
    void Remove(QChar letter) const
    {
        BookManager books = Open(u"März 2026"_s);
        for (qsizetype r = 0; r < books.Expend().RowCount(); ++r) {
            if (books.Expend().Row(r).SubItem(2) == letter) {
                books.RemoveBooking(books.Expend(), r);
                books.SaveCurrentBook();
                return;
            }
        }
    }
    QString File() const { return Paths.BookFile(u"März 2026"_s); }
    LedgerPaths Paths;
};

} // namespace

class TestConflictCopies : public QObject
{
    Q_OBJECT

private slots:
    void namesOfTheTools_data();
    void namesOfTheTools();
    void noBooksOfTheirOwn();
    void mergeBookingByBooking_data();
    void mergeBookingByBooking();
    void regularBookingsTheSameWay();
    void twoMachinesEitherRename_data();
    void twoMachinesEitherRename();
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

// Never listed, searched or counted as a book.
void TestConflictCopies::noBooksOfTheirOwn()
{
    QTemporaryDir dir;
    LedgerPaths paths;
    paths.ProgramDataFolder = dir.filePath(u"Programm/"_s);
    paths.DataFolder = dir.filePath(u"Daten/"_s);
    paths.CreateFolders();
    BookManager books(paths, Regional());
    books.CreateBook(u"März 2026"_s, QDateTime::currentDateTime());
    for (const QString &copy : {u"März 2026.sync-conflict-20260308-101500-ABCDEF7.qel"_s,
                                u"März 2026 (conflicted copy 2026-03-08 101500).qel"_s})
        QVERIFY(QFile::copy(paths.BookFile(u"März 2026"_s), paths.DataFolder + copy));
    books.ScanBooks();
    QCOMPARE(books.Books().RowCount(), 1);
    QCOMPARE(ConflictCopies::InFolder(paths.DataFolder).size(), 2);
}

void TestConflictCopies::mergeBookingByBooking_data()
{
    QTest::addColumn<QStringList>("history"); // this machine's versions, oldest first
    QTest::addColumn<QString>("ours");
    QTest::addColumn<QString>("theirs");
    QTest::addColumn<QString>("merged");
    QTest::addColumn<QList<int>>("counts"); // added, removed, changed, changed on both

    // Here a, b, c were written, then y; there b was deleted and x added.
    QTest::newRow("each booking saved") << QStringList{u"a"_s, u"ab"_s, u"abc"_s, u"abcy"_s} << u"abcy"_s << u"acx"_s
                                        << u"acxy"_s << QList<int>{1, 1, 0, 0};
    QTest::newRow("a, b, c saved at once") << QStringList{u"abc"_s, u"abcy"_s} << u"abcy"_s << u"acx"_s << u"acxy"_s
                                           << QList<int>{1, 1, 0, 0};
    QTest::newRow("an import there, one of it deleted here")
        << QStringList{u"a"_s, u"abcd"_s, u"acd"_s} << u"acd"_s << u"abcde"_s << u"acde"_s << QList<int>{1, 0, 0, 0};
    QTest::newRow("seen there already: nothing twice") << QStringList{u"a"_s, u"ax"_s} << u"ax"_s << u"ax"_s << u"ax"_s
                                                        << QList<int>{0, 0, 0, 0};
    QTest::newRow("two equal bookings stay two") << QStringList{u"a"_s, u"aa"_s} << u"aa"_s << u"a"_s << u"aa"_s
                                                 << QList<int>{0, 0, 0, 0};
    QTest::newRow("changed there: the change carried") << QStringList{u"a"_s, u"ab"_s, u"abc"_s} << u"abc"_s
                                                       << u"a7c"_s << u"a7c"_s << QList<int>{0, 0, 1, 0};
    QTest::newRow("changed here, seen there: kept") << QStringList{u"a"_s, u"ab"_s, u"a7"_s} << u"a7"_s << u"ab"_s
                                                    << u"a7"_s << QList<int>{0, 0, 0, 0};
    QTest::newRow("changed differently on both: both kept")
        << QStringList{u"a"_s, u"ab"_s, u"a7"_s} << u"a7"_s << u"a8"_s << u"a78"_s << QList<int>{1, 0, 0, 1};
    QTest::newRow("no version known: nothing removed") << QStringList() << u"ab"_s << u"ac"_s << u"abc"_s
                                                       << QList<int>{1, 0, 0, 0};
}

void TestConflictCopies::mergeBookingByBooking()
{
    QFETCH(QStringList, history);
    QFETCH(QString, ours);
    QFETCH(QString, theirs);
    QFETCH(QString, merged);
    QFETCH(QList<int>, counts);
    QList<QByteArray> versions;
    for (const QString &version : history)
        versions.append(Book(version));
    const MergeOutcome outcome = MergeLedgerFile(false, Book(ours), Book(theirs), VersionHistory::Of(versions), Regional());
    QCOMPARE(Letters(outcome.Bytes), merged);
    QCOMPARE((QList<int>{outcome.Added, outcome.Removed, outcome.Changed, outcome.ChangedOnBoth}), counts);
}

void TestConflictCopies::regularBookingsTheSameWay()
{
    const auto regular = [](const QStringList &days) {
        BookingList list(ListKind::Regular);
        for (const QString &day : days)
            list.AddRow(ListRow::Make(day, {u"10.00"_s, u"Wohnen"_s, u"Miete "_s + day, u"Ausgabe"_s}));
        list.SortByCaption(Regional());
        return ListFiles::RegularBytes(list);
    };
    // Here the 4th was added; there the 1st was removed and the 3rd added.
    const MergeOutcome outcome =
        MergeLedgerFile(true, regular({u"01."_s, u"02."_s, u"04."_s}), regular({u"02."_s, u"03."_s}),
                        VersionHistory::Of({regular({u"01."_s, u"02."_s}), regular({u"01."_s, u"02."_s, u"04."_s})}),
                        Regional());
    BookingList merged(ListKind::Regular);
    ListFiles::ParseRegular(outcome.Bytes, merged);
    QStringList days;
    for (const ListRow &row : merged.Rows())
        days.append(row.Caption);
    QCOMPARE(days, (QStringList{u"02."_s, u"03."_s, u"04."_s}));
    QCOMPARE((QList<int>{outcome.Added, outcome.Removed}), (QList<int>{1, 1}));
}

void TestConflictCopies::twoMachinesEitherRename_data()
{
    QTest::addColumn<QString>("copy");
    QTest::addColumn<bool>("oursRenamed"); // the tool renamed this machine's version
    const QStringList copies{u"März 2026.sync-conflict-20260308-101500-ABCDEF7.qel"_s,
                             u"März 2026 (conflicted copy 2026-03-08 101500).qel"_s,
                             u"März 2026 (Peters in Konflikt stehende Kopie 2026-03-08).qel"_s};
    for (const QString &copy : copies) {
        QTest::addRow("%s, theirs renamed", qPrintable(copy)) << copy << false;
        QTest::addRow("%s, ours renamed", qPrintable(copy)) << copy << true;
    }
}

// Two computers, each with its own program folder, their data folders kept in step by copying
// files as a synchronisation tool would.
void TestConflictCopies::twoMachinesEitherRename()
{
    QFETCH(QString, copy);
    QFETCH(bool, oursRenamed);
    QTemporaryDir dir;
    const Machine here(dir.filePath(u"hier"_s));
    const Machine there(dir.filePath(u"dort"_s));
    here.Add(u"abc"_s);
    QVERIFY(QFile::copy(here.File(), there.File()));
    there.Remove(u'b');
    there.Add(u"x"_s);
    here.Add(u"y"_s);
    const QString copyPath = here.Paths.DataFolder + copy;
    if (oursRenamed) {
        QVERIFY(QFile::rename(here.File(), copyPath));
        QVERIFY(QFile::copy(there.File(), here.File()));
    } else {
        QVERIFY(QFile::copy(there.File(), copyPath));
    }
    // Read while the copy waits: the other machine's version is not taken for this one's.
    BookManager reader = here.Open(u"März 2026"_s);

    const ConflictMerger::Result result = ConflictMerger(here.Paths, Regional()).MergeAll();
    QCOMPARE(result.Errors, QStringList());
    QCOMPARE(result.Merged.size(), 1);
    QCOMPARE(Letters(ListFiles::ReadFile(here.File())), u"acxy"_s);
    QVERIFY(!QFileInfo::exists(copyPath));
    QVERIFY(QFileInfo(result.Merged.front().KeptAs).isFile());
    QVERIFY2(result.Merged.front().Message().startsWith(u"Haushaltsbuch „März 2026“: aus der Konfliktkopie „%1“ "
                                                        u"1 Buchung übernommen, 1 Buchung entfernt."_s.arg(copy)),
             qPrintable(result.Merged.front().Message()));

    // The same copy once more (a kill before it was moved): nothing changes.
    const QByteArray once = ListFiles::ReadFile(here.File());
    QVERIFY(QFile::copy(result.Merged.front().KeptAs, copyPath));
    const ConflictMerger::Result again = ConflictMerger(here.Paths, Regional()).MergeAll();
    QCOMPARE(again.Merged.size(), 1);
    QCOMPARE(ListFiles::ReadFile(here.File()), once);
    QVERIFY(!QFileInfo::exists(copyPath));
}

QTEST_GUILESS_MAIN(TestConflictCopies)
#include "tst_conflictcopies.moc"
