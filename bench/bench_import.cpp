// The statement import: a statement of 10,000 rows matched against 240 month books (the demo
// ledger, 100 bookings each, 50 regular bookings) and shown in the preview's model, also with
// the reading of the file in each format before it. Goal: at most a second for all of it, the
// books read from the disk included.

#include "StatementSamples.h"
#include "TestZip.h"
#include "tools/DemoDataGenerator.h"

#include "import/ImportBooking.h"
#include "import/ImportMatcher.h"
#include "import/ImportPreviewModel.h"
#include "import/ImportStore.h"
#include "books/BookManager.h"
#include "ledger/FuncUnit.h"
#include "ledger/QelError.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <random>

namespace {

constexpr int Rows = 10000;
constexpr int Books = 240;
// The samples of the readers' benchmark start in January 2024 and run for some years.
const QDate FirstMonth(2014, 1, 1);

struct Ledger
{
    QTemporaryDir Dir{QDir::tempPath() + QStringLiteral("/qel-bench-import-XXXXXX")};
    LedgerPaths Paths;
    Statement Rows;
    QString Error;
};

// Names as banks give them, and texts as they write them.
QString Counterparty(std::mt19937 &rng)
{
    static const char16_t *const names[] = {
        u"REWE Markt GmbH", u"EDEKA Center Müller", u"Aral Tankstelle 4711", u"Stadtwerke Musterstadt",
        u"Deutsche Telekom AG", u"Amazon EU S.a.r.L.", u"PayPal Europe S.a.r.l. et Cie S.C.A", u"dm-drogerie markt",
        u"Allianz Versicherungs-AG", u"Hausverwaltung Ost GmbH", u"Apotheke am Markt", u"Bäckerei Korn",
        u"Deutsche Bahn Vertrieb GmbH", u"Finanzamt Musterstadt", u"Arbeitgeber AG", u"Familienkasse"};
    const auto n = std::size(names);
    return QString::fromUtf16(names[rng() % n]) + (rng() % 4 == 0 ? QStringLiteral(" Filiale %1").arg(rng() % 900) : QString());
}

std::unique_ptr<Ledger> MakeLedger()
{
    auto l = std::make_unique<Ledger>();
    l->Paths.ProgramDataFolder = l->Dir.filePath(QStringLiteral("Programmdaten/"));
    l->Paths.DataFolder = l->Dir.filePath(QStringLiteral("Daten/"));
    try {
        l->Paths.CreateFolders();
        DemoData::Options options;
        options.Books = Books;
        options.FirstMonth = FirstMonth;
        DemoData::Write(l->Paths.DataFolder, options);

        // Rows spread over all months; every tenth is a booking the book has already.
        BookManager books(l->Paths, Regional());
        books.LoadRegular();
        std::mt19937 rng(7);
        BookingList income(ListKind::Income);
        BookingList expend(ListKind::Expend);
        l->Rows.Format = QStringLiteral("CAMT.053.001.08");
        l->Rows.Account = QStringLiteral("DE02120300000000202051");
        for (int i = 0; i < Rows; ++i) {
            const QDate month = FirstMonth.addMonths(i % Books);
            StatementRow row;
            row.Currency = QStringLiteral("EUR");
            row.Counterparty = Counterparty(rng);
            row.Purpose = QStringLiteral("SVWZ Rechnung %1 Kundennr. %2 vom %3").arg(rng() % 100000).arg(rng() % 1000000).arg(i);
            row.Reference = i % 3 == 0 ? QString() : QStringLiteral("2008%1").arg(i, 10, 10, QChar(u'0'));
            row.Credit = rng() % 6 == 0;
            row.AmountCents = 100 + rng() % 150000;
            row.BookingDate = QDate(month.year(), month.month(), 1 + int(rng() % month.daysInMonth()));
            if (i % 10 == 0) {
                books.ReadBook(BookNameOf(month), income, expend);
                const BookingList &list = row.Credit && !income.IsEmpty() ? income : expend;
                const ListRow &booking = list.Row(qsizetype(rng() % list.RowCount()));
                row.Credit = &list == &income;
                row.AmountCents = std::llround(ParseAmount(booking.SubItem(0)) * 100);
                row.BookingDate = Regional().ParseDate(booking.Caption).addDays(1);
            }
            l->Rows.Rows.append(row);
        }
        QList<ImportRule> rules;
        for (int r = 0; r < 20; ++r)
            rules.append({QStringLiteral("Händler %1").arg(r), false, RuleDirection::Both, QStringLiteral("Haushalt"), QString()});
        rules.append({QStringLiteral("^(REWE|EDEKA)\\b"), true, RuleDirection::Expense, QStringLiteral("Haushalt"),
                      QStringLiteral("Nahrungsmittel")});
        rules.append({QStringLiteral("tankstelle"), false, RuleDirection::Expense, QStringLiteral("Auto "),
                      QStringLiteral("Tanken")});
        ImportStore(l->Paths.ImportStoreFile()).SetRules(rules);
    } catch (const QelError &error) {
        l->Error = error.Message();
    }
    return l;
}

Ledger &TheLedger()
{
    static const std::unique_ptr<Ledger> ledger = MakeLedger();
    return *ledger;
}

// What the window does between reading the file and showing the preview.
void MatchAndShow(benchmark::State &state, Ledger &l)
{
    BookManager books(l.Paths, Regional());
    books.LoadRegular();
    ImportPreviewModel model;
    for (auto _ : state) {
        const MatchContext context = LoadMatchContext(books, l.Rows, true);
        model.SetRows(ImportMatcher(context, books.RegionalSettings()).Match(l.Rows));
        benchmark::DoNotOptimize(model.Summary());
    }
    state.counters["rows"] = double(model.rowCount());
    state.counters["neu"] = double(std::count_if(model.Rows().cbegin(), model.Rows().cend(),
                                                 [](const ImportCandidate &c) { return c.Status == ImportStatus::New; }));
}

void BM_MatchAndPreview(benchmark::State &state)
{
    Ledger &l = TheLedger();
    if (!l.Error.isEmpty()) {
        state.SkipWithError(l.Error.toStdString().c_str());
        return;
    }
    MatchAndShow(state, l);
}
BENCHMARK(BM_MatchAndPreview)->Unit(benchmark::kMillisecond);

// The same statement once all of it has been imported: every row is looked up among 10,000
// imported ones.
void BM_MatchAndPreviewAllImported(benchmark::State &state)
{
    Ledger &l = TheLedger();
    if (!l.Error.isEmpty()) {
        state.SkipWithError(l.Error.toStdString().c_str());
        return;
    }
    {
        ImportStore store(l.Paths.ImportStoreFile());
        if (store.ImportedCount() == 0) {
            BookManager books(l.Paths, Regional());
            const MatchContext context = LoadMatchContext(books, l.Rows, true);
            ImportBatch batch;
            for (const ImportCandidate &c : ImportMatcher(context, books.RegionalSettings()).Match(l.Rows)) {
                batch.Bookings.append({c.Identity, c.BookName, c.Row.Credit, c.DateText, c.Amount, c.Category,
                                       c.Purpose, c.Row.Counterparty, c.Row.Purpose, c.Row.Reference});
            }
            store.FinishBatch(store.BeginBatch(batch));
        }
    }
    MatchAndShow(state, l);
}
BENCHMARK(BM_MatchAndPreviewAllImported)->Unit(benchmark::kMillisecond);

// From the file's bytes to the preview, as the window goes: read, match, show.
void BM_ReadMatchAndPreview(benchmark::State &state)
{
    Ledger &l = TheLedger();
    if (!l.Error.isEmpty()) {
        state.SkipWithError(l.Error.toStdString().c_str());
        return;
    }
    const StatementSamples::Sample &sample = StatementSamples::All().at(state.range(0));
    const QByteArray bytes = StatementSamples::Make(sample.Kind, Rows);
    state.SetLabel(qPrintable(sample.Name));
    BookManager books(l.Paths, Regional());
    books.LoadRegular();
    ImportPreviewModel model;
    QStringList months;
    for (auto _ : state) {
        try {
            const Statement statement = std::get<Statement>(ReadStatement(bytes, QStringLiteral("bench")));
            const MatchContext context = LoadMatchContext(books, statement, true);
            model.SetRows(ImportMatcher(context, books.RegionalSettings()).Match(statement));
            benchmark::DoNotOptimize(model.Summary());
            months = BooksToCompare(statement);
        } catch (const QelError &error) {
            state.SkipWithError(qPrintable(error.Message()));
            return;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
    state.counters["rows"] = double(model.rowCount());
    state.counters["books"] = double(months.size());
}
BENCHMARK(BM_ReadMatchAndPreview)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

// A savings bank's download: a ZIP of twelve monthly CAMT files of 10,000 rows in all, read,
// and each statement matched and shown in the preview in turn, as the window does it.
void BM_ReadZipMatchAndPreview(benchmark::State &state)
{
    Ledger &l = TheLedger();
    if (!l.Error.isEmpty()) {
        state.SkipWithError(l.Error.toStdString().c_str());
        return;
    }
    QList<ZipEntry> months;
    for (int m = 1; m <= 12; ++m) {
        months.append({QStringLiteral("2024-%1.xml").arg(m, 2, 10, QChar(u'0')),
                       StatementSamples::Make(StatementSamples::Format::Camt053, Rows / 12 + 1)});
    }
    const QString zip = l.Dir.filePath(QStringLiteral("umsaetze.zip"));
    QFile file(zip);
    if (!file.open(QIODevice::WriteOnly) || file.write(MakeZip(months)) < 0) {
        state.SkipWithError("cannot write the ZIP");
        return;
    }
    file.close();
    BookManager books(l.Paths, Regional());
    books.LoadRegular();
    ImportPreviewModel model;
    qint64 rows = 0;
    for (auto _ : state) {
        try {
            rows = 0;
            for (const StatementFile &entry : ReadStatementFiles(zip)) {
                const Statement &statement = std::get<Statement>(entry.Result);
                const MatchContext context = LoadMatchContext(books, statement, true);
                model.SetRows(ImportMatcher(context, books.RegionalSettings()).Match(statement));
                benchmark::DoNotOptimize(model.Summary());
                rows += model.rowCount();
            }
        } catch (const QelError &error) {
            state.SkipWithError(qPrintable(error.Message()));
            return;
        }
    }
    state.counters["rows"] = double(rows);
}
BENCHMARK(BM_ReadZipMatchAndPreview)->Unit(benchmark::kMillisecond);

// Only the matching, with everything it is matched against in memory.
void BM_MatchOnly(benchmark::State &state)
{
    Ledger &l = TheLedger();
    if (!l.Error.isEmpty()) {
        state.SkipWithError(l.Error.toStdString().c_str());
        return;
    }
    BookManager books(l.Paths, Regional());
    books.LoadRegular();
    const MatchContext context = LoadMatchContext(books, l.Rows, true);
    const ImportMatcher matcher(context, books.RegionalSettings());
    for (auto _ : state)
        benchmark::DoNotOptimize(matcher.Match(l.Rows));
}
BENCHMARK(BM_MatchOnly)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    int qtArgc = 1;
    QCoreApplication app(qtArgc, argv); // Qt's SQL driver is a plugin
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
