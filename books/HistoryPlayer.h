#pragma once

#include "changes/ChangeEntry.h"

#include <QString>
#include <QStringList>

#include <optional>

class BookManager;

// What undo or redo did with one step.
struct PlayOutcome
{
    QString Text;     // the step's text
    QStringList Left; // what it could not take back (or do again), because it changed since
    // "Rückgängig: Ausgabe 12,50 € „Edeka“ in März 2026", then what was left, one a line.
    QString Message(bool undo) const;
};

// Takes back and does again this computer's steps (ChangeHistory) as entries of its log: an
// undo writes the inverse of each of the step's changes, a redo the inverse of the undo. A
// booking, a budget or a book is taken back only while it stands as the step (or the undo) left
// it, on any computer; what another computer or a later step changed since stays, named in Left.
// A booking done again keeps its id, so it is never there twice; the import's rows follow, since
// they count as booked exactly while their booking stands.
class HistoryPlayer
{
public:
    explicit HistoryPlayer(BookManager &books);

    // Nothing when there is nothing to undo (redo). Throws QelError when the entry cannot be
    // written; then nothing has changed.
    std::optional<PlayOutcome> Undo();
    std::optional<PlayOutcome> Redo();

    static QString NothingToUndoMessage(); // "Nichts rückgängig zu machen"
    static QString NothingToRedoMessage(); // "Nichts wiederherzustellen"

private:
    // The inverse of what `of` did, for the ops that still stand as it left them.
    ChangeEntry Inverse(const ChangeEntry &of, EntryKind kind, qint64 target, PlayOutcome &outcome) const;

    BookManager &Books_;
};
