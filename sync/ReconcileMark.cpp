#include "sync/ReconcileMark.h"

#include "changes/ChangeLog.h"
#include "ledger/ConflictCopies.h"
#include "ledger/ListFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace ReconcileMark {

namespace {

QString MarkFile(const LedgerPaths &paths)
{
    return paths.ProgramDataFolder + u"Abgleich.txt"_s;
}

// Adds each file's name, size, time and inode; the sizes by name, when asked for.
void Add(QByteArray &snapshot, const QString &folder, const QStringList &names, LogFolder::Sizes *sizes = nullptr)
{
    for (const QString &name : names) {
        struct stat st{};
        const QByteArray path = QFile::encodeName(folder + name);
        if (::stat(path.constData(), &st) != 0)
            continue;
        snapshot += name.toUtf8() + '\t' + QByteArray::number(qint64(st.st_size)) + '\t'
                    + QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.' + QByteArray::number(qint64(st.st_mtim.tv_nsec))
                    + '\t' + QByteArray::number(qulonglong(st.st_ino)) + '\n';
        if (sizes)
            sizes->insert(name, qint64(st.st_size));
    }
}

QByteArray SnapshotOf(const QString &dataFolder, LogFolder::Sizes *logSizes)
{
    QByteArray snapshot;
    const QDir::Filters files = QDir::Files | QDir::Hidden | QDir::System;
    // The ledger files and the copies tools make of them; not the lock or a save's temporary file.
    QStringList ledger = QDir(dataFolder).entryList(files, QDir::Name);
    ledger.removeIf([](const QString &name) {
        return !(name.endsWith(u".qel"_s) || name == u"Regular.dat"_s || name == u"Budgets.dat"_s
                 || ConflictCopies::IsConflictCopy(name))
               || ListFiles::IsLeftoverName(name);
    });
    Add(snapshot, dataFolder, ledger);
    const QString logs = ChangeLog::FolderOf(dataFolder);
    snapshot += "--\n";
    Add(snapshot, logs, QDir(logs).entryList({u"*.log"_s}, files, QDir::Name), logSizes);
    return QCryptographicHash::hash(snapshot, QCryptographicHash::Sha256).toHex();
}

// The mark's third line when nothing was left to tell; the logs' sizes follow it.
constexpr QByteArrayView Quiet("ruhig");

// The mark's lines when it still holds for the folder; none when not.
QList<QByteArray> Holding(const LedgerPaths &paths)
{
    QFile file(MarkFile(paths));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = file.read(64 * 1024).split('\n');
    if (lines.size() >= 2 && lines.at(1) == paths.DataFolder.toUtf8() && lines.at(0) == Snapshot(paths.DataFolder))
        return lines;
    return {};
}

} // namespace

QByteArray Snapshot(const QString &dataFolder)
{
    return SnapshotOf(dataFolder, nullptr);
}

bool InLine(const LedgerPaths &paths)
{
    return !Holding(paths).isEmpty();
}

std::optional<LogFolder::Sizes> FilesSayAll(const LedgerPaths &paths)
{
    const QList<QByteArray> lines = Holding(paths);
    if (lines.size() < 3 || lines.at(2) != Quiet)
        return std::nullopt;
    LogFolder::Sizes sizes;
    for (qsizetype i = 3; i < lines.size(); ++i) {
        if (lines.at(i).isEmpty())
            continue;
        const QList<QByteArray> fields = lines.at(i).split('\t');
        bool number = false;
        const qint64 size = fields.size() == 2 ? fields.at(1).toLongLong(&number) : 0;
        if (!number || size < 0)
            return std::nullopt;
        sizes.insert(QString::fromUtf8(fields.at(0)), size);
    }
    return sizes;
}

void Mark(const LedgerPaths &paths, bool nothingToTell)
{
    QSaveFile file(MarkFile(paths));
    if (!file.open(QIODevice::WriteOnly))
        return;
    LogFolder::Sizes sizes;
    QByteArray mark = SnapshotOf(paths.DataFolder, &sizes) + '\n' + paths.DataFolder.toUtf8() + '\n';
    if (nothingToTell) {
        mark += Quiet.toByteArray() + '\n';
        for (auto it = sizes.cbegin(); it != sizes.cend(); ++it)
            mark += it.key().toUtf8() + '\t' + QByteArray::number(it.value()) + '\n';
    }
    file.write(mark);
    file.commit();
}

} // namespace ReconcileMark
