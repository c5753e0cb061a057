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

void Add(QByteArray &snapshot, const QString &folder, const QStringList &names)
{
    for (const QString &name : names) {
        struct stat st{};
        const QByteArray path = QFile::encodeName(folder + name);
        if (::stat(path.constData(), &st) != 0)
            continue;
        snapshot += name.toUtf8() + '\t' + QByteArray::number(qint64(st.st_size)) + '\t'
                    + QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.' + QByteArray::number(qint64(st.st_mtim.tv_nsec))
                    + '\t' + QByteArray::number(qulonglong(st.st_ino)) + '\n';
    }
}

} // namespace

QByteArray Snapshot(const QString &dataFolder)
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
    Add(snapshot, logs, QDir(logs).entryList({u"*.log"_s}, files, QDir::Name));
    return QCryptographicHash::hash(snapshot, QCryptographicHash::Sha256).toHex();
}

bool InLine(const LedgerPaths &paths)
{
    QFile file(MarkFile(paths));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> lines = file.read(4096).split('\n');
    return lines.size() >= 2 && lines.at(1) == paths.DataFolder.toUtf8() && lines.at(0) == Snapshot(paths.DataFolder);
}

void Mark(const LedgerPaths &paths)
{
    QSaveFile file(MarkFile(paths));
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(Snapshot(paths.DataFolder) + '\n' + paths.DataFolder.toUtf8() + '\n');
    file.commit();
}

} // namespace ReconcileMark
