#pragma once

#include "transfer/FolderTransfer.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// One rename of a transfer, between native paths of one file system.
struct TransferMove
{
    QByteArray From;
    QByteArray To;

    bool operator==(const TransferMove &) const = default;
};

// What a transfer does to its target, written down before it touches anything there.
struct TransferPlan
{
    TransferKind Kind = TransferKind::Backup;
    QByteArray Target;
    QByteArray Staging;     // the hidden staging folder inside the target
    bool Committed = false; // every copy is on the disk: the renames may begin
    QList<TransferMove> Out; // old files to their parking places
    QList<TransferMove> In;  // copies to their places
    QByteArrayList Extra;    // copies and parked files outside the staging folder
    // Undo: the import store's rows it forgets once the renames are done (again after a kill).
    QByteArray Store;
    QList<qint64> Forget;

    bool operator==(const TransferPlan &) const = default;
};

// The journals of the transfers under way: one small file per transfer in a folder of the
// program data folder, each replaced whole and synced (a kill leaves the old or the new text).
class TransferJournal
{
public:
    explicit TransferJournal(QString folder);

    const QString &Folder() const { return Folder_; }

    // A name for a new transfer's journal.
    static QString NewId();
    // Writes the plan durably; false when it cannot, and then nothing may be touched.
    bool Save(const QString &id, const TransferPlan &plan) const;
    bool Remove(const QString &id) const;
    // The journals there are, oldest first.
    QStringList Pending() const;
    // Nothing when the journal is gone or cannot be read.
    std::optional<TransferPlan> Load(const QString &id) const;

    static QByteArray Encode(const TransferPlan &plan);
    static std::optional<TransferPlan> Decode(const QByteArray &text);

private:
    QString PathOf(const QString &id) const;

    QString Folder_;
};

enum class PlanResult { Done, Undone, Stuck };

// Brings the plan's renames to their end from whatever state a kill left them in (each
// rename either happened or not; the old files all go out before any copy comes in). When a
// rename fails, every one done is put back; Stuck when that fails too.
PlanResult CarryOut(TransferFileOps &ops, const TransferPlan &plan);
// Removes the staging folder and the extra files with whatever is left in them; false when
// something stays.
bool CleanUp(TransferFileOps &ops, const TransferPlan &plan);

// What the next start does with transfers that were killed: a transfer whose copies were all
// on the disk is finished, one still copying is undone. One German message per transfer
// found; an empty list when there were none. A transfer that can be neither finished nor undone
// (the medium is gone) keeps its journal and its message names where the files wait.
// finished: what else a finished plan does (an undo's import store), before its journal goes.
using PlanFinisher = std::function<void(const TransferPlan &)>;
QStringList RecoverTransfers(TransferFileOps &ops, const TransferJournal &journal,
                             const PlanFinisher &finished = {});
