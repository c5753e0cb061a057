#pragma once

#include "backup/FolderTransfer.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

struct TransferPlan;

// The file changes of one undo or redo, made all together or not at all. Each new file is
// written and synced under a hidden name beside its place (a link's target for a link) while a
// journal lists every rename; once all are on the disk the journal says so, the old files are
// moved aside and the new ones moved in. A kill at any moment is finished (every new file in
// place) or undone (every old one) by the next start or command through RecoverTransfers,
// which also lets the import store forget the rows the step names. Only under the data lock.
class StepCommit
{
public:
    // dataFolder: where a missing folder means the ledger is gone; journalFolder: the
    // transfer journals', which every start and command looks at.
    StepCommit(QString dataFolder, QString journalFolder, TransferFileOps &ops);

    // The file gets these bytes (and this time of last change, in seconds since 1970), or
    // goes. A later change of the same path replaces an earlier one.
    void Write(const QString &path, QByteArray bytes, std::optional<qint64> modifiedSecs = std::nullopt);
    void Remove(const QString &path);
    // Import store rows to forget once the files are changed.
    void ForgetImportRows(const QString &storeFile, const QSet<qint64> &rows);

    bool IsEmpty() const { return Changes_.isEmpty() && Forget_.isEmpty(); }

    // Throws QelError when the changes cannot be made; every file is then as it was.
    void Commit(TransferKind kind);

    // The import store's part of a finished step; quietly leaves a store it cannot open.
    static void ForgetRows(const TransferPlan &plan);

private:
    struct Change
    {
        QString Path;
        std::optional<QByteArray> Bytes; // none: the file goes
        std::optional<qint64> Modified;
    };
    void Put(Change change);

    QString DataFolder_;
    QString JournalFolder_;
    TransferFileOps &Ops_;
    QList<Change> Changes_;
    QString Store_;
    QSet<qint64> Forget_;
};
