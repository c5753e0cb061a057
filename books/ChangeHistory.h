#pragma once

#include "changes/ChangeEntry.h"

#include <QList>

#include <optional>

// The steps this computer made, as its own log tells them: which one an undo takes back next and
// which one a redo does again. A step is an entry the user made (a change, an import, a restore);
// an undo or a redo names its step; a new step ends what could be done again. At most Kept steps
// can be taken back. The program and the command line share it, since both write the same log.
class ChangeHistory
{
public:
    static constexpr int Kept = 100;

    explicit ChangeHistory(const QList<ChangeEntry> &own);

    // The seq of the step, or nothing.
    std::optional<qint64> NextUndo() const;
    std::optional<qint64> NextRedo() const;
    // The undo entry that last took the step back; the redo entry that last did it again.
    static const ChangeEntry *LastUndoOf(const QList<ChangeEntry> &own, qint64 step);
    static const ChangeEntry *LastRedoOf(const QList<ChangeEntry> &own, qint64 step);

private:
    QList<qint64> Done_;
    QList<qint64> Undone_;
};
