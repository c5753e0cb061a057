// Printing and export costs: a full list page drawn as an image and as the PDF the printer
// gets, and the .xls table of a long list built and saved.

#include "GuiBenchMain.h"
#include "tools/DemoDataGenerator.h"

#include "ledger/BookingList.h"
#include "ledger/Regional.h"
#include "output/ExportEXCEL.h"
#include "output/ListPages.h"
#include "output/PagePrinter.h"

#include <QDir>
#include <QPageLayout>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int PageRows = 60;     // a full income page
constexpr int ExportRows = 1000;

// An income list of the given length with the demo data's texts.
BookingList IncomeList(int rows)
{
    BookingList income(ListKind::Income);
    BookingList expend(ListKind::Expend);
    std::mt19937 rng(1);
    DemoData::FillMonthBook(rng, QDate(2008, 3, 1), rows, 0, income, expend, Regional());
    return income;
}

PageDrawing FullPage(const BookingList &list)
{
    return [&list](QPainter &p) { DrawListPage(p, list, QStringLiteral("Einnahmen - März 2008"), QStringLiteral("€")); };
}

void BM_ListPageImage(benchmark::State &state)
{
    const BookingList list = IncomeList(PageRows);
    for (auto _ : state)
        benchmark::DoNotOptimize(RenderPageImage(FullPage(list)));
}
BENCHMARK(BM_ListPageImage)->Unit(benchmark::kMillisecond);

// What one printed page costs before CUPS takes over: drawing and encoding the PDF.
void BM_ListPagePdf(benchmark::State &state)
{
    const BookingList list = IncomeList(PageRows);
    const QPageLayout a4(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(4, 4, 4, 4));
    qint64 bytes = 0;
    for (auto _ : state)
        bytes = PagePdf(FullPage(list), a4, QStringLiteral("Haushaltsbuch - Einnahmen")).size();
    state.counters["pdf_bytes"] = double(bytes);
}
BENCHMARK(BM_ListPagePdf)->Unit(benchmark::kMillisecond);

void BM_XlsTable(benchmark::State &state)
{
    const BookingList list = IncomeList(ExportRows);
    qint64 size = 0;
    for (auto _ : state)
        size = XlsTableBytes(list).size();
    state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(BM_XlsTable);

// The whole export after the dialog: table built, temporary file written, renamed.
void BM_SaveXlsFile(benchmark::State &state)
{
    const BookingList list = IncomeList(ExportRows);
    const QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/qel-bench-XXXXXX"));
    const QString path = dir.filePath(QStringLiteral("Einnahmen.xls"));
    for (auto _ : state)
        SaveXlsFile(path, list);
    state.SetBytesProcessed(state.iterations() * XlsTableBytes(list).size());
}
BENCHMARK(BM_SaveXlsFile);

} // namespace

int main(int argc, char **argv)
{
    return RunGuiBenchmarks(argc, argv);
}
