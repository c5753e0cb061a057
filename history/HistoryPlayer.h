#pragma once

#include "backup/FolderTransfer.h"
#include "history/UndoHistory.h"

#include <QDateTime>
#include <QList>
#include <QSet>
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

// Takes back and does again the history's steps through the book manager, so the open book,
// the regular bookings and the book list follow. Never destroys a later change: a booking is
// taken back only while it is as the step left it, a book removed only while it is empty, a
// book brought back only while none of its name exists; what stays is named in Left. What a
// step does to the files (books, regular bookings, trash, the history itself and the import
// store's rows) is worked out in memory first and then made all at once or not at all
// (StepCommit), also when the run is killed part-way.
class HistoryPlayer
{
public:
    // storePath: the import store, which forgets an import taken back. ops: the file system
    // steps (tests fail one).
    HistoryPlayer(BookManager &books, QString storePath, TransferFileOps *ops = nullptr);

    // Nothing when there is nothing to undo (redo). Throws QelError when the files cannot be
    // changed; then nothing has changed.
    std::optional<PlayOutcome> Undo(const QDateTime &now);
    std::optional<PlayOutcome> Redo(const QDateTime &now);

    static QString NothingToUndoMessage(); // "Nichts rückgängig zu machen"
    static QString NothingToRedoMessage(); // "Nichts wiederherzustellen"

private:
    class Work;
    PlayOutcome Play(HistoryStep &step, bool undo, const QDateTime &now);
    void PlayBookings(const HistoryStep &step, bool undo, Work &work, PlayOutcome &outcome);
    void PlayBooks(HistoryStep &step, bool undo, const QDateTime &now, Work &work, PlayOutcome &outcome);
    QSet<qint64> ImportRowsToForget(const HistoryStep &step) const;

    BookManager &Books_;
    QString StorePath_;
    TransferFileOps OwnOps_;
    TransferFileOps &Ops_;
    QList<qsizetype> LeftBookings_; // the step's booking changes that Play left as they were
};
