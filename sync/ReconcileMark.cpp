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

constexpr QDir::Filters AllFiles = QDir::Files | QDir::Hidden | QDir::System;

// A file's line: name, size, time and inode; none when it is not there.
std::optional<QByteArray> LineOf(const QString &folder, const QString &name, qint64 *size = nullptr)
{
    struct stat st{};
    const QByteArray path = QFile::encodeName(folder + name);
    if (::stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    if (size)
        *size = qint64(st.st_size);
    return name.toUtf8() + '\t' + QByteArray::number(qint64(st.st_size)) + '\t'
           + QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.' + QByteArray::number(qint64(st.st_mtim.tv_nsec)) + '\t'
           + QByteArray::number(qulonglong(st.st_ino)) + '\n';
}

// The ledger files and the copies tools make of them; not the lock or a save's temporary file.
bool IsLedgerName(const QString &name)
{
    return (name.endsWith(u".qel"_s) || name == u"Regular.dat"_s || name == u"Budgets.dat"_s
            || ConflictCopies::IsConflictCopy(name))
           && !ListFiles::IsLeftoverName(name);
}

// The ledger files' lines, by name (in the order QDir::Name gives).
QMap<QString, QByteArray> LedgerLines(const QString &dataFolder)
{
    QMap<QString, QByteArray> lines;
    for (const QString &name : QDir(dataFolder).entryList(AllFiles, QDir::Name)) {
        if (!IsLedgerName(name))
            continue;
        if (std::optional<QByteArray> line = LineOf(dataFolder, name))
            lines.insert(name, std::move(*line));
    }
    return lines;
}

// The snapshot's hash from the ledger files' lines; the logs are looked at now.
QByteArray SnapshotFrom(const QString &dataFolder, const QMap<QString, QByteArray> &ledger, LogFolder::Sizes *logSizes)
{
    QByteArray snapshot;
    for (const QByteArray &line : ledger)
        snapshot += line;
    const QString logs = ChangeLog::FolderOf(dataFolder);
    snapshot += "--\n";
    for (const QString &name : QDir(logs).entryList({u"*.log"_s}, AllFiles, QDir::Name)) {
        qint64 size = 0;
        if (std::optional<QByteArray> line = LineOf(logs, name, &size)) {
            snapshot += *line;
            if (logSizes)
                logSizes->insert(name, size);
        }
    }
    return QCryptographicHash::hash(snapshot, QCryptographicHash::Sha256).toHex();
}

QByteArray SnapshotOf(const QString &dataFolder, LogFolder::Sizes *logSizes)
{
    return SnapshotFrom(dataFolder, LedgerLines(dataFolder), logSizes);
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

namespace {

void WriteMark(const LedgerPaths &paths, bool nothingToTell, const QMap<QString, QByteArray> &ledger)
{
    QSaveFile file(MarkFile(paths));
    if (!file.open(QIODevice::WriteOnly))
        return;
    LogFolder::Sizes sizes;
    QByteArray mark = SnapshotFrom(paths.DataFolder, ledger, &sizes) + '\n' + paths.DataFolder.toUtf8() + '\n';
    if (nothingToTell) {
        mark += Quiet.toByteArray() + '\n';
        for (auto it = sizes.cbegin(); it != sizes.cend(); ++it)
            mark += it.key().toUtf8() + '\t' + QByteArray::number(it.value()) + '\n';
    }
    file.write(mark);
    file.commit();
}

} // namespace

void Mark(const LedgerPaths &paths, bool nothingToTell)
{
    WriteMark(paths, nothingToTell, LedgerLines(paths.DataFolder));
}

void Marker::Mark(const LedgerPaths &paths, bool nothingToTell)
{
    Folder_ = paths.DataFolder;
    Lines_ = LedgerLines(paths.DataFolder);
    Known_ = true;
    WriteMark(paths, nothingToTell, Lines_);
}

void Marker::MarkAfter(const LedgerPaths &paths, bool nothingToTell, const QStringList &written)
{
    if (!Known_ || Folder_ != paths.DataFolder) {
        Mark(paths, nothingToTell);
        return;
    }
    for (const QString &name : written) {
        if (!IsLedgerName(name))
            continue;
        if (std::optional<QByteArray> line = LineOf(paths.DataFolder, name))
            Lines_.insert(name, std::move(*line));
        else
            Lines_.remove(name);
    }
    WriteMark(paths, nothingToTell, Lines_);
}

} // namespace ReconcileMark
