#include "tools/DemoDataGenerator.h"

#include "books/BookManager.h"
#include "ledger/BookingList.h"
#include "ledger/CategoryTable.h"
#include "ledger/FuncUnit.h"
#include "ledger/ListFiles.h"
#include "ledger/Regional.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

class TestDemoData : public QObject
{
    Q_OBJECT

private slots:
    void bookNamesRunAcrossYears();
    void sameSeedSameBytes();
    void rowsLookLikeBookings();
    void regularRowsLookLikeBookings();
    void scanReadsEveryBook();
    void emptyBookSize();
    void commandLine();

private:
    static QStringList Files(const QString &folder);
    static void CheckCommonRow(const ListRow &row);
    static QStringList Texts(const BookingList &list);

    Regional German;
};

QStringList TestDemoData::Files(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

QStringList TestDemoData::Texts(const BookingList &list)
{
    QStringList texts;
    for (const ListRow &row : list.Rows())
        texts.append(row.Caption + u'|' + row.SubItems.join(u'|'));
    return texts;
}

void TestDemoData::CheckCommonRow(const ListRow &row)
{
    static const QRegularExpression amount(u"^[0-9]+\\.[0-9]{2}$"_s);
    QVERIFY2(amount.match(row.SubItem(0)).hasMatch(), qPrintable(row.SubItem(0)));
    QVERIFY(TryParseAmount(row.SubItem(0)).has_value());
    QVERIFY(!row.SubItem(1).isEmpty());
    QVERIFY(!row.SubItem(2).isEmpty());
}

void TestDemoData::bookNamesRunAcrossYears()
{
    const QDate first(2008, 1, 1);
    QCOMPARE(DemoData::BookName(first, 0), u"Januar 2008"_s);
    QCOMPARE(DemoData::BookName(first, 2), u"März 2008"_s);
    QCOMPARE(DemoData::BookName(first, 11), u"Dezember 2008"_s);
    QCOMPARE(DemoData::BookName(first, 12), u"Januar 2009"_s);
    QCOMPARE(DemoData::BookName(first, 239), u"Dezember 2027"_s);
    for (int i = 0; i < 240; ++i) {
        const QString name = DemoData::BookName(first, i);
        QVERIFY2(IsValidBookName(name), qPrintable(name));
        QCOMPARE(BookKey(name, German), first.addMonths(i).toString(u"yyyyMM"_s));
    }
}

void TestDemoData::sameSeedSameBytes()
{
    QTemporaryDir a, b, c;
    QVERIFY(a.isValid() && b.isValid() && c.isValid());
    DemoData::Options options;
    options.Books = 14;
    options.Rows = 30;
    options.Regular = 12;
    options.Seed = 7;
    DemoData::Write(a.path(), options);
    DemoData::Write(b.path(), options);
    options.Seed = 8;
    DemoData::Write(c.path(), options);

    const QStringList files = Files(a.path());
    QCOMPARE(files.size(), 15);
    QVERIFY(files.contains(u"Regular.dat"_s));
    QCOMPARE(Files(b.path()), files);
    qsizetype differing = 0;
    for (const QString &file : files) {
        const QByteArray bytes = ListFiles::ReadFile(a.filePath(file));
        QCOMPARE(ListFiles::ReadFile(b.filePath(file)), bytes);
        if (ListFiles::ReadFile(c.filePath(file)) != bytes)
            ++differing;
    }
    QCOMPARE(differing, files.size());
}

void TestDemoData::rowsLookLikeBookings()
{
    CategoryTable categories;
    categories.FillDefaultCategories();
    QSet<QString> incomeNames;
    QSet<QString> expensePairs;
    for (int i = 0; i < CategoryTable::IncomeCount; ++i)
        incomeNames.insert(categories.IncomeName(i));
    for (int g = 0; g < CategoryTable::GroupCount; ++g) {
        for (int k = 0; k < CategoryTable::SubCategoryCount; ++k)
            expensePairs.insert(categories.GroupName(g) + u'|' + categories.SubCategory(g, k));
    }

    // February of a leap year: no date may leave the month.
    const QDate month(2012, 2, 1);
    std::mt19937 rng(3);
    BookingList income(ListKind::Income);
    BookingList expend(ListKind::Expend);
    DemoData::FillMonthBook(rng, month, 400, 600, income, expend, German);
    QCOMPARE(income.RowCount(), 400);
    QCOMPARE(expend.RowCount(), 600);

    for (const BookingList *list : {&income, &expend}) {
        QSet<QString> categoriesSeen;
        for (qsizetype i = 0; i < list->RowCount(); ++i) {
            const ListRow &row = list->Row(i);
            const QDate date = German.ParseDate(row.Caption);
            QVERIFY2(date.isValid(), qPrintable(row.Caption));
            QCOMPARE(date.year(), 2012);
            QCOMPARE(date.month(), 2);
            if (i > 0)
                QVERIFY(German.Compare(list->Row(i - 1).Caption, row.Caption) <= 0);
            CheckCommonRow(row);
            QCOMPARE(row.SubItems.size(), 3);
            if (list == &income)
                QVERIFY2(incomeNames.contains(row.SubItem(1)), qPrintable(row.SubItem(1)));
            else
                QVERIFY2(expensePairs.contains(row.SubItem(1) + u'|' + row.SubItem(2)),
                         qPrintable(row.SubItem(1) + u'|' + row.SubItem(2)));
            categoriesSeen.insert(row.SubItem(1));
        }
        QVERIFY(categoriesSeen.size() >= 5);
    }

    // What is written must come back unchanged, umlauts included. (Rows read back carry
    // explicit sub-item images of -1, so they are compared by their texts.)
    BookingList incomeBack(ListKind::Income);
    BookingList expendBack(ListKind::Expend);
    const QByteArray bytes = ListFiles::MonthBookBytes(income, expend);
    ListFiles::ParseMonthBook(bytes, incomeBack, expendBack);
    QCOMPARE(Texts(incomeBack), Texts(income));
    QCOMPARE(Texts(expendBack), Texts(expend));
    QCOMPARE(ListFiles::MonthBookBytes(incomeBack, expendBack), bytes);
    QVERIFY(expend.Rows().end() != std::find_if(expend.Rows().begin(), expend.Rows().end(), [](const ListRow &r) {
                return r.SubItem(1) == u"Auto "_s;
            }));
}

void TestDemoData::regularRowsLookLikeBookings()
{
    std::mt19937 rng(5);
    BookingList regular(ListKind::Regular);
    DemoData::FillRegular(rng, 300, regular, German);
    QCOMPARE(regular.RowCount(), 300);
    int incomeRows = 0;
    for (qsizetype i = 0; i < regular.RowCount(); ++i) {
        const ListRow &row = regular.Row(i);
        QCOMPARE(row.Caption.size(), 3);
        QCOMPARE(CompleteDayText(row.Caption), row.Caption);
        QVERIFY2(CheckDayText(row.Caption, German), qPrintable(row.Caption));
        if (i > 0)
            QVERIFY(German.Compare(regular.Row(i - 1).Caption, row.Caption) <= 0);
        CheckCommonRow(row);
        QCOMPARE(row.SubItems.size(), 4);
        QVERIFY(row.SubItem(3) == IncomeKind() || row.SubItem(3) == ExpenseKind());
        if (row.SubItem(3) == IncomeKind())
            ++incomeRows;
    }
    QVERIFY(incomeRows > 0 && incomeRows < 300);

    BookingList back(ListKind::Regular);
    ListFiles::ParseRegular(ListFiles::RegularBytes(regular), back);
    QCOMPARE(Texts(back), Texts(regular));
}

void TestDemoData::scanReadsEveryBook()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    DemoData::Options options;
    options.Books = 25;
    options.Rows = 20;
    options.Regular = 6;
    DemoData::Write(dir.filePath(u"Daten"_s), options);

    LedgerPaths paths;
    paths.DataFolder = dir.filePath(u"Daten/"_s);
    paths.ProgramDataFolder = dir.path() + u'/';
    BookManager manager(paths, German);
    QCOMPARE(manager.ScanBooks(), QStringList());
    QCOMPARE(manager.Books().RowCount(), 25);
    QCOMPARE(manager.Books().Row(0).SubItem(0), u"Januar 2008"_s);
    QCOMPARE(manager.Books().Row(24).SubItem(0), u"Januar 2010"_s);
    for (const ListRow &row : manager.Books().Rows()) {
        QVERIFY(row.SubItem(2).endsWith(u" €"_s));
        QVERIFY(row.SubItem(3).endsWith(u" €"_s));
    }

    // Each book holds the rows asked for, a quarter of them income.
    manager.OpenBook(3);
    QCOMPARE(manager.Income().RowCount(), 5);
    QCOMPARE(manager.Expend().RowCount(), 15);
}

void TestDemoData::emptyBookSize()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    DemoData::Options options;
    options.Books = 1;
    options.Rows = 0;
    options.Regular = 0;
    DemoData::Write(dir.path(), options);
    QCOMPARE(QFileInfo(dir.filePath(u"Januar 2008.qel"_s)).size(), 1112);
}

void TestDemoData::commandLine()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const auto run = [](const QStringList &args, QByteArray *out = nullptr) {
        QProcess process;
        process.start(QStringLiteral(QEL_DEMO_DATA_PATH), args);
        process.waitForFinished(60000);
        if (out)
            *out = process.readAllStandardOutput();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    };

    QByteArray out;
    QCOMPARE(run({u"--books"_s, u"13"_s, u"--rows=8"_s, u"--regular"_s, u"3"_s, dir.path()}, &out), 0);
    QCOMPARE(QString::fromUtf8(out),
             u"13 Haushaltsbücher mit je 8 Buchungen und 3 regelmäßige Buchungen in %1 geschrieben.\n"_s.arg(
                 dir.path()));
    QCOMPARE(Files(dir.path()).size(), 14);
    QVERIFY(QFileInfo::exists(dir.filePath(u"Januar 2009.qel"_s)));

    QCOMPARE(run({}), 2);
    QCOMPARE(run({u"--rows"_s, u"-1"_s, dir.path()}), 2);
    QCOMPARE(run({u"--books"_s, u"zwei"_s, dir.path()}), 2);
    QCOMPARE(run({u"--seed"_s, u"4294967296"_s, dir.path()}), 2);
    QCOMPARE(run({u"--farbe"_s, u"rot"_s, dir.path()}), 2);
    QCOMPARE(run({dir.path(), dir.path()}), 2);
    QCOMPARE(run({u"--rows"_s}), 2);

    // A data folder below a plain file cannot be made.
    QCOMPARE(run({dir.filePath(u"Regular.dat/Daten"_s)}), 1);

    // Somebody's ledger is never written over, unless asked for: not a book, not Regular.dat.
    QTemporaryDir mine;
    QVERIFY(mine.isValid());
    const QByteArray own("meine Buchungen");
    for (const QString &name : {u"Regular.dat"_s, u"Januar 2008.qel"_s}) {
        QDir(mine.path()).removeRecursively();
        QDir().mkpath(mine.path());
        QFile file(mine.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(own);
        file.close();
        QCOMPARE(run({u"--books"_s, u"2"_s, mine.path()}), 1);
        QCOMPARE(Files(mine.path()), QStringList{name});
        QCOMPARE(run({u"--books"_s, u"2"_s, u"--force"_s, mine.path()}), 0);
        QCOMPARE(Files(mine.path()).size(), 3);
    }
}

QTEST_GUILESS_MAIN(TestDemoData)
#include "tst_demodata.moc"
