// The change logs at their size: 240 books of 1,000 bookings taken into the logs once (a
// folder's first start), then every start scans the books beside the raw read of the same files,
// and one booking appended and its book written.

#include "tools/DemoDataGenerator.h"

#include "books/BookManager.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"
#include "ledger/Regional.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int Books = 240;
constexpr int Rows = 1000;

struct Folder
{
    QTemporaryDir Dir{QDir::tempPath() + QStringLiteral("/qel-bench-sync-XXXXXX")};
    LedgerPaths Paths;
    QString Error;
};

// Made once: the books written, then the first start takes them into this computer's log.
const Folder &TheFolder()
{
    static const std::unique_ptr<Folder> folder = [] {
        auto f = std::make_unique<Folder>();
        f->Paths.DataFolder = f->Dir.filePath(QStringLiteral("Daten/"));
        f->Paths.ProgramDataFolder = f->Dir.filePath(QStringLiteral("Programm/"));
        try {
            f->Paths.CreateFolders();
            DemoData::Options options;
            options.Books = Books;
            options.Rows = Rows;
            DemoData::Write(f->Paths.DataFolder, options);
            BookManager first(f->Paths, Regional());
            first.LoadRegular();
            first.ScanBooks();
        } catch (const QelError &error) {
            f->Error = error.Message();
        }
        return f;
    }();
    return *folder;
}

bool Ready(benchmark::State &state, const Folder &folder)
{
    if (!folder.Error.isEmpty())
        state.SkipWithError(qPrintable(folder.Error));
    return folder.Error.isEmpty();
}

// A start after one that left the files in line with the logs: the book list scanned from the
// files, the logs' sizes checked against the mark (the logs themselves are read on the first
// change, or meanwhile on a thread of their own).
void BM_StartWithLogs(benchmark::State &state)
{
    const Folder &folder = TheFolder();
    if (!Ready(state, folder))
        return;
    for (auto _ : state) {
        BookManager books(folder.Paths, Regional());
        books.LoadRegular();
        const QStringList errors = books.ScanBooks();
        if (!errors.isEmpty() || books.Books().RowCount() != Books) {
            state.SkipWithError("the start did not list every book");
            break;
        }
    }
}
BENCHMARK(BM_StartWithLogs)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: every book file and every log read, nothing made of them.
void BM_RawRead(benchmark::State &state)
{
    const Folder &folder = TheFolder();
    if (!Ready(state, folder))
        return;
    QStringList files;
    for (const QString &name : QDir(folder.Paths.DataFolder).entryList({QStringLiteral("*.qel")}, QDir::Files))
        files.append(folder.Paths.DataFolder + name);
    const QString logs = folder.Paths.DataFolder + QStringLiteral("Änderungen/");
    for (const QString &name : QDir(logs).entryList(QDir::Files))
        files.append(logs + name);
    for (auto _ : state) {
        qint64 bytes = 0;
        for (const QString &file : std::as_const(files))
            bytes += ListFiles::ReadFile(file).size();
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_RawRead)->Unit(benchmark::kMillisecond)->UseRealTime();

// One booking added to a book of 1,000 and saved: the entry appended (synced to the disk), the
// state changed, the book written through the atomic writer.
void BM_OneChangeAppended(benchmark::State &state)
{
    const Folder &folder = TheFolder();
    if (!Ready(state, folder))
        return;
    BookManager books(folder.Paths, Regional());
    books.LoadRegular();
    books.ScanBooks();
    books.OpenBook(books.FindBook(DemoData::BookName(QDate(2008, 1, 1), 3)));
    // Read while the window shows (PrepareLogs), before the user's first change.
    books.Changes();
    const ListRow added = ListRow::Make(QStringLiteral("03.04.2008"), {QStringLiteral("12.50"), QStringLiteral("Edeka"), QString()});
    try {
        for (auto _ : state) {
            books.AddBooking(books.Expend(), added);
            books.SaveChange(books.Expend());
        }
    } catch (const QelError &error) {
        state.SkipWithError(qPrintable(error.Message()));
    }
}
BENCHMARK(BM_OneChangeAppended)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
