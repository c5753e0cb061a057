// The year overview's figures: months as their analyses compute them, missing months, the
// regular bookings in every month with a book, names grouped over the months, averages to the
// cent; and the table the export writes.

#include "analysis/YearSums.h"
#include "books/BookCache.h"
#include "ledger/BookingList.h"
#include "ledger/Cents.h"
#include "ledger/FuncUnit.h"
#include "ledger/ListFiles.h"
#include "ledger/Regional.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Rows as "amount|category" (regular rows: "amount|category|kind").
BookingList Rows(ListKind kind, const QStringList &rows)
{
    BookingList list(kind);
    for (const QString &row : rows) {
        const QStringList f = row.split(u'|');
        list.AddRow(kind == ListKind::Regular ? ListRow::Make(u"07."_s, {f.at(0), f.at(1), u"x"_s, f.at(2)})
                                              : ListRow::Make(u"01.01.2008"_s, {f.at(0), f.at(1), u"x"_s}));
    }
    return list;
}

struct Month
{
    int Number;
    BookingList Income;
    BookingList Expend;
};

// A year as "month: income | expend" lists; the regular bookings count in every month given.
YearOverview Year(const QList<Month> &months, const BookingList &regular)
{
    QList<YearBook> books;
    for (const Month &m : months)
        books.append({m.Number, &m.Income, &m.Expend});
    return ComputeYearOverview(2008, books, regular);
}

QString Figures(const std::optional<YearFigures> &f)
{
    return f ? CentsText(f->Income) + u' ' + CentsText(f->Expense) + u' ' + CentsText(f->Result) : u"–"_s;
}

// A breakdown as "name: cells… = total", "–" for a month without a line.
QStringList Lines(const YearBreakdown &b)
{
    QStringList lines;
    const auto cells = [](const MonthCells &months) {
        QStringList texts;
        for (const std::optional<qint64> &c : months)
            texts.append(c ? CentsText(*c) : u"-"_s);
        return texts.join(u' ');
    };
    for (const YearGroup &g : b.Groups)
        lines.append(g.Name + u": "_s + cells(g.Months) + u" = "_s + CentsText(g.Total));
    lines.append(u"Summe: "_s + cells(b.MonthSums) + u" = "_s + CentsText(b.Total));
    return lines;
}

} // namespace

class TestYearSums : public QObject
{
    Q_OBJECT

private slots:
    void handMadeYear();
    void averageToTheCent_data();
    void averageToTheCent();
    void shownCents_data();
    void shownCents();
    void exportTable();
    void fromTheCache();

private:
    // January and March with books, July spending more than it earns; the regular bookings
    // hold a salary, the rent and a row of no kind; names differ in letter case and ß.
    YearOverview HandMade() const
    {
        const BookingList regular =
            Rows(ListKind::Regular, {u"1000.00|Gehalt|Einnahme"_s, u"500.00|Miete|Ausgabe"_s, u"99.00|Gehalt|Sonstwas"_s});
        return Year({{1, Rows(ListKind::Income, {u"100.00|Zinsen"_s}),
                      Rows(ListKind::Expend, {u"50.00|Straße"_s, u"30.00|miete"_s, u"5.00|STRASSE"_s})},
                     {3, Rows(ListKind::Income, {u"20.50|zinsen"_s}), Rows(ListKind::Expend, {u"20.00|STRASSE"_s})},
                     {7, Rows(ListKind::Income, {}), Rows(ListKind::Expend, {u"2000.00|Urlaub"_s})}},
                    regular);
    }
};

void TestYearSums::handMadeYear()
{
    const YearOverview year = HandMade();
    QStringList months;
    for (const std::optional<YearFigures> &m : year.Months)
        months.append(Figures(m));
    QCOMPARE(months, (QStringList{u"1100.00 585.00 515.00"_s, u"–"_s, u"1020.50 520.00 500.50"_s, u"–"_s, u"–"_s,
                                  u"–"_s, u"1000.00 2500.00 -1500.00"_s, u"–"_s, u"–"_s, u"–"_s, u"–"_s, u"–"_s}));
    QCOMPARE(year.BookMonths, 3);
    QCOMPARE(Figures(year.Total), u"3120.50 3605.00 -484.50"_s);
    // Over the three months with a book, not over twelve.
    QCOMPARE(Figures(year.Average), u"1040.17 1201.67 -161.50"_s);

    QCOMPARE(Lines(year.IncomeByCategory),
             (QStringList{u"Zinsen: 100.00 - 20.50 - - - - - - - - - = 120.50"_s,
                          u"Gehalt: 1000.00 - 1000.00 - - - 1000.00 - - - - - = 3000.00"_s,
                          u"Summe: 1100.00 - 1020.50 - - - 1000.00 - - - - - = 3120.50"_s}));
    // "Straße" and "STRASSE" are one group under the form met first, in one month and over
    // the months; "miete" (January's own) takes the regular "Miete" in.
    QCOMPARE(Lines(year.ExpenseByCategory),
             (QStringList{u"Straße: 55.00 - 20.00 - - - - - - - - - = 75.00"_s,
                          u"miete: 530.00 - 500.00 - - - 500.00 - - - - - = 1530.00"_s,
                          u"Urlaub: - - - - - - 2000.00 - - - - - = 2000.00"_s,
                          u"Summe: 585.00 - 520.00 - - - 2500.00 - - - - - = 3605.00"_s}));
}

void TestYearSums::averageToTheCent_data()
{
    QTest::addColumn<QStringList>("incomes"); // one month each
    QTest::addColumn<QString>("average");

    QTest::newRow("a third") << QStringList{u"0.01"_s, u"0.01"_s, u"0.02"_s} << u"0.01"_s;
    QTest::newRow("half a cent up") << QStringList{u"0.01"_s, u"0.02"_s} << u"0.02"_s;
    QTest::newRow("one month") << QStringList{u"12.34"_s} << u"12.34"_s;
    QTest::newRow("twelve months") << QStringList(12, u"100.01"_s) << u"100.01"_s;
    QTest::newRow("no month") << QStringList() << u"–"_s;
}

void TestYearSums::averageToTheCent()
{
    QFETCH(QStringList, incomes);
    QFETCH(QString, average);
    QList<Month> months;
    for (int m = 0; m < incomes.size(); ++m)
        months.append({m + 1, Rows(ListKind::Income, {incomes.at(m) + u"|A"_s}), Rows(ListKind::Expend, {})});
    const YearOverview year = Year(months, BookingList(ListKind::Regular));
    QCOMPARE(year.Average ? CentsText(year.Average->Income) : u"–"_s, average);
}

void TestYearSums::shownCents_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("negative");

    QTest::newRow("plain") << 1234.56 << u"1234.56"_s << false;
    QTest::newRow("binary sum") << 0.1 + 0.2 << u"0.30"_s << false;
    QTest::newRow("half a cent away from zero") << 0.125 << u"0.13"_s << false;
    QTest::newRow("below half a cent, negative") << -0.004 << u"0.00"_s << false;
    QTest::newRow("a cent short") << -0.01 << u"-0.01"_s << true;
    QTest::newRow("crafted huge amount") << 1e300 << u"10000000000000.00"_s << false;
    QTest::newRow("crafted huge debt") << -1e300 << u"-10000000000000.00"_s << true;
}

void TestYearSums::shownCents()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QFETCH(bool, negative);
    const qint64 cents = ShownCents(value);
    QCOMPARE(CentsText(cents), text);
    QCOMPARE(IsShownNegative(cents), negative);
}

void TestYearSums::exportTable()
{
    const BookingList table = YearTable(HandMade());
    QCOMPARE(table.Columns().size(), 14);
    QCOMPARE(table.Columns().at(1).Caption, u"Einnahmen (€)"_s);
    const auto row = [&](qsizetype i) { return QStringList{table.Row(i).Caption} + table.Row(i).SubItems; };
    QCOMPARE(row(0), (QStringList{u"Januar"_s, u"1100.00"_s, u"585.00"_s, u"515.00"_s}));
    QCOMPARE(row(1), (QStringList{u"Februar"_s, u"–"_s, u"–"_s, u"–"_s}));
    QCOMPARE(row(12), (QStringList{u"Summe"_s, u"3120.50"_s, u"3605.00"_s, u"-484.50"_s}));
    QCOMPARE(row(13), (QStringList{u"Durchschnitt"_s, u"1040.17"_s, u"1201.67"_s, u"-161.50"_s}));
    QCOMPARE(row(15).first(), u"Einnahmen nach Kategorien (€)"_s);
    QCOMPARE(row(15).mid(1), MonthNames() + QStringList{u"Summe"_s});
    // A month with a book but no line stays empty; one without a book shows "–".
    QCOMPARE(row(16), (QStringList{u"Zinsen"_s, u"100.00"_s, u"–"_s, u"20.50"_s, u"–"_s, u"–"_s, u"–"_s, QString(),
                                   u"–"_s, u"–"_s, u"–"_s, u"–"_s, u"–"_s, u"120.50"_s}));
    QCOMPARE(row(table.RowCount() - 1).first(), u"Summe"_s);
    QCOMPARE(row(table.RowCount() - 1).last(), u"3605.00"_s);
}


// The year as the window and the CLI read it from the folder: only the year's books, a damaged
// book not counted as a month (its error named), the open book as it stands in memory.
void TestYearSums::fromTheCache()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const auto write = [&](const QString &name, const QByteArray &bytes) {
        ListFiles::WriteFile(folder.filePath(name + u".qel"_s), bytes);
    };
    const BookingList regular = Rows(ListKind::Regular, {u"10.00|Miete|Ausgabe"_s});
    write(u"Januar 2008"_s, ListFiles::MonthBookBytes(Rows(ListKind::Income, {u"100.00|Lohn"_s}), Rows(ListKind::Expend, {})));
    write(u"Februar 2008"_s, QByteArrayLiteral("kein Monatsbuch"));
    write(u"März 2008"_s, ListFiles::MonthBookBytes(Rows(ListKind::Income, {u"1.00|Lohn"_s}), Rows(ListKind::Expend, {})));
    write(u"Januar 2009"_s, ListFiles::MonthBookBytes(Rows(ListKind::Income, {u"999.00|Lohn"_s}), Rows(ListKind::Expend, {})));

    BookCache cache(folder.path(), Regional());
    const BookingList marchIncome = Rows(ListKind::Income, {u"50.00|Lohn"_s});
    const BookingList marchExpend = Rows(ListKind::Expend, {u"5.00|Essen"_s});
    QStringList errors;
    const YearOverview year =
        YearFromCache(cache, 2008, regular, {u"März 2008"_s, &marchIncome, &marchExpend}, errors);
    QCOMPARE(year.BookMonths, 2);
    QCOMPARE(Figures(year.Months[0]), u"100.00 10.00 90.00"_s);
    QCOMPARE(Figures(year.Months[1]), u"–"_s);
    QCOMPARE(Figures(year.Months[2]), u"50.00 15.00 35.00"_s);
    QCOMPARE(Figures(year.Total), u"150.00 25.00 125.00"_s);
    QCOMPARE(Figures(year.Average), u"75.00 12.50 62.50"_s);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.front().contains(u"Februar 2008"_s), qPrintable(errors.front()));
}

QTEST_GUILESS_MAIN(TestYearSums)
#include "tst_yearsums.moc"
