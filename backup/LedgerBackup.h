#pragma once

#include "backup/AutoBackup.h"
#include "backup/BackupEngine.h"
#include "ledger/LedgerPaths.h"

#include <QDateTime>
#include <QStringList>

#include <optional>

// The backups of one ledger as the program and the command line use them: the user's backups
// and restores, the automatic backups, and finishing what a kill interrupted. Call it only
// while holding the instance lock.
class LedgerBackup
{
public:
    // `ops` replaces the file system steps (tests); it must outlive this object.
    explicit LedgerBackup(LedgerPaths paths, TransferFileOps *ops = nullptr);

    // Finishes or undoes interrupted backups and restores and removes unfinished automatic
    // copies. A message for the user for each transfer found; empty when there were none.
    QStringList Recover();
    // Whether Recover has anything to do (without the lock, to decide whether to take it).
    bool NeedsRecovery() const;

    TransferReport Backup(const QString &folder, BackupSelection what);
    // Keeps an automatic copy of the data as they stand, then restores from the folder.
    TransferReport Restore(const QString &folder, BackupSelection what);

    AutoBackups &Automatic() { return Automatic_; }
    // The copy at the end of a run that changed the data; nothing when there was nothing to copy.
    std::optional<AutoBackupEntry> KeepAutomaticCopy(const QDateTime &now);

    // The program's own files that automatic backups keep beside the ledger.
    QStringList ExtraFiles() const;

private:
    LedgerPaths Paths_;
    TransferFileOps OwnOps_;
    TransferFileOps &Ops_;
    BackupEngine Engine_;
    AutoBackups Automatic_;
};
