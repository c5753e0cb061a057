// Budgets in the core: carry-over month by month, a later amount that leaves earlier months,
// categories grouped as the analysis groups them, typed amounts, the file and its merge.

#include "analysis/AnalysisSums.h"
#include "budget/BudgetFile.h"
#include "analysis/YearSums.h"
#include "analysis/BudgetReport.h"
#include "books/BookCache.h"
#include "ledger/BookingList.h"
#include "ledger/Cents.h"
#include "ledger/ListFiles.h"
#include "ledger/Regional.h"
#include "ledger/QelError.h"

#include <QTemporaryDir>
#include <QTest>

#include <map>

using namespace Qt::StringLiterals;

namespace {

constexpr int Year = 2026;

int Month(int m)
{
    return BudgetMonth(Year, m);
}

// Budgets as "category amount|- ja|nein MM; …" (months of 2026; "-": ended then).
BudgetList Budgets(const QString &text)
{
    BudgetList list;
    for (const QString &entry : text.split(u';', Qt::SkipEmptyParts)) {
        const QStringList f = entry.simplified().split(u' ');
        const int from = Month(f.at(3).toInt());
        if (f.at(1) == u"-")
            list.Remove(f.at(0), from);
        else
            list.Set(f.at(0), from, ReadBudgetAmount(f.at(1)), f.at(2) == u"ja");
    }
    return list;
}

// Each month's line of the one budget as "available/rest", "–" when it has none.
QStringList Months(const BudgetList &budgets, const QList<int> &spent)
{
    std::map<int, MonthSpending> spending;
    for (qsizetype i = 0; i < spent.size(); ++i) {
        if (spent.at(i) >= 0)
            spending[Month(int(i) + 1)][GroupNameKey(u"Lebensmittel"_s)] = spent.at(i) * 100LL;
    }
    QStringList shown;
    for (int m = 1; m <= spent.size(); ++m) {
        const QList<BudgetLine> lines = ComputeBudgetMonth(budgets, Month(m), [&](int month) -> const MonthSpending * {
            const auto it = spending.find(month);
            return it == spending.end() ? nullptr : &it->second;
        });
        shown.append(lines.isEmpty() ? u"–"_s
                                     : CentsText(lines.front().Available) + u'/' + CentsText(lines.front().Rest));
    }
    return shown;
}

BookingList Rows(ListKind kind, const QStringList &rows)
{
    BookingList list(kind);
    for (const QString &row : rows) {
        const QStringList f = row.split(u'|');
        list.AddRow(kind == ListKind::Regular ? ListRow::Make(u"07."_s, {f.at(0), f.at(1), u"x"_s, f.at(2)})
                                              : ListRow::Make(u"01.01.2026"_s, {f.at(0), f.at(1), u"x"_s}));
    }
    return list;
}

} // namespace

class TestBudget : public QObject
{
    Q_OBJECT

private slots:
    void carryOver_data();
    void carryOver();
    void spentAsTheAnalysisGroups();
    void oneBudgetPerGroupName();
    void typedAmounts_data();
    void typedAmounts();
    void fileRoundTrip();
    void damagedFile_data();
    void damagedFile();
    void keptSpendingFollowsTheFiles();
};

void TestBudget::carryOver_data()
{
    QTest::addColumn<QString>("budgets");
    QTest::addColumn<QList<int>>("spent"); // euro per month from January; -1: no book
    QTest::addColumn<QStringList>("months");

    QTest::newRow("carry-over from January") << u"Lebensmittel 300 ja 1"_s << QList<int>{270, 420, 20}
                                             << QStringList{u"300.00/30.00"_s, u"330.00/-90.00"_s, u"210.00/190.00"_s};
    QTest::newRow("without carry-over") << u"Lebensmittel 300 nein 1"_s << QList<int>{270, 420, 20}
                                        << QStringList{u"300.00/30.00"_s, u"300.00/-120.00"_s, u"300.00/280.00"_s};
    QTest::newRow("starts in February") << u"Lebensmittel 300 ja 2"_s << QList<int>{270, 420, 20}
                                        << QStringList{u"–"_s, u"300.00/-120.00"_s, u"180.00/160.00"_s};
    QTest::newRow("new amount from March") << u"Lebensmittel 300 ja 1; Lebensmittel 200 ja 3"_s
                                           << QList<int>{270, 420, 20}
                                           << QStringList{u"300.00/30.00"_s, u"330.00/-90.00"_s, u"110.00/90.00"_s};
    QTest::newRow("carry-over dropped from March") << u"Lebensmittel 300 ja 1; Lebensmittel 300 nein 3"_s
                                                   << QList<int>{270, 420, 20}
                                                   << QStringList{u"300.00/30.00"_s, u"330.00/-90.00"_s, u"300.00/280.00"_s};
    QTest::newRow("month without a book") << u"Lebensmittel 300 ja 1"_s << QList<int>{270, -1, 20}
                                          << QStringList{u"300.00/30.00"_s, u"330.00/330.00"_s, u"630.00/610.00"_s};
    QTest::newRow("ended, then anew") << u"Lebensmittel 300 ja 1; Lebensmittel - x 2; Lebensmittel 100 ja 3"_s
                                      << QList<int>{400, 50, 20}
                                      << QStringList{u"300.00/-100.00"_s, u"–"_s, u"100.00/80.00"_s};
    QTest::newRow("removal from a month before it") << u"Lebensmittel 300 ja 2; Lebensmittel - x 1"_s
                                                    << QList<int>{10, 20, 30} << QStringList{u"–"_s, u"–"_s, u"–"_s};
}

void TestBudget::carryOver()
{
    QFETCH(QString, budgets);
    QFETCH(QList<int>, spent);
    QFETCH(QStringList, months);
    QCOMPARE(Months(Budgets(budgets), spent), months);
}

// Spent is the analysis's own category line: names grouped (case, ß ~ SS), regular expenses in,
// regular income out, each group to the cent.
void TestBudget::spentAsTheAnalysisGroups()
{
    const BookingList expend = Rows(ListKind::Expend, {u"100.004|Straße"_s, u"50|STRASSE"_s, u"7|Kino"_s});
    const BookingList regular = Rows(ListKind::Regular, {u"20|strasse|Ausgabe"_s, u"999|Straße|Einnahme"_s});
    const MonthSpending spent = SpentByCategory(expend, regular);
    QCOMPARE(spent.value(GroupNameKey(u"straße"_s)), 17000);
    QCOMPARE(spent.value(GroupNameKey(u"KINO"_s)), 700);
    for (const GroupSum &group : SumGroups(expend, regular, AnalysisSide::Expense, GroupKey::Category))
        QCOMPARE(spent.value(GroupNameKey(group.Name)), ShownCents(group.Sum));

    BudgetList budgets;
    budgets.Set(u"STRASSE"_s, Month(1), 16000, false);
    const QList<BudgetLine> lines =
        ComputeBudgetMonth(budgets, Month(1), [&](int) -> const MonthSpending * { return &spent; });
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines.front().Rest, -1000);
    QVERIFY(OverspentLine(lines, u"straße"_s));
    QCOMPARE(OverspentMessage(*OverspentLine(lines, u"Strasse"_s)), u"Das Budget „STRASSE“ ist um 10.00 € überschritten."_s);
    QVERIFY(!OverspentLine(lines, u"Kino"_s));

    const BookingList table = BudgetTable(lines);
    QCOMPARE(table.Columns().at(5).Caption, u"Rest (€)"_s);
    QCOMPARE(table.Row(0).Caption, u"STRASSE"_s);
    QCOMPARE(table.Row(0).SubItems, (QStringList{u"160.00"_s, u"0.00"_s, u"160.00"_s, u"170.00"_s, u"-10.00"_s}));
}

void TestBudget::oneBudgetPerGroupName()
{
    BudgetList budgets;
    budgets.Set(u"Lebensmittel"_s, Month(1), 30000, true);
    budgets.Set(u"LEBENSMITTEL"_s, Month(1), 25000, false);
    budgets.Set(u"lebensmittel"_s, Month(4), 20000, true);
    QCOMPARE(budgets.Entries().size(), 2);
    QCOMPARE(budgets.Entries().at(0), (BudgetEntry{u"Lebensmittel"_s, Month(1), 25000, false}));
    QCOMPARE(budgets.Entries().at(1), (BudgetEntry{u"Lebensmittel"_s, Month(4), 20000, true}));
    QVERIFY(budgets.Remove(u"LEBENSMITTEL"_s, Month(4)));
    QCOMPARE(budgets.Entries().at(1), (BudgetEntry{u"Lebensmittel"_s, Month(4), std::nullopt, false}));
    QVERIFY(!budgets.Holding(GroupNameKey(u"Lebensmittel"_s), Month(5)));
    QVERIFY(budgets.Holding(GroupNameKey(u"Lebensmittel"_s), Month(3)));
    QVERIFY(budgets.Remove(u"lebensMittel"_s));
    QVERIFY(budgets.IsEmpty());
    QVERIFY(!budgets.Remove(u"Lebensmittel"_s));
}

void TestBudget::typedAmounts_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<qint64>("cents"); // -1: refused
    QTest::addColumn<QString>("message");

    QTest::newRow("whole") << u"300"_s << 30000LL << QString();
    QTest::newRow("comma") << u"12,5"_s << 1250LL << QString();
    QTest::newRow("point, blanks") << u" 0.07 "_s << 7LL << QString();
    QTest::newRow("largest") << u"999999999,99"_s << 99999999999LL << QString();
    QTest::newRow("leading zeros") << u"000000000300"_s << 30000LL << QString();
    QTest::newRow("empty") << u" "_s << -1LL << u"Bitte geben Sie einen Betrag für das Budget an."_s;
    QTest::newRow("negative") << u"-5"_s << -1LL << u"Ein Budget kann nicht negativ sein: „-5“."_s;
    QTest::newRow("letters") << u"abc"_s << -1LL
                             << u"„abc“ ist kein gültiger Betrag. Erlaubt sind nur Ziffern und ein Punkt oder Komma."_s;
    QTest::newRow("thousands points") << u"1.000,00"_s << -1LL
                                      << u"„1.000,00“ ist kein gültiger Betrag. Es darf nur ein Punkt oder Komma gesetzt werden."_s;
    QTest::newRow("three decimals") << u"1,005"_s << -1LL
                                    << u"„1,005“ ist kein gültiger Betrag. Erlaubt sind höchstens zwei Stellen nach dem Komma."_s;
    QTest::newRow("one cent too much") << u"1000000000"_s << -1LL
                                       << u"Ein Budget darf höchstens 999.999.999,99 € betragen, nicht „1000000000“."_s;
    QTest::newRow("far too much") << u"99999999999999999999999"_s << -1LL
                                  << u"Ein Budget darf höchstens 999.999.999,99 € betragen, nicht „99999999999999999999999“."_s;
}

void TestBudget::typedAmounts()
{
    QFETCH(QString, typed);
    QFETCH(qint64, cents);
    QFETCH(QString, message);
    try {
        QCOMPARE(ReadBudgetAmount(typed), cents);
        QVERIFY(message.isEmpty());
    } catch (const QelError &error) {
        QCOMPARE(error.Message(), message);
        QCOMPARE(cents, -1);
    }
}

void TestBudget::fileRoundTrip()
{
    BudgetList budgets;
    budgets.Set(u"Straße"_s, Month(1), 30000, true);
    budgets.Set(u"Kino"_s, BudgetMonth(1999, 12), 5, false);
    budgets.Remove(u"STRASSE"_s, Month(6));
    const QByteArray bytes = budgets.Bytes();
    QCOMPARE(bytes, QByteArray("Haushaltsbuch Budgets 1\n"
                               "Stra\xC3\x9F" "e\t01.2026\t300.00\tja\n"
                               "Stra\xC3\x9F" "e\t06.2026\t-\tnein\n"
                               "Kino\t12.1999\t0.05\tnein\n"));
    QCOMPARE(BudgetList::Parse(bytes).Entries(), budgets.Entries());
    QCOMPARE(BudgetList::Parse("Haushaltsbuch Budgets 1\n").Entries().size(), 0);
}

void TestBudget::damagedFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    const QByteArray head = "Haushaltsbuch Budgets 1\n";
    const QString whole = u"Die Datei ist keine vollständige Budgetdatei."_s;

    QTest::newRow("empty") << QByteArray() << whole;
    QTest::newRow("other header") << QByteArray("Haushaltsbuch Budgets 2\n") << whole;
    QTest::newRow("cut off") << QByteArray(head + "Kino\t01.2026\t3.00\tja") << whole;
    QTest::newRow("three fields") << QByteArray(head + "Kino\t01.2026\t3.00\n") << u"Zeile 2: Es werden vier Felder erwartet."_s;
    QTest::newRow("no category") << QByteArray(head + " \t01.2026\t3.00\tja\n")
                                 << u"Zeile 2: Die Kategorie ist leer, zu lang oder enthält Steuerzeichen."_s;
    QTest::newRow("long category") << QByteArray(head + QByteArray(31, 'x') + "\t01.2026\t3.00\tja\n")
                                   << u"Zeile 2: Die Kategorie ist leer, zu lang oder enthält Steuerzeichen."_s;
    QTest::newRow("month 13") << QByteArray(head + "Kino\t13.2026\t3.00\tja\n") << u"Zeile 2: Der Monat ist ungültig."_s;
    QTest::newRow("negative") << QByteArray(head + "Kino\t01.2026\t-3.00\tja\n") << u"Zeile 2: Der Betrag ist ungültig."_s;
    QTest::newRow("one decimal") << QByteArray(head + "Kino\t01.2026\t3.0\tja\n") << u"Zeile 2: Der Betrag ist ungültig."_s;
    QTest::newRow("too large") << QByteArray(head + "Kino\t01.2026\t1000000000.00\tja\n")
                               << u"Zeile 2: Der Betrag ist ungültig."_s;
    QTest::newRow("carry-over word") << QByteArray(head + "Kino\t01.2026\t3.00\tyes\n")
                                     << u"Zeile 2: Der Übertrag muss \"ja\" oder \"nein\" sein."_s;
    QTest::newRow("twice") << QByteArray(head + "Kino\t01.2026\t3.00\tja\nKINO\t01.2026\t4.00\tja\n")
                           << u"Zeile 3: Die Kategorie hat für diesen Monat schon einen Eintrag."_s;
    QTest::newRow("not UTF-8") << QByteArray(head + "Stra\xDF" "e\t01.2026\t3.00\tja\n")
                               << u"Die Datei enthält Zeichen, die kein UTF-8 sind."_s;
    QTest::newRow("huge") << QByteArray(head + QByteArray(1024 * 1024, '\n'))
                          << u"Die Datei ist größer als eine Budgetdatei sein kann."_s;
}

void TestBudget::damagedFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    try {
        BudgetList::Parse(bytes);
        QFAIL("damaged bytes were read");
    } catch (const QelError &error) {
        QCOMPARE(error.Message(), message);
    }
}

// A calculator keeps each book's spending: a book saved anew, the regular expenses changed or
// the open book changed in memory count at the next report.
void TestBudget::keptSpendingFollowsTheFiles()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    const auto write = [&](const QString &book, const QStringList &expenses) {
        ListFiles::WriteFile(folder + book + u".qel"_s,
                             ListFiles::MonthBookBytes(BookingList(ListKind::Income), Rows(ListKind::Expend, expenses)));
    };
    write(u"Januar 2026"_s, {u"270|Lebensmittel"_s});
    write(u"Februar 2026"_s, {u"420|Lebensmittel"_s});
    BudgetList budgets;
    budgets.Set(u"Lebensmittel"_s, Month(1), 30000, true);
    BookCache cache(folder, Regional());
    BudgetCalculator calculator;
    QStringList errors;
    BookingList regular(ListKind::Regular);
    const auto rest = [&](const OpenBookLists &open = {}) {
        return CentsText(calculator.Month(cache, budgets, Month(2), regular, open, errors).value(0).Rest);
    };
    QCOMPARE(rest(), u"-90.00"_s);
    write(u"Januar 2026"_s, {u"100|Lebensmittel"_s, u"0.5|LEBENSMITTEL"_s});
    QCOMPARE(rest(), u"79.50"_s);
    regular = Rows(ListKind::Regular, {u"10|lebensmittel|Ausgabe"_s});
    QCOMPARE(rest(), u"59.50"_s);
    const BookingList open = Rows(ListKind::Expend, {u"20|Lebensmittel"_s});
    QCOMPARE(rest({u"Februar 2026"_s, &open, &open}), u"459.50"_s);
    QCOMPARE(errors, QStringList());

    const QList<BudgetYearLine> year = BudgetYear(calculator, cache, budgets, Year, regular, {}, errors);
    QCOMPARE(year.size(), 1);
    QCOMPARE(year.front().Available[1], 48950);
    QCOMPARE(year.front().Spent[1], 43000);
    QCOMPARE(year.front().Spent[2], 0); // no book: nothing spent
    QCOMPARE(year.front().Available[11], 5950 + 10 * 30000);
}

QTEST_GUILESS_MAIN(TestBudget)
#include "tst_budget.moc"
