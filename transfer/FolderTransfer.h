#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QStringList>

#include <optional>

// The ledger files of a folder: the month books ("*.qel", letter case as the book list sees
// it), Regular.dat and the budgets (Budgets.dat). Names are kept as the folder holds them, byte for byte, so that a book
// whose name is not UTF-8 (from an old Windows archive) is copied under its own name.
// Everything else the folder holds (temporary save files, kept damaged files "*.defekt",
// other files, folders) is never copied, moved or removed.
struct LedgerFiles
{
    QByteArrayList Books; // sorted
    bool HasRegular = false;
    bool HasBudgets = false;
    QByteArrayList Links;     // ledger names that are symbolic links and were left out
    QByteArrayList OtherCase; // "APRIL 2008.QEL", "regular.dat": ledger files in another letter case
    QByteArrayList Undecodable; // books whose names are not UTF-8 (also in Books)
};

QString RegularFileName(); // "Regular.dat"
QString BudgetsFileName(); // "Budgets.dat"

// Links to plain files count as the files they name when the folder is the data folder (the
// program reads and saves its books through such links); a backup folder gives plain files only.
enum class LinkRule { Follow, Skip };

// Nothing when the folder cannot be read.
std::optional<LedgerFiles> ListLedgerFiles(const QString &folder, LinkRule links);

// A file name for messages: UTF-8 where it is, else read as Windows-1252.
QString DisplayName(const QByteArray &name);

QByteArray NativePath(const QString &path);
QByteArray InFolder(const QByteArray &folder, const QByteArray &name);

// The file system steps of a transfer, on native paths. Tests replace one of them to fail at
// a chosen point.
class TransferFileOps
{
public:
    virtual ~TransferFileOps() = default;
    // A new file `to` with the bytes, permissions and modification time of `from`.
    virtual bool Copy(const QByteArray &from, const QByteArray &to);
    // A second name `to` for the file `from` (same file system).
    virtual bool Link(const QByteArray &from, const QByteArray &to);
    // Renames within one file system; `to` does not exist.
    virtual bool Move(const QByteArray &from, const QByteArray &to);
    virtual bool Remove(const QByteArray &file);
    virtual bool RemoveFolder(const QByteArray &folder);
    // Puts what the file system of an open folder still holds in memory on the disk, and
    // reports the write errors that happened since the folder was opened.
    virtual bool Flush(int folderDescriptor);
    // Makes the entries of a folder (renames, new and removed names) durable.
    virtual bool SyncFolder(const QByteArray &folder);
};

// A transfer's journal lives in a folder of the program's own (not on the medium), so that the
// next start of the program or of any command finds a transfer that was killed part-way.
class TransferJournal;

// Undo and Redo: the file changes of one step of the history, all made or none (StepCommit).
enum class TransferKind { Backup, Restore, Undo, Redo };

enum class TransferResult {
    Done,          // the target holds the new files, on the disk
    CopyFailed,    // the target is as it was
    JournalFailed, // the journal could not be written in the program's own folder; nothing touched
    RoomMissing,   // refused before anything was touched
    ReplaceFailed, // the target is as it was (every step undone)
    Stuck,         // undoing failed too: the old files wait in the staging folder, the journal stays
    NotDurable,    // the new files are in place, but the system reported an error making them durable
    CleanupFailed, // the new files are in place; the staging folder could not be removed (the next start does)
};

struct TransferOutcome
{
    TransferResult Result = TransferResult::Done;
    QString StagingFolder; // where files wait after Stuck or CleanupFailed
    qint64 BytesNeeded = 0; // RoomMissing: what the copies need, and what is free
    qint64 BytesFree = 0;
};

struct TransferRequest
{
    TransferKind Kind = TransferKind::Backup;
    QString Source;
    QString Target;
    QByteArrayList Copy;   // names in the source; links there are followed
    QByteArrayList Remove; // names in the target that go without a replacement
};

// Replaces files of the target by copies of files of the source and removes others, so that
// the target holds exactly its old files or exactly the new ones, whatever happens meanwhile
// (a failed step, a full disk, the process killed). The copies go into a hidden staging folder
// inside the target (same file system) first; only when every copy is on the disk does the
// journal say so, and the old files are moved into the staging folder and the copies moved in,
// one rename at a time. A failed rename undoes the earlier ones. A month book in the target
// that is a link to a file gets the new bytes in the file it names; the link stays.
TransferOutcome ReplaceFiles(TransferFileOps &ops, const TransferJournal &journal, const TransferRequest &request);
