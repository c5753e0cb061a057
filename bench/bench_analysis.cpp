// The breakdowns of the analysis pages grow linearly with the rows: 10 times the rows should
// take about 10 times as long, at 100, 1,000 and 10,000 rows. Beside them, for scale, the
// scheme of one pass over all rows per group name, which grows with rows times groups.

#include "tools/DemoDataGenerator.h"

#include "analysis/AnalysisSums.h"
#include "ledger/BookingList.h"
#include "ledger/FuncUnit.h"
#include "ledger/ListFiles.h"
#include "ledger/Regional.h"

#include <benchmark/benchmark.h>

#include <map>

namespace {

struct Month
{
    BookingList Income{ListKind::Income};
    BookingList Expend{ListKind::Expend};
    BookingList Regular{ListKind::Regular};
};

// A month of demo bookings with rows income and rows expense rows and 50 regular ones, read
// from its file as the program holds an open book. With distinctPurposes every expense row
// gets a purpose of its own (e.g. an invoice number), so there are as many groups as rows.
const Month &MonthOf(int rows, bool distinctPurposes)
{
    static std::map<std::pair<int, bool>, Month> months;
    auto [it, isNew] = months.try_emplace({rows, distinctPurposes});
    if (isNew) {
        Month made;
        const Regional regional;
        std::mt19937 rng(1);
        DemoData::FillMonthBook(rng, QDate(2008, 3, 1), rows, rows, made.Income, made.Expend, regional);
        DemoData::FillRegular(rng, 50, made.Regular, regional);
        if (distinctPurposes) {
            for (qsizetype i = 0; i < made.Expend.RowCount(); ++i)
                made.Expend.SetSubItem(i, 2, QStringLiteral("Rechnung %1").arg(i));
        }
        Month &m = it->second;
        ListFiles::ParseMonthBook(ListFiles::MonthBookBytes(made.Income, made.Expend), m.Income, m.Expend);
        ListFiles::ParseRegular(ListFiles::RegularBytes(made.Regular), m.Regular);
    }
    return it->second;
}

// The floor: the same rows only added up, as a list sum does.
void BM_ListSumFloor(benchmark::State &state)
{
    const int rows = int(state.range(0));
    const Month &m = MonthOf(rows, true);
    for (auto _ : state)
        benchmark::DoNotOptimize(ListSum(m.Expend));
    state.SetComplexityN(rows);
}
BENCHMARK(BM_ListSumFloor)->RangeMultiplier(10)->Range(100, 10000)->Complexity(benchmark::oN);

// One pass over both lists per collected name.
QList<GroupSum> PassPerGroup(const BookingList &main, const BookingList &regular, int column, const QString &kind)
{
    QStringList names;
    const auto collect = [&](const ListRow &row) {
        const QString name = row.SubItem(column);
        for (const QString &known : names) {
            if (known.compare(name, Qt::CaseInsensitive) == 0)
                return;
        }
        names.append(name);
    };
    for (const ListRow &row : main.Rows())
        collect(row);
    for (const ListRow &row : regular.Rows()) {
        if (row.SubItem(3) == kind)
            collect(row);
    }
    QList<GroupSum> groups;
    for (const QString &name : names) {
        double sum = 0;
        for (const ListRow &row : main.Rows()) {
            if (row.SubItem(column) == name && !row.SubItem(0).isEmpty())
                sum += ParseAmount(row.SubItem(0));
        }
        for (const ListRow &row : regular.Rows()) {
            if (row.SubItem(3) == kind && row.SubItem(column) == name && !row.SubItem(0).isEmpty())
                sum += ParseAmount(row.SubItem(0));
        }
        groups.append({name, sum});
    }
    return groups;
}

void BM_SumGroups(benchmark::State &state, bool distinctPurposes)
{
    const int rows = int(state.range(0));
    const Month &m = MonthOf(rows, distinctPurposes);
    for (auto _ : state)
        benchmark::DoNotOptimize(SumGroups(m.Expend, m.Regular, AnalysisSide::Expense, GroupKey::Purpose));
    state.SetComplexityN(rows);
    state.counters["groups"] = double(SumGroups(m.Expend, m.Regular, AnalysisSide::Expense, GroupKey::Purpose).size());
}
BENCHMARK_CAPTURE(BM_SumGroups, demo_purposes, false)->RangeMultiplier(10)->Range(100, 10000)->Complexity(benchmark::oN);
BENCHMARK_CAPTURE(BM_SumGroups, distinct_purposes, true)->RangeMultiplier(10)->Range(100, 10000)->Complexity(benchmark::oN);

void BM_PassPerGroup(benchmark::State &state)
{
    const int rows = int(state.range(0));
    const Month &m = MonthOf(rows, true);
    for (auto _ : state)
        benchmark::DoNotOptimize(PassPerGroup(m.Expend, m.Regular, 2, ExpenseKind()));
    state.SetComplexityN(rows);
}
// Up to 1,000 rows only: at 10,000 one run takes half a minute.
BENCHMARK(BM_PassPerGroup)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

// Everything the analysis pages compute: six totals and four breakdowns.
void BM_AnalysisPages(benchmark::State &state)
{
    const int rows = int(state.range(0));
    const Month &m = MonthOf(rows, false);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ComputeAnalysisTotals(m.Income, m.Expend, m.Regular));
        for (GroupKey key : {GroupKey::Category, GroupKey::Purpose}) {
            benchmark::DoNotOptimize(SumGroups(m.Income, m.Regular, AnalysisSide::Income, key));
            benchmark::DoNotOptimize(SumGroups(m.Expend, m.Regular, AnalysisSide::Expense, key));
        }
    }
    state.SetComplexityN(rows);
}
BENCHMARK(BM_AnalysisPages)->RangeMultiplier(10)->Range(100, 10000)->Complexity(benchmark::oN);

} // namespace
