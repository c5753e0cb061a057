#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The ledger files of a folder: the month books ("*.qel", letter case as the book list sees
// it) and Regular.dat, plain files or links to plain files. Everything else the folder holds
// (temporary save files such as "März 2008.qel.AbC123", kept damaged files "*.defekt" and
// "*.defekt-N", other files, folders) is never copied, moved or removed.
struct LedgerFiles
{
    QStringList Books; // file names, sorted
    bool HasRegular = false;
};

QString RegularFileName(); // "Regular.dat"

// Nothing when the folder cannot be read.
std::optional<LedgerFiles> ListLedgerFiles(const QString &folder);

// The file system steps of a transfer. Tests replace one of them to fail at a chosen point.
class TransferFileOps
{
public:
    virtual ~TransferFileOps() = default;
    // A new file `to` with the bytes, permissions and modification time of `from`.
    virtual bool Copy(const QString &from, const QString &to);
    // Renames within one file system; `to` does not exist.
    virtual bool Move(const QString &from, const QString &to);
    // Puts what the file system of an open folder still holds in memory on the disk, and
    // reports the write errors that happened since the folder was opened.
    virtual bool Flush(int folderDescriptor);
};

enum class TransferResult { Done, CopyFailed, ReplaceFailed };

// Replaces files of `target` by copies of the files `copy` of `source` and removes the files
// `remove` of `target`, so that a failure at any step leaves `target` as it was. The copies go
// into a hidden staging folder inside `target` first (same file system; the book list and the
// backup never pick up a folder). Only when every copy is complete and on the disk are the old
// files moved into the staging folder and the copies moved in; a failed move puts everything
// back. The staging folder goes at the end, with the old files in it.
TransferResult ReplaceFiles(TransferFileOps &ops, const QString &source, const QString &target,
                            const QStringList &copy, const QStringList &remove);
