// The book scan adds up each book while it reads it and reads Regular.dat once. Here it meets
// the whole way on generated folders of every shape: every book read into the lists and
// Regular.dat read again for each, as LoadBookTotals does. The book list, the messages and
// the lists the scan leaves behind must be the same.

#include "tools/DemoDataGenerator.h"

#include "books/BookManager.h"
#include "ledger/FuncUnit.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QDir>
#include <QScopeGuard>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <random>
#include <fcntl.h>
#include <sys/stat.h>
#include <ctime>

using namespace Qt::StringLiterals;

namespace {

enum class Amounts { AsGenerated, WholeEuros, Exponents, BlanksAndSigns, EmptyAndText, Mixed };

// An amount text in the given style for a generated "12.34".
QString Restyled(const QString &amount, Amounts style, std::mt19937 &rng)
{
    switch (style) {
    case Amounts::AsGenerated:
        return amount;
    case Amounts::WholeEuros:
        return amount.section(u'.', 0, 0);
    case Amounts::Exponents:
        return QString(amount).remove(u'.') + (rng() % 2 ? u"e-2"_s : u"E-02"_s);
    case Amounts::BlanksAndSigns: {
        static const QString leads[] = {u" "_s, u"-"_s, u"+"_s, u"  -"_s};
        return leads[rng() % 4] + amount;
    }
    case Amounts::EmptyAndText: {
        static const QString others[] = {QString(), u"abc"_s, u"12,50"_s, u"\u0663"_s, u"9.99 \u20AC"_s};
        return rng() % 3 ? amount : others[rng() % 5];
    }
    case Amounts::Mixed: {
        static const QString odd[] = {u"1e308"_s, u"1e400"_s, u"-0.00"_s, u"0.125"_s, u"12345678901234567890.5"_s, u"."_s};
        const auto style = static_cast<Amounts>(rng() % 5);
        return rng() % 10 ? Restyled(amount, style, rng) : odd[rng() % 6];
    }
    }
    return amount;
}

void RestyleList(BookingList &list, Amounts style, std::mt19937 &rng)
{
    for (qsizetype i = 0; i < list.RowCount(); ++i)
        list.SetSubItem(i, 0, Restyled(list.Row(i).SubItem(0), style, rng));
}

// What a scan leaves: the book list, the messages and the lists it read last.
struct Scan
{
    QStringList Errors;
    QList<ListRow> Books, Income, Expend, Regular;
};

Scan Result(const BookManager &m, const QStringList &errors)
{
    return {errors, m.Books().Rows(), m.Income().Rows(), m.Expend().Rows(), m.Regular().Rows()};
}

// The scan as it was: a row per file, then the whole LoadBookTotals for it.
Scan WholeWay(BookManager &m)
{
    const Regional &regional = m.RegionalSettings();
    const QFileInfoList entries = QDir(m.Paths().DataFolder)
                                      .entryInfoList({u"*.qel"_s}, QDir::Files | QDir::Hidden | QDir::System
                                                                       | QDir::CaseSensitive,
                                                     QDir::Unsorted);
    QStringList errors;
    m.Books().ClearRows();
    for (const QFileInfo &entry : entries) {
        const QString name = entry.fileName().chopped(4);
        const QDateTime modified = entry.lastModified();
        const qsizetype row = m.Books().AddRow(ListRow::Make(
            BookKey(name, regional),
            {name, regional.DateText(modified.date()) + u"  "_s + regional.TimeText(modified.time()), {}, {}}));
        try {
            m.LoadBookTotals(row);
        } catch (const QelError &error) {
            if (!errors.contains(error.Message()))
                errors.append(error.Message());
        }
    }
    m.Books().SortByCaption(regional);
    for (const QString &name : ListFiles::UndecodableBookFiles(m.Paths().DataFolder))
        errors.append(ListFiles::UndecodableNameMessage(name));
    return Result(m, errors);
}

} // namespace

class TestBookScan : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void scanMatchesTheWholeWay_data();
    void scanMatchesTheWholeWay();
    void damagedFilesAsTheWholeWay_data();
    void damagedFilesAsTheWholeWay();

private:
    // Writes generated books and Regular.dat with the amounts restyled.
    void Generate(int books, int rows, int regular, quint32 seed, Amounts style);
    void CompareScans(bool regularLoadedFirst);

    std::unique_ptr<QTemporaryDir> Dir;
    LedgerPaths Paths;
};

void TestBookScan::init()
{
    Dir = std::make_unique<QTemporaryDir>();
    Paths.ProgramDataFolder = Dir->filePath(u"config/"_s);
    Paths.DataFolder = Dir->filePath(u"Daten/"_s);
    Paths.CreateFolders();
}

void TestBookScan::Generate(int books, int rows, int regular, quint32 seed, Amounts style)
{
    DemoData::Options options;
    options.Books = books;
    options.Rows = rows;
    options.Regular = regular;
    options.Seed = seed;
    DemoData::Write(Paths.DataFolder, options);
    std::mt19937 rng(seed);
    for (int i = 0; i < books; ++i) {
        const QString path = Paths.BookFile(DemoData::BookName(options.FirstMonth, i));
        BookingList income(ListKind::Income);
        BookingList expend(ListKind::Expend);
        ListFiles::ParseMonthBook(ListFiles::ReadFile(path), income, expend);
        RestyleList(income, style, rng);
        RestyleList(expend, style, rng);
        ListFiles::WriteFile(path, ListFiles::MonthBookBytes(income, expend));
    }
    BookingList regularList(ListKind::Regular);
    ListFiles::ParseRegular(ListFiles::ReadFile(Paths.RegularFile()), regularList);
    RestyleList(regularList, style, rng);
    ListFiles::WriteFile(Paths.RegularFile(), ListFiles::RegularBytes(regularList));
}

void TestBookScan::CompareScans(bool regularLoadedFirst)
{
    // Start-up reads Regular.dat before the scan, the command line does not.
    const auto prepared = [&](BookManager &m) {
        if (regularLoadedFirst) {
            try {
                m.LoadRegular();
            } catch (const QelError &) {
            }
        }
    };
    // The scan first: it must take a changed time zone on its own.
    BookManager quick(Paths, Regional());
    prepared(quick);
    const QStringList errors = quick.ScanBooks();
    const Scan actual = Result(quick, errors);
    BookManager whole(Paths, Regional());
    prepared(whole);
    const Scan expected = WholeWay(whole);

    QCOMPARE(actual.Errors, expected.Errors);
    QCOMPARE(actual.Books, expected.Books);
    QCOMPARE(actual.Income, expected.Income);
    QCOMPARE(actual.Expend, expected.Expend);
    QCOMPARE(actual.Regular, expected.Regular);
    QVERIFY(quick.CurrentBook().isEmpty());
    QVERIFY(!quick.BookChanged() && !quick.RegularChanged());
}

void TestBookScan::scanMatchesTheWholeWay_data()
{
    QTest::addColumn<int>("books");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("regular");
    QTest::addColumn<int>("style");

    const struct
    {
        int Books, Rows, Regular;
    } shapes[] = {{0, 0, 0}, {1, 0, 0}, {3, 1, 1}, {12, 37, 50}, {30, 100, 50}, {4, 1000, 7}};
    const char *styles[] = {"as generated", "whole euros", "exponents", "blanks and signs", "empty and text", "mixed"};
    quint32 seed = 1;
    for (const auto &shape : shapes) {
        for (int style = 0; style < 6; ++style) {
            QTest::addRow("%d books of %d, %d regular, %s, seed %u", shape.Books, shape.Rows, shape.Regular,
                          styles[style], seed)
                << shape.Books << shape.Rows << shape.Regular << style;
            ++seed;
        }
    }
}

void TestBookScan::scanMatchesTheWholeWay()
{
    QFETCH(int, books);
    QFETCH(int, rows);
    QFETCH(int, regular);
    QFETCH(int, style);
    Generate(books, rows, regular, static_cast<quint32>(1 + style + 6 * books), static_cast<Amounts>(style));
    CompareScans(true);
    CompareScans(false);
}

void TestBookScan::damagedFilesAsTheWholeWay_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("books cut short") << u"books"_s;
    QTest::newRow("Regular.dat cut short") << u"regular"_s;
    QTest::newRow("Regular.dat empty") << u"regular empty"_s;
    QTest::newRow("no Regular.dat") << u"no regular"_s;
    QTest::newRow("books and Regular.dat cut short") << u"books regular"_s;
    QTest::newRow("every book cut short") << u"all books"_s;
    QTest::newRow("links and a pipe named as books") << u"special"_s;
    QTest::newRow("books that may not be read") << u"unreadable"_s;
    QTest::newRow("file times around clock changes, before 1970 and far ahead") << u"times"_s;
}

// Damaged files are reported alike and keep their rows with empty totals; which book the
// scan reads last differs by folder, so several damaged books make sure that the quick way
// meets some of them. Enough books that the scan reads ahead on helper threads.
void TestBookScan::damagedFilesAsTheWholeWay()
{
    QFETCH(QString, damage);
    constexpr int Books = 30;
    Generate(Books, 20, 5, 7, Amounts::AsGenerated);
    const auto cut = [](const QString &path, qsizetype keep) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.resize(keep));
    };
    const QDate first(2008, 1, 1);
    if (damage.contains(u"books")) {
        for (int i : {1, 4, 6})
            cut(Paths.BookFile(DemoData::BookName(first, i)), 300 * i);
    }
    if (damage == u"all books") {
        for (int i = 0; i < Books; ++i)
            cut(Paths.BookFile(DemoData::BookName(first, i)), 10);
    }
    if (damage.contains(u"regular"))
        cut(Paths.RegularFile(), damage.contains(u"empty") ? 0 : 500);
    if (damage == u"no regular")
        QVERIFY(QFile::remove(Paths.RegularFile()));
    if (damage == u"special") {
        QVERIFY(QFile::link(Paths.DataFolder + u"nirgends"_s, Paths.BookFile(u"Juni 2030"_s)));
        QVERIFY(QFile::link(Paths.DataFolder, Paths.BookFile(u"Juli 2030"_s)));
        QCOMPARE(::mkfifo(QFile::encodeName(Paths.BookFile(u"August 2030"_s)).constData(), 0600), 0);
    }
    if (damage == u"unreadable") { // as root they are read, by both ways
        for (int i : {2, 5, 17})
            QVERIFY(QFile::setPermissions(Paths.BookFile(DemoData::BookName(first, i)), {}));
    }
    const QByteArray zone = qgetenv("TZ");
    const auto restoreZone = qScopeGuard([&zone] {
        zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
        tzset();
    });
    if (damage == u"times") {
        qputenv("TZ", "Europe/Berlin");
        // Seconds since 1970: the hour before and after both changes of 2021, the hour that
        // comes twice, before 1970, 1970 itself, 2038 and beyond, a leap day.
        const qint64 times[] = {1616893199, 1616893200, 1635640200, 1635643800, 1635647400, -1, -86399, 0,
                                2147483647, 2147483648, 4102444799, 951782400};
        for (qsizetype i = 0; i < qsizetype(std::size(times)); ++i) {
            const timespec both[2] = {{times[i], 0}, {times[i], 999999999}};
            const QByteArray path = QFile::encodeName(Paths.BookFile(DemoData::BookName(first, int(2 * i))));
            QCOMPARE(::utimensat(AT_FDCWD, path.constData(), both, 0), 0);
        }
    }
    CompareScans(true);
    CompareScans(false);
}

QTEST_GUILESS_MAIN(TestBookScan)
#include "tst_bookscan.moc"
