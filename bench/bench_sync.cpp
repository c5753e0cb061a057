// A synced data folder: merging a month book of 1,000 bookings with the other computer's
// conflict copy, with 50 versions of it noted, in memory (the merge alone) and on the disk (read,
// merge, atomic save, the copy moved out).

#include "tools/DemoDataGenerator.h"

#include "ledger/BookMerge.h"
#include "ledger/BookVersions.h"
#include "ledger/BookingList.h"
#include "ledger/ConflictMerger.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"
#include "ledger/Regional.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr int Rows = 1000;
constexpr int Versions = 50;

struct Sides
{
    QList<QByteArray> History; // oldest first; the last is ours
    QByteArray Ours;
    QByteArray Theirs;
};

// A book grown a booking or two per save; the other computer started from the tenth version
// from the end, removed three of its bookings and added four.
const Sides &TheSides()
{
    static const Sides sides = [] {
        const Regional regional;
        std::mt19937 rng(7);
        BookingList income(ListKind::Income);
        BookingList expend(ListKind::Expend);
        DemoData::FillMonthBook(rng, QDate(2026, 3, 1), Rows / 5, Rows - Rows / 5 - Versions, income, expend, regional);
        Sides s;
        for (int v = 0; v < Versions; ++v) {
            BookingList moreIncome(ListKind::Income);
            BookingList more(ListKind::Expend);
            DemoData::FillMonthBook(rng, QDate(2026, 3, 1), 0, 1, moreIncome, more, regional);
            expend.AddRow(more.Row(0));
            expend.SortByCaption(regional);
            s.History.append(ListFiles::MonthBookBytes(income, expend));
        }
        s.Ours = s.History.last();
        BookingList theirIncome(ListKind::Income);
        BookingList theirs(ListKind::Expend);
        ListFiles::ParseMonthBook(s.History.at(Versions - 10), theirIncome, theirs);
        for (int i = 0; i < 3; ++i)
            theirs.RemoveRow(theirs.RowCount() / 2);
        DemoData::FillMonthBook(rng, QDate(2026, 3, 1), 0, 4, theirIncome, theirs, regional);
        s.Theirs = ListFiles::MonthBookBytes(theirIncome, theirs);
        return s;
    }();
    return sides;
}

void BM_MergeInMemory(benchmark::State &state)
{
    const Sides &s = TheSides();
    const Regional regional;
    for (auto _ : state)
        benchmark::DoNotOptimize(MergeLedgerFile(false, s.Ours, s.Theirs, VersionHistory::Of(s.History), regional));
}
BENCHMARK(BM_MergeInMemory)->Unit(benchmark::kMillisecond);

void BM_MergeConflictCopy(benchmark::State &state)
{
    const Sides &s = TheSides();
    QTemporaryDir dir;
    LedgerPaths paths;
    paths.ProgramDataFolder = dir.filePath(QStringLiteral("Programm/"));
    paths.DataFolder = dir.filePath(QStringLiteral("Daten/"));
    paths.CreateFolders();
    const QString copy = paths.DataFolder + QStringLiteral("März 2026.sync-conflict-20260308-101500-ABCDEF7.qel");
    try {
        for (auto _ : state) {
            state.PauseTiming();
            // Each round the same: the versions as before the first merge.
            QDir(paths.ProgramDataFolder).removeRecursively();
            paths.CreateFolders();
            BookVersions versions(paths.VersionsFolder());
            for (const QByteArray &version : s.History)
                versions.Record(QStringLiteral("März 2026.qel"), version, BookVersions::How::Written);
            ListFiles::WriteFile(paths.BookFile(QStringLiteral("März 2026")), s.Ours);
            ListFiles::WriteFile(copy, s.Theirs);
            state.ResumeTiming();
            if (ConflictMerger(paths, Regional()).MergeAll().Merged.size() != 1)
                state.SkipWithError("nothing merged");
        }
    } catch (const QelError &error) {
        state.SkipWithError(qPrintable(error.Message()));
    }
}
BENCHMARK(BM_MergeConflictCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
