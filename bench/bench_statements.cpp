// Reading a statement of 10,000 rows in each format, with MB/s (bytes_per_second) and
// rows per second (items_per_second).

#include "StatementSamples.h"

#include "statements/Statement.h"
#include "ledger/QelError.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int Rows = 10'000;

void ReadSample(benchmark::State &state)
{
    const StatementSamples::Sample &sample = StatementSamples::All().at(state.range(0));
    const QByteArray bytes = StatementSamples::Make(sample.Kind, Rows);
    state.SetLabel(qPrintable(sample.Name));
    qsizetype rows = 0;
    for (auto _ : state) {
        try {
            const StatementReadResult result = ReadStatement(bytes, QStringLiteral("bench"));
            rows = std::get<Statement>(result).Rows.size();
        } catch (const QelError &error) {
            state.SkipWithError(qPrintable(error.Message()));
            return;
        }
        benchmark::DoNotOptimize(rows);
    }
    if (rows != Rows)
        state.SkipWithError("not every row was read");
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
    state.SetItemsProcessed(int64_t(state.iterations()) * rows);
    state.counters["MB"] = double(bytes.size()) / (1024.0 * 1024.0);
}

} // namespace

BENCHMARK(ReadSample)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
