#pragma once

#include "transfer/AutoBackup.h"
#include "transfer/BackupEngine.h"
#include "ledger/LedgerPaths.h"

class BookManager;

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
    // Keeps an automatic copy of the data as they stand, then restores from the folder. With the
    // change logs (a program data folder; books: the caller's book manager, else one made here)
    // the restore is one entry of this
    // computer's log that brings every book, the regular bookings and the budgets to the
    // backup's state: the other computers follow it, it can be taken back, and a kill leaves old
    // or new. Without, the files are replaced (BackupEngine::Restore).
    TransferReport Restore(const QString &folder, BackupSelection what, BookManager *books = nullptr);

    AutoBackups &Automatic() { return Automatic_; }
    // The copy at the end of a run that changed the data; nothing when there was nothing to copy.
    std::optional<AutoBackupEntry> KeepAutomaticCopy(const QDateTime &now);

    // The program's own files that automatic backups keep beside the ledger.
    QStringList ExtraFiles() const;

private:
    TransferReport RestoreInLogs(const QString &folder, BackupSelection what, const BackupEngine::RestoreSource &source,
                                 BookManager &books);

    LedgerPaths Paths_;
    TransferFileOps OwnOps_;
    TransferFileOps &Ops_;
    BackupEngine Engine_;
    AutoBackups Automatic_;
};
