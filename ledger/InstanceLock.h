#pragma once

#include <QString>

// Keeps the program to one running copy: an advisory lock (flock) on the file
// "Haushaltsbuch.lock" in the user's runtime folder, held through an open descriptor for
// the whole run. The system drops the lock when its holder ends, however it ends, so a
// file left behind never blocks; its content does not matter. The command-line tool
// takes the same lock while it writes.
class InstanceLock
{
public:
    explicit InstanceLock(QString lockFilePath = DefaultPath());
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    static QString DefaultPath();
    // The runtime folder that holds the lock. Without XDG_RUNTIME_DIR (a cron job, a plain
    // ssh login) the login session's folder /run/user/UID is taken when it is there and ours,
    // so such a command sees the lock of the program running on the desktop.
    static QString RuntimeFolder(const QString &xdgRuntimeDir, const QString &sessionFolder);

    // False when another holder has the lock, or when the lock file cannot be opened at all;
    // then ErrorString() says why (it is empty when another holder has the lock).
    bool TryLock();
    const QString &ErrorString() const { return Error_; }
    void Unlock();
    bool IsLocked() const { return Fd_ >= 0; }

private:
    QString Path_;
    QString Error_;
    int Fd_ = -1;
};
