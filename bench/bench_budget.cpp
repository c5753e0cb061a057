// A month's budgets on a lifetime of data: 240 month books of 1,000 bookings each, budgets with
// carry-over from the first month, so the report of the last month adds up every book. After the
// scan (the books in the cache) it must stay within 20 ms.

#include "tools/DemoDataGenerator.h"

#include "analysis/YearSums.h"
#include "budget/BudgetFile.h"
#include "analysis/BudgetReport.h"
#include "books/BookCache.h"
#include "ledger/QelError.h"
#include "ledger/Regional.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int Books = 240;
constexpr int RowsPerBook = 1000;

struct Lifetime
{
    QTemporaryDir Dir{QDir::tempPath() + QStringLiteral("/qel-bench-XXXXXX")};
    QString Folder;
    QString Error;
    BudgetList Budgets;
    int LastMonth = 0;
};

const Lifetime &TheLifetime()
{
    static const std::unique_ptr<Lifetime> lifetime = [] {
        auto l = std::make_unique<Lifetime>();
        l->Folder = l->Dir.filePath(QStringLiteral("Daten/"));
        DemoData::Options options;
        options.Books = Books;
        options.Rows = RowsPerBook;
        try {
            DemoData::Write(l->Folder, options);
        } catch (const QelError &error) {
            l->Error = error.Message();
        }
        const int first = BudgetMonth(options.FirstMonth.year(), options.FirstMonth.month());
        l->LastMonth = first + Books - 1;
        l->Budgets.Set(QStringLiteral("Haushalt"), first, 80000, true);
        l->Budgets.Set(QStringLiteral("Wohnen"), first, 120000, true);
        l->Budgets.Set(QStringLiteral("Auto "), first, 30000, true);
        l->Budgets.Set(QStringLiteral("Freizeit"), first, 20000, false);
        l->Budgets.Set(QStringLiteral("HAUSHALT"), first + 120, 90000, true);
        return l;
    }();
    return *lifetime;
}

// The report of the last month, with the cache brought in line with the folder as every
// report does (the files looked at, none read again).
void BM_BudgetMonthAfterScan(benchmark::State &state)
{
    const Lifetime &l = TheLifetime();
    if (!l.Error.isEmpty()) {
        state.SkipWithError(l.Error.toUtf8().constData());
        return;
    }
    BookCache cache(l.Folder, Regional());
    cache.Refresh();
    BudgetCalculator calculator;
    QStringList errors;
    calculator.Month(cache, l.Budgets, l.LastMonth, cache.Regular().Rows, {}, errors);
    for (auto _ : state) {
        benchmark::DoNotOptimize(calculator.Month(cache, l.Budgets, l.LastMonth, cache.Regular().Rows, {}, errors));
    }
}
BENCHMARK(BM_BudgetMonthAfterScan)->Unit(benchmark::kMillisecond);

// After the scan, but every book's spending computed afresh (the first report, or one after
// the regular expenses changed).
void BM_BudgetMonthAfterScanUnkept(benchmark::State &state)
{
    const Lifetime &l = TheLifetime();
    if (!l.Error.isEmpty()) {
        state.SkipWithError(l.Error.toUtf8().constData());
        return;
    }
    BookCache cache(l.Folder, Regional());
    cache.Refresh();
    for (auto _ : state) {
        QStringList errors;
        benchmark::DoNotOptimize(
            BudgetMonthFromCache(cache, l.Budgets, l.LastMonth, cache.Regular().Rows, {}, errors));
    }
}
BENCHMARK(BM_BudgetMonthAfterScanUnkept)->Unit(benchmark::kMillisecond);

// The same with the scan: every book read.
void BM_BudgetMonthFirst(benchmark::State &state)
{
    const Lifetime &l = TheLifetime();
    if (!l.Error.isEmpty()) {
        state.SkipWithError(l.Error.toUtf8().constData());
        return;
    }
    for (auto _ : state) {
        BookCache cache(l.Folder, Regional());
        QStringList errors;
        benchmark::DoNotOptimize(
            BudgetMonthFromCache(cache, l.Budgets, l.LastMonth, cache.Regular().Rows, {}, errors));
    }
}
BENCHMARK(BM_BudgetMonthFirst)->Unit(benchmark::kMillisecond)->Iterations(3);

// A budget file as large as the reader takes (about 1 MB, every entry its own category): read,
// one amount set, written back. A household's file is a few hundred bytes; this must stay far
// below a second all the same.
void BM_LargestBudgetFile(benchmark::State &state)
{
    QByteArray bytes = "Haushaltsbuch Budgets 1\n";
    for (int i = 0; i + 1 < BudgetList::MaxEntries; ++i)
        bytes += "Kategorie " + QByteArray::number(i) + '\t' + BudgetMonthText(BudgetMonth(2026, 1 + i % 12)).toLatin1()
                 + '\t' + QByteArray::number(10 + i % 90) + ".00\tnein\n";
    for (auto _ : state) {
        BudgetList list = BudgetList::Parse(bytes);
        list.Set(u"Kategorie 1"_s, BudgetMonth(2026, 3), 1200, false);
        benchmark::DoNotOptimize(list.Bytes());
    }
    state.counters["bytes"] = double(bytes.size());
}
BENCHMARK(BM_LargestBudgetFile)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
