#pragma once

#include "transfer/FolderTransfer.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// One automatic copy of the ledger: a folder named after the moment it was made.
struct AutoBackupEntry
{
    QString Name;   // "2026-12-08 14-20-05"
    QString Folder; // its path, with a trailing "/"
    QDateTime When;
};

// The automatic backups: after each run of the program that changed the data (and before a
// restore replaces it) a dated copy of the month books, Regular.dat and the program's own data
// files worth keeping, in a folder of the program data folder. A file unchanged since the newest
// earlier copy is a second name (hard link) of that copy's file, so twenty years of books cost
// little room and time. Only the newest copies are kept. A copy appears whole or not at all: it
// is made in a hidden folder that is renamed when complete, and an old one is hidden before its
// files go; a kill leaves only hidden folders, which the next copy or start removes. Each copy
// lists its files with their sizes, so that one damaged since is neither listed nor restored.
class AutoBackups
{
public:
    static constexpr int Kept = 10;

    // `ops` replaces the file system steps (tests); it must outlive this object.
    explicit AutoBackups(QString folder, TransferFileOps *ops = nullptr, int keep = Kept);

    const QString &Folder() const { return Folder_; }
    static QString NameFor(const QDateTime &when); // "2026-12-08 14-20-05"

    // The whole copies, newest first.
    QList<AutoBackupEntry> List() const;
    // The copy of that name; a name of a day alone ("2026-12-08") picks that day's newest copy.
    std::optional<AutoBackupEntry> Find(const QString &name) const;

    // The file in each copy that lists what it holds.
    static QString ManifestName(); // "Inhalt.txt"
    // Whether every file the copy's list names is there with its size. A copy made before
    // copies had that list counts as whole.
    static bool IsWhole(const QString &copyFolder);
    // Throws QelError when the folder lies in this folder of copies without being (or lying in)
    // a whole copy: a restore from it would bring back part of the data.
    void RequireWhole(const QString &folder) const;

    // Copies the data folder's ledger files and the existing ones of `extraFiles` into a new
    // copy named after `now`, then removes the oldest copies beyond the number kept (the new one
    // among them), never the one named `spare`. Nothing when there is nothing to copy. Throws QelError when the copy
    // cannot be made; the earlier copies stay as they were.
    std::optional<AutoBackupEntry> Create(const QString &dataFolder, const QStringList &extraFiles,
                                          const QDateTime &now, const QString &spare = {});
    // Removes the hidden folders a kill left: copies being made and copies being removed; how
    // many.
    int RemoveUnfinished();
    bool HasLeftovers() const;

private:
    // Every dated copy folder, whole or not, newest first.
    QList<AutoBackupEntry> Dated() const;
    QStringList Leftovers() const;
    bool Same(const QByteArray &a, const QByteArray &b) const;
    bool RemoveCopy(const QByteArray &folder);
    QByteArrayList Retire(const QList<AutoBackupEntry> &earlier, const QString &spare);

    QString Folder_;
    TransferFileOps OwnOps_;
    TransferFileOps &Ops_;
    int Keep_;
};

// Whether a path lies in (or is) the folder, however it is written.
bool IsInsideFolder(const QString &path, const QString &folder);
