#include "books/ChangeHistory.h"

ChangeHistory::ChangeHistory(const QList<ChangeEntry> &own)
{
    for (const ChangeEntry &entry : own) {
        if (entry.IsStep()) {
            Done_.append(entry.Seq);
            Undone_.clear();
            if (Done_.size() > Kept)
                Done_.removeFirst();
        } else if (entry.Kind == EntryKind::Undo) {
            if (!Done_.isEmpty() && Done_.back() == entry.Target) {
                Done_.removeLast();
                Undone_.append(entry.Target);
            }
        } else if (entry.Kind == EntryKind::Redo) {
            if (!Undone_.isEmpty() && Undone_.back() == entry.Target) {
                Undone_.removeLast();
                Done_.append(entry.Target);
            }
        }
    }
}

std::optional<qint64> ChangeHistory::NextUndo() const
{
    return Done_.isEmpty() ? std::nullopt : std::optional(Done_.back());
}

std::optional<qint64> ChangeHistory::NextRedo() const
{
    return Undone_.isEmpty() ? std::nullopt : std::optional(Undone_.back());
}

const ChangeEntry *ChangeHistory::LastUndoOf(const QList<ChangeEntry> &own, qint64 step)
{
    for (qsizetype i = own.size(); i-- > 0;) {
        if (own.at(i).Kind == EntryKind::Undo && own.at(i).Target == step)
            return &own.at(i);
    }
    return nullptr;
}

const ChangeEntry *ChangeHistory::LastRedoOf(const QList<ChangeEntry> &own, qint64 step)
{
    for (qsizetype i = own.size(); i-- > 0;) {
        if (own.at(i).Kind == EntryKind::Redo && own.at(i).Target == step)
            return &own.at(i);
    }
    return nullptr;
}
