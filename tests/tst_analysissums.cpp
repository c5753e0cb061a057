// The month's totals and breakdowns: which rows count where, in which order, and how the
// sums are rounded.

#include "analysis/AnalysisSums.h"
#include "ledger/BookingList.h"
#include "ledger/FuncUnit.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Rows as "amount|category|purpose" (regular rows: "...|kind").
BookingList Rows(ListKind kind, const QStringList &rows)
{
    BookingList list(kind);
    for (const QString &row : rows)
        list.AddRow(ListRow::Make(kind == ListKind::Regular ? u"07."_s : u"01.03.2008"_s, row.split(u'|')));
    return list;
}

// A breakdown as "name=sum" lines.
QStringList Lines(const QList<GroupSum> &groups)
{
    QStringList lines;
    for (const GroupSum &g : groups)
        lines.append(g.Name + u'=' + FormatAmount(g.Sum));
    return lines;
}

} // namespace

class TestAnalysisSums : public QObject
{
    Q_OBJECT

private slots:
    void totals_data();
    void totals();
    void sumGroups_data();
    void sumGroups();
    void negativeAsShown_data();
    void negativeAsShown();
    void sameGroupName_data();
    void sameGroupName();
};

void TestAnalysisSums::totals_data()
{
    QTest::addColumn<QStringList>("income");
    QTest::addColumn<QStringList>("expend");
    QTest::addColumn<QStringList>("regular");
    // total income, total expense, result, regular income, regular expense, regular result
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("negative");

    QTest::newRow("nothing booked") << QStringList() << QStringList() << QStringList()
                                    << QStringList{u"0.00"_s, u"0.00"_s, u"0.00"_s, u"0.00"_s, u"0.00"_s, u"0.00"_s}
                                    << false;
    QTest::newRow("regular rows by their exact kind")
        << QStringList{u"100.00|A|x"_s} << QStringList{u"30.00|X|y"_s}
        << QStringList{u"50.00|C|z|Einnahme"_s, u"20.00|Y|z|Ausgabe"_s, u"99.00|Z|z|einnahme"_s, u"7.00|Z|z|"_s}
        << QStringList{u"150.00"_s, u"50.00"_s, u"100.00"_s, u"50.00"_s, u"20.00"_s, u"30.00"_s} << false;
    QTest::newRow("expense surplus")
        << QStringList{u"10.00|A|x"_s} << QStringList{u"22.00|X|y"_s} << QStringList()
        << QStringList{u"10.00"_s, u"22.00"_s, u"-12.00"_s, u"0.00"_s, u"0.00"_s, u"0.00"_s} << true;
    // Each list sum is rounded first: 0.004 + 0.004 gives 0.01, the regular 0.004 gives 0.00.
    QTest::newRow("totals from rounded list sums")
        << QStringList{u"0.004|A|x"_s, u"0.004|A|x"_s} << QStringList() << QStringList{u"0.004|C|z|Einnahme"_s}
        << QStringList{u"0.01"_s, u"0.00"_s, u"0.01"_s, u"0.00"_s, u"0.00"_s, u"0.00"_s} << false;
    // 0.30 − (0.10 + 0.20) is a hair below zero in doubles; from the rounded sums it is zero,
    // and zero is not shown red.
    QTest::newRow("balanced is not negative")
        << QStringList{u"0.30|A|x"_s} << QStringList{u"0.10|X|y"_s, u"0.20|X|y"_s} << QStringList()
        << QStringList{u"0.30"_s, u"0.30"_s, u"0.00"_s, u"0.00"_s, u"0.00"_s, u"0.00"_s} << false;
    // 0.10 + 0.20 from two sums is a hair above 0.30: the result is -5.55e-17, shown as 0.00.
    QTest::newRow("balanced through a regular expense")
        << QStringList{u"0.30|A|x"_s} << QStringList{u"0.10|X|y"_s} << QStringList{u"0.20|Y|z|Ausgabe"_s}
        << QStringList{u"0.30"_s, u"0.30"_s, u"0.00"_s, u"0.00"_s, u"0.20"_s, u"-0.20"_s} << false;
}

void TestAnalysisSums::totals()
{
    QFETCH(QStringList, income);
    QFETCH(QStringList, expend);
    QFETCH(QStringList, regular);
    QFETCH(QStringList, expected);
    QFETCH(bool, negative);

    const AnalysisTotals t = ComputeAnalysisTotals(Rows(ListKind::Income, income), Rows(ListKind::Expend, expend),
                                                   Rows(ListKind::Regular, regular));
    const QStringList actual{FormatAmount(t.TotalIncome),   FormatAmount(t.TotalExpense),
                             FormatAmount(t.Result),        FormatAmount(t.RegularIncome),
                             FormatAmount(t.RegularExpense), FormatAmount(t.RegularResult)};
    QCOMPARE(actual, expected);
    QCOMPARE(IsNegativeResult(t.Result), negative);
    QCOMPARE(IsNegativeResult(t.RegularResult), expected.at(5).startsWith(u'-'));
}

void TestAnalysisSums::sumGroups_data()
{
    QTest::addColumn<QStringList>("main");
    QTest::addColumn<QStringList>("regular");
    QTest::addColumn<bool>("income");
    QTest::addColumn<bool>("byPurpose");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("nothing booked") << QStringList() << QStringList() << true << false << QStringList();
    QTest::newRow("first appearance, no sorting")
        << QStringList{u"5.00|B|x"_s, u"1.00|A|x"_s, u"2.00|B|x"_s} << QStringList() << true << false
        << QStringList{u"B=7.00"_s, u"A=1.00"_s};
    QTest::newRow("main and regular rows of one category add up")
        << QStringList{u"100.00|Gehalt|x"_s} << QStringList{u"50.00|Gehalt|y|Einnahme"_s} << true << false
        << QStringList{u"Gehalt=150.00"_s};
    QTest::newRow("regular-only names come last")
        << QStringList{u"1.00|A|x"_s, u"2.00|B|x"_s}
        << QStringList{u"3.00|C|z|Einnahme"_s, u"4.00|A|z|Einnahme"_s, u"5.00|D|z|Einnahme"_s} << true << false
        << QStringList{u"A=5.00"_s, u"B=2.00"_s, u"C=3.00"_s, u"D=5.00"_s};
    QTest::newRow("regular rows of the other or no kind count nowhere")
        << QStringList{u"1.00|A|x"_s}
        << QStringList{u"9.00|A|z|Ausgabe"_s, u"8.00|E|z|Ausgabe"_s, u"7.00|F|z|einnahme"_s, u"6.00|G|z|"_s} << true
        << false << QStringList{u"A=1.00"_s};
    QTest::newRow("expense side takes Ausgabe rows")
        << QStringList{u"1.00|Wohnen|Miete"_s} << QStringList{u"9.00|Wohnen|Strom|Ausgabe"_s, u"8.00|Lohn|z|Einnahme"_s}
        << false << false << QStringList{u"Wohnen=10.00"_s};
    QTest::newRow("an empty name is a group of its own")
        << QStringList{u"1.00||x"_s, u"2.00|A|x"_s, u"3.00||x"_s} << QStringList() << true << false
        << QStringList{u"=4.00"_s, u"A=2.00"_s};
    QTest::newRow("empty and unreadable amounts keep their group at zero")
        << QStringList{u"|A|x"_s, u"abc|B|x"_s, u"1.50|B|x"_s} << QStringList() << true << false
        << QStringList{u"A=0.00"_s, u"B=1.50"_s};
    // Names that differ only in letter case are one group, listed as first met, and every row
    // of them adds to it (nothing drops out of the breakdown).
    QTest::newRow("letter case")
        << QStringList{u"10.00|Miete|x"_s, u"5.00|MIETE|x"_s, u"1.00|ärger|x"_s, u"2.00|Ärger|x"_s}
        << QStringList{u"4.00|miete|z|Einnahme"_s} << true << false << QStringList{u"Miete=19.00"_s, u"ärger=3.00"_s};
    QTest::newRow("sharp s folds to ss")
        << QStringList{u"1.00|Straße|x"_s, u"2.00|STRASSE|x"_s, u"4.00|strasse|x"_s, u"8.00|STRAẞE|x"_s,
                       u"16.00|Strase|x"_s}
        << QStringList{u"32.00|straße|z|Einnahme"_s} << true << false
        << QStringList{u"Straße=47.00"_s, u"Strase=16.00"_s};
    QTest::newRow("by purpose")
        << QStringList{u"1.00|A|Strom"_s, u"2.00|B|Miete"_s, u"3.00|C|Strom"_s} << QStringList{u"4.00|D||Ausgabe"_s}
        << false << true << QStringList{u"Strom=4.00"_s, u"Miete=2.00"_s, u"=4.00"_s};
}

void TestAnalysisSums::sumGroups()
{
    QFETCH(QStringList, main);
    QFETCH(QStringList, regular);
    QFETCH(bool, income);
    QFETCH(bool, byPurpose);
    QFETCH(QStringList, expected);

    const QList<GroupSum> groups =
        SumGroups(Rows(income ? ListKind::Income : ListKind::Expend, main), Rows(ListKind::Regular, regular),
                  income ? AnalysisSide::Income : AnalysisSide::Expense, byPurpose ? GroupKey::Purpose : GroupKey::Category);
    QCOMPARE(Lines(groups), expected);
}

void TestAnalysisSums::negativeAsShown_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("negative");
    QTest::newRow("zero") << 0.0 << false;
    QTest::newRow("a hair below zero") << -5.55e-17 << false;
    QTest::newRow("rounds to 0.00") << -0.004 << false;
    QTest::newRow("rounds to -0.01") << -0.005 << true;
    QTest::newRow("expense surplus") << -12.0 << true;
    QTest::newRow("positive") << 0.01 << false;
}

void TestAnalysisSums::negativeAsShown()
{
    QFETCH(double, value);
    QFETCH(bool, negative);
    QCOMPARE(IsNegativeResult(value), negative);
    // The sign is never shown on a zero.
    QCOMPARE(FormatAmount(value).startsWith(u'-'), negative);
}

void TestAnalysisSums::sameGroupName_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("same");
    QTest::newRow("letter case") << u"Miete"_s << u"MIETE"_s << true;
    QTest::newRow("umlauts") << u"Ärger"_s << u"ärger"_s << true;
    QTest::newRow("ß ~ SS") << u"Straße"_s << u"STRASSE"_s << true;
    QTest::newRow("capital sharp s") << u"STRAẞE"_s << u"strasse"_s << true;
    QTest::newRow("ligature") << u"Ofﬁce"_s << u"OFFICE"_s << true;
    QTest::newRow("other word") << u"Miete"_s << u"Mieten"_s << false;
    QTest::newRow("one s") << u"Straße"_s << u"Strase"_s << false;
    QTest::newRow("empty") << QString() << QString() << true;
}

void TestAnalysisSums::sameGroupName()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, same);
    QCOMPARE(SameGroupName(a, b), same);
    QCOMPARE(SameGroupName(b, a), same);
    QCOMPARE(GroupNameKey(a) == GroupNameKey(b), same);
}

QTEST_APPLESS_MAIN(TestAnalysisSums)
#include "tst_analysissums.moc"
