#include "ledger/InstanceLock.h"

#include <QDir>
#include <QStandardPaths>

InstanceLock::InstanceLock(const QString &lockFilePath)
    : Lock_(lockFilePath)
{
    // Only a lock whose process is gone counts as stale, however old it is.
    Lock_.setStaleLockTime(0);
}

QString InstanceLock::DefaultPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/Haushaltsbuch.lock");
}

bool InstanceLock::TryLock()
{
    return Lock_.tryLock(0);
}

void InstanceLock::Unlock()
{
    Lock_.unlock();
}

bool InstanceLock::IsLocked() const
{
    return Lock_.isLocked();
}
