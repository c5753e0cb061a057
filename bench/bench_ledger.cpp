// Throughput of the list files and the cost of the start-up book scan, against the floor
// of merely reading the same files.

#include "tools/DemoDataGenerator.h"

#include "books/BookManager.h"
#include "ledger/BookingList.h"
#include "ledger/LedgerPaths.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"
#include "ledger/Regional.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

namespace {

constexpr int BookRows = 500; // per list of the big month book
constexpr int ScanBooks = 240;
constexpr int ScanRows = 100; // per book, income and expenses together; busy households: 1,000
constexpr int ScanRegular = 50;

// A busy month: 500 income and 500 expense rows with German texts, umlauts included.
struct BigBook
{
    BookingList Income{ListKind::Income};
    BookingList Expend{ListKind::Expend};
    QByteArray Bytes;
};

const BigBook &TheBigBook()
{
    static const BigBook book = [] {
        BigBook b;
        const Regional regional;
        std::mt19937 rng(1);
        DemoData::FillMonthBook(rng, QDate(2008, 3, 1), BookRows, BookRows, b.Income, b.Expend, regional);
        b.Bytes = ListFiles::MonthBookBytes(b.Income, b.Expend);
        return b;
    }();
    return book;
}

// Twenty years of month books, generated once per run into a temporary folder.
struct ScanFolder
{
    QTemporaryDir Dir{QDir::tempPath() + QStringLiteral("/qel-bench-XXXXXX")};
    LedgerPaths Paths;
    QStringList BookFiles;
    qint64 BookBytes = 0;
    qint64 RegularBytes = 0;
    QString Error;
};

std::unique_ptr<ScanFolder> MakeScanFolder(int rows, int regularRows)
{
    auto f = std::make_unique<ScanFolder>();
    if (!f->Dir.isValid()) {
        f->Error = f->Dir.errorString();
        return f;
    }
    f->Paths.ProgramDataFolder = f->Dir.filePath(QStringLiteral("Programmdaten/"));
    f->Paths.DataFolder = f->Dir.filePath(QStringLiteral("Daten/"));
    DemoData::Options options;
    options.Books = ScanBooks;
    options.Rows = rows;
    options.Regular = regularRows;
    try {
        f->Paths.CreateFolders();
        DemoData::Write(f->Paths.DataFolder, options);
    } catch (const QelError &error) {
        f->Error = error.Message();
        return f;
    }
    const QFileInfoList books = QDir(f->Paths.DataFolder).entryInfoList({QStringLiteral("*.qel")}, QDir::Files);
    for (const QFileInfo &book : books) {
        f->BookFiles.append(book.filePath());
        f->BookBytes += book.size();
    }
    f->RegularBytes = QFileInfo(f->Paths.RegularFile()).size();
    return f;
}

// Generated on first use, kept (and removed) with the process.
const ScanFolder &TheScanFolder(int rows, int regularRows = ScanRegular)
{
    static std::map<std::pair<int, int>, std::unique_ptr<ScanFolder>> folders;
    std::unique_ptr<ScanFolder> &folder = folders[{rows, regularRows}];
    if (!folder)
        folder = MakeScanFolder(rows, regularRows);
    return *folder;
}

bool ReadyOrSkip(benchmark::State &state, const ScanFolder &folder)
{
    if (folder.Error.isEmpty() && folder.BookFiles.size() == ScanBooks)
        return true;
    state.SkipWithError(folder.Error.isEmpty() ? "the generated folder lacks books"
                                               : folder.Error.toLocal8Bit().constData());
    return false;
}

qint64 ReadAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = file.readAll();
    benchmark::DoNotOptimize(bytes.constData());
    return bytes.size();
}

void BM_WriteMonthBook(benchmark::State &state)
{
    const BigBook &book = TheBigBook();
    for (auto _ : state) {
        QByteArray bytes = ListFiles::MonthBookBytes(book.Income, book.Expend);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * book.Bytes.size());
    state.SetItemsProcessed(state.iterations() * 2 * BookRows);
}
BENCHMARK(BM_WriteMonthBook);

void BM_ReadMonthBook(benchmark::State &state)
{
    const BigBook &book = TheBigBook();
    for (auto _ : state) {
        BookingList income(ListKind::Income);
        BookingList expend(ListKind::Expend);
        ListFiles::ParseMonthBook(book.Bytes, income, expend);
        if (income.RowCount() != BookRows || expend.RowCount() != BookRows) {
            state.SkipWithError("rows lost while reading");
            break;
        }
        benchmark::DoNotOptimize(income.Rows().constData());
        benchmark::DoNotOptimize(expend.Rows().constData());
    }
    state.SetBytesProcessed(state.iterations() * book.Bytes.size());
    state.SetItemsProcessed(state.iterations() * 2 * BookRows);
}
BENCHMARK(BM_ReadMonthBook);

// The interactive path: one booking added to a busy book, which re-sorts the whole list.
void BM_AddBooking(benchmark::State &state)
{
    const BigBook &book = TheBigBook();
    BookManager manager(LedgerPaths{}, Regional());
    for (const ListRow &row : book.Expend.Rows())
        manager.Expend().AddRow(row);
    const ListRow added = book.Expend.Row(BookRows / 2);
    for (auto _ : state) {
        const qsizetype at = manager.AddBooking(manager.Expend(), added);
        manager.Expend().RemoveRow(at);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AddBooking);

// What a booking costs now that it is saved as its dialog closes: added to the busy book of
// 1,000 rows, sorted, and the whole book written through the atomic writer (synced to the disk).
void BM_AddBookingAndSave(benchmark::State &state)
{
    const BigBook &book = TheBigBook();
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/qel-bench-save-XXXXXX"));
    LedgerPaths paths;
    paths.DataFolder = dir.path() + u'/';
    BookManager manager(paths, Regional());
    manager.SetCurrentBook(QStringLiteral("März 2008"));
    for (const ListRow &row : book.Income.Rows())
        manager.Income().AddRow(row);
    for (const ListRow &row : book.Expend.Rows())
        manager.Expend().AddRow(row);
    const ListRow added = book.Expend.Row(BookRows / 2);
    try {
        for (auto _ : state) {
            const qsizetype at = manager.AddBooking(manager.Expend(), added);
            manager.SaveChange(manager.Expend());
            state.PauseTiming();
            manager.Expend().RemoveRow(at);
            state.ResumeTiming();
        }
    } catch (const QelError &error) {
        state.SkipWithError(qPrintable(error.Message()));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AddBookingAndSave)->Unit(benchmark::kMillisecond)->UseRealTime();

// The arguments are the bookings per book and the number of regular bookings; with none,
// Regular.dat is all but empty and the difference shows what reading it costs.
void BM_ScanBooks(benchmark::State &state)
{
    const ScanFolder &folder = TheScanFolder(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    if (!ReadyOrSkip(state, folder))
        return;
    for (auto _ : state) {
        BookManager manager(folder.Paths, Regional());
        const QStringList errors = manager.ScanBooks();
        if (!errors.isEmpty() || manager.Books().RowCount() != ScanBooks) {
            state.SkipWithError("the scan did not read every book");
            break;
        }
        benchmark::DoNotOptimize(manager.Books().Rows().constData());
    }
    state.SetBytesProcessed(state.iterations() * (folder.BookBytes + ScanBooks * folder.RegularBytes));
}
// The scan reads ahead on helper threads: wall time, and the CPU time of all threads.
BENCHMARK(BM_ScanBooks)
    ->ArgNames({"rows", "regular"})
    ->Args({ScanRows, ScanRegular})
    ->Args({ScanRows, 0})
    ->Args({10 * ScanRows, ScanRegular})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// What the scan cannot go below: its reads. It reads Regular.dat again for every book's
// totals, so the floor does too. The file list is made beforehand and not timed.
void BM_ReadBooksFloor(benchmark::State &state)
{
    const ScanFolder &folder = TheScanFolder(static_cast<int>(state.range(0)));
    if (!ReadyOrSkip(state, folder))
        return;
    const QString regular = folder.Paths.RegularFile();
    for (auto _ : state) {
        qint64 total = 0;
        for (const QString &path : folder.BookFiles)
            total += ReadAll(path) + ReadAll(regular);
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(state.iterations() * (folder.BookBytes + ScanBooks * folder.RegularBytes));
}
BENCHMARK(BM_ReadBooksFloor)->ArgName("rows")->Arg(ScanRows)->Arg(10 * ScanRows)->Unit(benchmark::kMillisecond);

// The floor if Regular.dat were read once per scan.
void BM_ReadBooksFloorOnce(benchmark::State &state)
{
    const ScanFolder &folder = TheScanFolder(static_cast<int>(state.range(0)));
    if (!ReadyOrSkip(state, folder))
        return;
    const QString regular = folder.Paths.RegularFile();
    for (auto _ : state) {
        qint64 total = ReadAll(regular);
        for (const QString &path : folder.BookFiles)
            total += ReadAll(path);
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(state.iterations() * (folder.BookBytes + folder.RegularBytes));
}
BENCHMARK(BM_ReadBooksFloorOnce)->ArgName("rows")->Arg(ScanRows)->Arg(10 * ScanRows)->Unit(benchmark::kMillisecond);

// The sums alone, from the books' bytes already in memory: what the scan adds to its reads.
void BM_SumBooksInMemory(benchmark::State &state)
{
    const ScanFolder &folder = TheScanFolder(static_cast<int>(state.range(0)));
    if (!ReadyOrSkip(state, folder))
        return;
    QList<QByteArray> books;
    for (const QString &path : folder.BookFiles)
        books.append(ListFiles::ReadFile(path));
    for (auto _ : state) {
        ComponentStream::KnownRecords known;
        double total = 0.0;
        for (const QByteArray &book : books) {
            const ListFiles::MonthBookSums sums = ListFiles::SumMonthBook(book, known);
            total += sums.Income + sums.Expend;
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(state.iterations() * folder.BookBytes);
}
BENCHMARK(BM_SumBooksInMemory)->ArgName("rows")->Arg(ScanRows)->Arg(10 * ScanRows)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
