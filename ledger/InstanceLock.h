#pragma once

#include <QLockFile>
#include <QString>

// Keeps the program to one running copy: a lock file named "Haushaltsbuch" in the
// user's runtime folder, held for the whole run. A lock left by a process that no longer
// runs is taken over. The command-line tool takes the same lock while it writes.
class InstanceLock
{
public:
    explicit InstanceLock(const QString &lockFilePath = DefaultPath());

    static QString DefaultPath();

    // False when another running process holds the lock.
    bool TryLock();
    void Unlock();
    bool IsLocked() const;

private:
    QLockFile Lock_;
};
