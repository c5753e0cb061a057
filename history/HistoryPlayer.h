#pragma once

#include "history/UndoHistory.h"

#include <QDateTime>
#include <QList>
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
// book brought back only while none of its name exists; what stays is named in Left. Each
// file is written through the atomic writer, the history after the files.
class HistoryPlayer
{
public:
    // storePath: the import store, which forgets an import taken back.
    HistoryPlayer(BookManager &books, QString storePath);

    // Nothing when there is nothing to undo (redo). Throws QelError when a file cannot be
    // written; the steps before it have taken effect.
    std::optional<PlayOutcome> Undo(const QDateTime &now);
    std::optional<PlayOutcome> Redo(const QDateTime &now);

    static QString NothingToUndoMessage(); // "Nichts rückgängig zu machen"
    static QString NothingToRedoMessage(); // "Nichts wiederherzustellen"

private:
    PlayOutcome Play(HistoryStep &step, bool undo, const QDateTime &now);
    void PlayBookings(HistoryStep &step, bool undo, const QDateTime &now, PlayOutcome &outcome);
    void PlayBooks(HistoryStep &step, bool undo, const QDateTime &now, PlayOutcome &outcome);
    void ForgetImport(const HistoryStep &step);

    BookManager &Books_;
    QString StorePath_;
    QList<qsizetype> LeftBookings_; // the step's booking changes that Play left as they were
};
