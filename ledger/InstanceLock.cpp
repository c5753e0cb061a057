#include "ledger/InstanceLock.h"

#include "ledger/ListFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

InstanceLock::InstanceLock(QString lockFilePath)
    : Path_(std::move(lockFilePath))
{
}

InstanceLock::~InstanceLock()
{
    Unlock();
}

QString InstanceLock::RuntimeFolder(const QString &xdgRuntimeDir, const QString &sessionFolder)
{
    if (xdgRuntimeDir.isEmpty()) {
        const QFileInfo session(sessionFolder);
        if (session.isDir() && session.ownerId() == ::getuid())
            return sessionFolder;
    }
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return folder.isEmpty() ? QDir::tempPath() : folder;
}

QString InstanceLock::DefaultPath()
{
    const QString session = QStringLiteral("/run/user/%1").arg(::getuid());
    return RuntimeFolder(qEnvironmentVariable("XDG_RUNTIME_DIR"), session) + QStringLiteral("/Haushaltsbuch.lock");
}

bool InstanceLock::TryLock()
{
    if (Fd_ >= 0)
        return true;
    // Close-on-exec: a browser or mail program started from here must not inherit the lock.
    Error_.clear();
    const int fd = ::open(QFile::encodeName(Path_).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        Error_ = QStringLiteral("Die Sperrdatei \"%1\" kann nicht angelegt werden. %2")
                     .arg(QDir::toNativeSeparators(Path_), ListFiles::SystemReason(errno));
        return false;
    }
    int locked;
    do
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    while (locked < 0 && errno == EINTR);
    if (locked < 0) {
        ::close(fd);
        return false;
    }
    Fd_ = fd;
    return true;
}

void InstanceLock::Unlock()
{
    if (Fd_ < 0)
        return;
    // Closing the descriptor releases the lock; the file stays for the next start.
    ::close(Fd_);
    Fd_ = -1;
}
