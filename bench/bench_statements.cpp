// Reading a statement of 10,000 rows in each format, with MB/s (bytes_per_second) and
// rows per second (items_per_second); and a CSV of 100,000 rows in a layout no bank profile
// knows, read, its columns guessed, and read again with them (target: under a second).

#include "StatementSamples.h"

#include "statements/CsvLayoutGuess.h"
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

// An export of a small bank: its own header names, Soll and Haben, a purpose over two columns.
QByteArray UnknownLayout(int rows)
{
    QByteArray csv = "Umsätze Girokonto;DE12500105170648489890\n\n"
                     "Tag;Wertstellung;Empfänger/Auftraggeber;IBAN;VWZ1;VWZ2;Soll;Haben;Saldo\n";
    const QDate first(2020, 1, 1);
    for (int i = 0; i < rows; ++i) {
        const QByteArray date = first.addDays(i / 30).toString(u"dd.MM.yyyy").toLatin1();
        const bool credit = i % 7 == 0;
        const QByteArray amount = QByteArray::number(1 + i % 997) + ',' + QByteArray::number(10 + i % 90);
        csv += date + ';' + date + ";Lebensmittel Markt " + QByteArray::number(i % 40)
               + ";DE02120300000000202051;Einkauf Filiale " + QByteArray::number(i % 300) + ";Kartenzahlung "
               + QByteArray::number(i) + ';' + (credit ? QByteArray("0,00;") + amount : amount + QByteArray(";0,00")) + ";1.234,56\n";
    }
    return csv;
}

void ReadAndGuessUnknownCsv(benchmark::State &state)
{
    const int rows = int(state.range(0));
    const QByteArray bytes = UnknownLayout(rows);
    qsizetype read = 0;
    for (auto _ : state) {
        try {
            const StatementReadResult first = ReadStatement(bytes, QStringLiteral("bench.csv"));
            const CsvLayoutGuess guess = GuessCsvLayout(std::get<UnknownCsvLayout>(first));
            if (!guess.Unambiguous) {
                state.SkipWithError(qPrintable(guess.Doubt));
                return;
            }
            const StatementReadResult second = ReadStatement(
                bytes, QStringLiteral("bench.csv"), [&guess](const QString &) { return std::optional(guess.Choice); });
            read = std::get<Statement>(second).Rows.size();
        } catch (const QelError &error) {
            state.SkipWithError(qPrintable(error.Message()));
            return;
        }
        benchmark::DoNotOptimize(read);
    }
    if (read != rows)
        state.SkipWithError("not every row was read");
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
    state.SetItemsProcessed(int64_t(state.iterations()) * rows);
}

} // namespace

BENCHMARK(ReadSample)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadAndGuessUnknownCsv)->Arg(100'000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
