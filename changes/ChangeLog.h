#pragma once

#include "changes/ChangeEntry.h"
#include "changes/EntryCodec.h"

#include <QByteArray>
#include <QString>

// This computer's change log in the data folder's "Änderungen/" (EntryCodec has its form): only
// this computer appends to it, so no synchronisation tool ever has two versions of it to choose
// from. The append is the moment a change is made: whatever follows from it (the ledger files)
// is derived again by the next start if a kill comes between.
class ChangeLog
{
public:
    static QString FolderName(); // "Änderungen"
    static QString FolderOf(const QString &dataFolder);

    ChangeLog(const QString &dataFolder, QByteArray computer, QString host);

    QString Path() const { return Path_; }
    // Reads the log. A tail that a kill left half written is cut off; a damaged part and what
    // follows it is kept aside beside the log ("….log.defekt") and cut off, with Problem saying so.
    // No file: no entries.
    EntryCodec::Read Load();
    // Appends the entry (Seq must be the next one), writes it through to the disk and makes the
    // file (with its header) and its folder when they are not there. Throws QelError naming the
    // reason (a full disk, no access); the file is then as it was.
    void Append(const ChangeEntry &entry);
    // The log's size after the last append or load.
    qint64 Size() const { return Size_; }

private:
    QString Folder_;
    QString Path_;
    QByteArray Computer_;
    QString Host_;
    qint64 Size_ = -1;
};
