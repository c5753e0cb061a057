// Backup and restore of twenty years of month books (240 books of 100 bookings and
// Regular.dat) beside `cp -r` of the same files, on the disk and in memory (tmpfs).
// Each backup replaces the previous one, as a user's does; each restore replaces the data.

#include "tools/DemoDataGenerator.h"

#include "transfer/AutoBackup.h"
#include "transfer/BackupEngine.h"
#include "ledger/QelError.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int OnDisk = 0;
constexpr int InMemory = 1;

struct Folders
{
    std::unique_ptr<QTemporaryDir> Root;
    QString Data;
    QString Backup;
    QString Journal;
    qint64 Bytes = 0;
    QString Error;
};

// One generated data folder and one backup of it per location, made on first use.
Folders &TheFolders(int location)
{
    static Folders folders[2];
    Folders &f = folders[location];
    if (f.Root)
        return f;
    const QString base = location == InMemory ? QStringLiteral("/dev/shm") : QDir::tempPath();
    f.Root = std::make_unique<QTemporaryDir>(base + QStringLiteral("/qel-bench-backup-XXXXXX"));
    f.Data = f.Root->filePath(QStringLiteral("Daten"));
    f.Backup = f.Root->filePath(QStringLiteral("USB/OrvoHaushalt_Backup"));
    f.Journal = f.Root->filePath(QStringLiteral("Programmdaten/Sicherungen/Journal"));
    try {
        DemoData::Write(f.Data, DemoData::Options{});
        BackupEngine(f.Data, f.Journal).Backup(f.Backup, {});
    } catch (const QelError &error) {
        f.Error = error.Message();
    }
    for (const QFileInfo &file : QDir(f.Data).entryInfoList(QDir::Files))
        f.Bytes += file.size();
    return f;
}

bool Prepared(benchmark::State &state, const Folders &f)
{
    if (!f.Root->isValid() || !f.Error.isEmpty()) {
        state.SkipWithError(f.Error.isEmpty() ? "no temporary folder" : qPrintable(f.Error));
        return false;
    }
    return true;
}

void Finish(benchmark::State &state, const Folders &f)
{
    state.SetBytesProcessed(state.iterations() * f.Bytes);
    state.SetItemsProcessed(state.iterations() * (DemoData::Options{}.Books + 1));
}

void Transfer(benchmark::State &state, bool backup)
{
    Folders &f = TheFolders(static_cast<int>(state.range(0)));
    if (!Prepared(state, f))
        return;
    const BackupEngine engine(f.Data, f.Journal);
    for (auto _ : state) {
        try {
            if (backup)
                engine.Backup(f.Backup, {});
            else
                engine.Restore(f.Backup, {});
        } catch (const QelError &error) {
            state.SkipWithError(qPrintable(error.Message()));
            return;
        }
    }
    Finish(state, f);
}

void BM_Backup(benchmark::State &state)
{
    Transfer(state, true);
}
BENCHMARK(BM_Backup)->ArgName("memory")->Arg(OnDisk)->Arg(InMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Restore(benchmark::State &state)
{
    Transfer(state, false);
}
BENCHMARK(BM_Restore)->ArgName("memory")->Arg(OnDisk)->Arg(InMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

// The automatic backup at the end of a run that changed one book: a copy of that book, hard
// links to the newest earlier copy for the rest, the copies beyond ten removed.
void BM_AutomaticBackup(benchmark::State &state)
{
    Folders &f = TheFolders(static_cast<int>(state.range(0)));
    if (!Prepared(state, f))
        return;
    AutoBackups automatic(f.Root->filePath(QStringLiteral("Programmdaten/Sicherungen/automatisch")));
    const QString changed = f.Data + QStringLiteral("/Januar 2000.qel");
    QDateTime when(QDate(2026, 12, 8), QTime(14, 20, 5));
    try {
        automatic.Create(f.Data, {}, when);
        for (auto _ : state) {
            state.PauseTiming();
            // A save between two runs: new bytes, new time.
            QFile file(changed);
            if (file.open(QIODevice::Append))
                file.write("x");
            file.close();
            when = when.addSecs(60);
            state.ResumeTiming();
            automatic.Create(f.Data, {}, when);
        }
    } catch (const QelError &error) {
        state.SkipWithError(qPrintable(error.Message()));
        return;
    }
    Finish(state, f);
}
BENCHMARK(BM_AutomaticBackup)->ArgName("memory")->Arg(OnDisk)->Arg(InMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

// The yardstick: `cp -r` into a fresh folder (removing the old copy is not timed); the same
// followed by `sync -f`, since the backup puts its copies on the disk before it commits; and
// `rm -rf` of the old copy with `cp -r`, since the backup replaces the old one.
enum class CpMode { Fresh, Synced, Replacing };

void CopyWithCp(benchmark::State &state, CpMode mode)
{
    Folders &f = TheFolders(static_cast<int>(state.range(0)));
    if (!Prepared(state, f))
        return;
    const QString copy = f.Root->filePath(QStringLiteral("cp-Kopie"));
    for (auto _ : state) {
        if (mode == CpMode::Replacing) {
            QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), copy});
        } else {
            state.PauseTiming();
            QDir(copy).removeRecursively();
            state.ResumeTiming();
        }
        if (QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-r"), f.Data, copy}) != 0
            || (mode == CpMode::Synced
                && QProcess::execute(QStringLiteral("sync"), {QStringLiteral("-f"), copy}) != 0)) {
            state.SkipWithError("cp failed");
            return;
        }
    }
    QDir(copy).removeRecursively();
    Finish(state, f);
}

void BM_CpR(benchmark::State &state)
{
    CopyWithCp(state, CpMode::Fresh);
}
BENCHMARK(BM_CpR)->ArgName("memory")->Arg(OnDisk)->Arg(InMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CpRSync(benchmark::State &state)
{
    CopyWithCp(state, CpMode::Synced);
}
BENCHMARK(BM_CpRSync)->ArgName("memory")->Arg(OnDisk)->Arg(InMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RmCpR(benchmark::State &state)
{
    CopyWithCp(state, CpMode::Replacing);
}
BENCHMARK(BM_RmCpR)->ArgName("memory")->Arg(OnDisk)->Arg(InMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
