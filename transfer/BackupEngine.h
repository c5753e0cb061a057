#pragma once

#include "transfer/FolderTransfer.h"

#include <QString>
#include <QStringList>

// What a backup or restore takes: the month books, Regular.dat, or both.
struct BackupSelection
{
    bool Books = true;
    bool Regular = true;
};

// How a transfer went that did its work: notes for the success message (files taken along or
// left out), or a failure that came after the new files were in place (they stay; the message
// says what went wrong).
struct TransferReport
{
    QStringList Notes;
    QString LateFailure;
};

// Backup and restore of the data folder's ledger files. Errors throw QelError with the
// user's message. Whatever fails, the data folder and an earlier backup stay exactly as they
// were, also when the process is killed part-way (the journal in the journal folder lets the
// next start finish or undo it); what succeeds makes the target's selected files exactly those
// of the source (a backup also drops an old Regular.dat that the data folder no longer has, a
// restore keeps the data folder's Regular.dat when the backup has none).
class BackupEngine
{
public:
    // `ops` replaces the file system steps (tests); it must outlive the engine.
    BackupEngine(QString dataFolder, QString journalFolder, TransferFileOps *ops = nullptr);
    BackupEngine(const BackupEngine &) = delete;
    BackupEngine &operator=(const BackupEngine &) = delete;

    // The backup folder made of the two settings: the path, a separator unless it ends in one,
    // the name.
    static QString BackupFolder(const QString &backupPath, const QString &backupName);

    // Copies the selected ledger files of the data folder into the folder, made if missing.
    TransferReport Backup(const QString &backupFolder, BackupSelection what) const;
    // Copies the selected ledger files of the folder into the data folder.
    TransferReport Restore(const QString &restoreFolder, BackupSelection what) const;
    // What a restore from the folder would take, checked and refused as Restore refuses (the
    // same messages): the backup's ledger files and the notes of what is left out.
    struct RestoreSource
    {
        LedgerFiles Files;
        QStringList Notes;
    };
    RestoreSource CheckRestore(const QString &restoreFolder, BackupSelection what) const;

    // Finishes or undoes the transfers that a kill interrupted; a message for each.
    QStringList Recover() const;

    // Whether two paths name one folder, however they reach it: links, "..", "./", trailing
    // separators, and letter case where the file system ignores it.
    static bool SameFolder(const QString &a, const QString &b);

    // The documents of the folder's "Belege" that the other folder lacks, copied there after the
    // books (a failure is the report's late failure).
    static void TakeDocuments(const QString &from, const QString &to, bool checkContent, TransferReport &report);

    static QString BackupDoneMessage();  // "Die Datensicherung ist abgeschlossen."
    static QString RestoreDoneMessage(); // "Das Wiederherstellen der Daten ist abgeschlossen."

private:
    struct Messages;
    // The steps both directions share. A backup drops the target's Regular.dat when the source
    // has none; a restore keeps it.
    TransferReport Transfer(const QString &source, const LedgerFiles &from, const QString &target,
                            BackupSelection what, TransferKind kind, const Messages &messages) const;

    QString DataFolder_;
    QString JournalFolder_;
    TransferFileOps OwnOps_;
    TransferFileOps &Ops_;
};
