// The year overview and the search on a lifetime of data: 240 month books of 1,000 bookings
// each and 50 regular bookings. The first search reads every book; the searches after it look
// at the files (size, time, identity) and search what is cached, which must stay below 150 ms.
// The year page reads its twelve books, computes the year, lays the page out and draws it.

#include "GuiBenchMain.h"
#include "tools/DemoDataGenerator.h"

#include "analysis/YearPage.h"
#include "analysis/YearSums.h"
#include "books/BookCache.h"
#include "books/BookSearch.h"
#include "ledger/QelError.h"
#include "ledger/Regional.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int Books = 240;
constexpr int RowsPerBook = 1000;

// Twenty years of busy month books, written once per run.
struct Lifetime
{
    QTemporaryDir Dir{QDir::tempPath() + QStringLiteral("/qel-bench-XXXXXX")};
    QString Folder;
    QString Error;
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
        return l;
    }();
    return *lifetime;
}

// What the search field does for one text: look at the files, search, and make the texts of
// the hits it lists (at most 2,000).
qsizetype Search(BookCache &cache, const QString &text)
{
    cache.Refresh();
    const QList<SearchHit> hits = FindBookings(cache, ParseSearchQuery(text));
    for (qsizetype i = 0; i < std::min<qsizetype>(hits.size(), 2000); ++i)
        benchmark::DoNotOptimize(HitText(cache, hits.at(i)));
    return hits.size();
}

void BM_SearchFirst(benchmark::State &state)
{
    const Lifetime &l = TheLifetime();
    if (!l.Error.isEmpty()) {
        state.SkipWithError(l.Error.toUtf8().constData());
        return;
    }
    for (auto _ : state) {
        BookCache cache(l.Folder, Regional());
        benchmark::DoNotOptimize(Search(cache, QStringLiteral("tanken")));
    }
}
BENCHMARK(BM_SearchFirst)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SearchCached(benchmark::State &state, const QString &text)
{
    const Lifetime &l = TheLifetime();
    if (!l.Error.isEmpty()) {
        state.SkipWithError(l.Error.toUtf8().constData());
        return;
    }
    BookCache cache(l.Folder, Regional());
    cache.Refresh();
    qsizetype hits = 0;
    for (auto _ : state)
        hits = Search(cache, text);
    state.counters["hits"] = double(hits);
    state.counters["bookings"] = double(Books * RowsPerBook);
}
BENCHMARK_CAPTURE(BM_SearchCached, text, QStringLiteral("tanken"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SearchCached, rare_text, QStringLiteral("würzburg"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SearchCached, common_letter, QStringLiteral("e"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SearchCached, amount, QStringLiteral("12,50"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SearchCached, range, QStringLiteral("10-20"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SearchCached, grouped_range, QStringLiteral("1.000,00 - 2.000,00 €"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SearchCached, two_words, QStringLiteral("e tanken"))->Unit(benchmark::kMillisecond);

// The year page as "Jahresübersicht" makes it, with the cache filled by an earlier showing or
// (cold) read for the year's twelve books.
void BM_YearPage(benchmark::State &state)
{
    const Lifetime &l = TheLifetime();
    if (!l.Error.isEmpty()) {
        state.SkipWithError(l.Error.toUtf8().constData());
        return;
    }
    const bool cold = state.range(0) != 0;
    const Regional regional;
    auto warm = std::make_unique<BookCache>(l.Folder, regional);
    for (auto _ : state) {
        if (cold)
            warm = std::make_unique<BookCache>(l.Folder, regional);
        QStringList errors;
        const YearOverview year = YearFromCache(*warm, 2017, warm->Regular().Rows, {}, errors);
        const YearPage page = ScreenYearPage(year, regional);
        QImage image(page.Page.Size, QImage::Format_RGB32);
        QPainter painter(&image);
        PaintYearPage(painter, page, year);
        benchmark::DoNotOptimize(image.bits());
    }
}
BENCHMARK(BM_YearPage)->ArgName("cold")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return RunGuiBenchmarks(argc, argv);
}
