#pragma once

#include "ledger/BookingList.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

// One booking as a step changed it: added (no Before), removed (no After) or changed.
struct BookingChange
{
    QString Book;  // the month book; empty for the regular bookings
    ListKind List = ListKind::Expend;
    std::optional<ListRow> Before;
    std::optional<ListRow> After;
};

// A month book that a step made or removed.
struct BookChange
{
    QString Book;
    bool Created = false; // made by the step; else removed into the trash
    QString TrashFile;    // removed: its file in the trash, as the step left it
};

// One change of the ledger as the user sees it: a booking, a book, an import as a whole.
struct HistoryStep
{
    QString Text; // "Ausgabe 12,50 € „Edeka“ in März 2026"
    QList<BookingChange> Bookings;
    QList<BookChange> Books;
    qint64 ImportBatch = 0; // the import store's record of an import; 0 for none

    bool operator==(const HistoryStep &other) const;
};

// The steps that undo and redo walk, kept per machine in one file of the program data folder
// and shared by the program and the command line (both change the data only under the data
// lock). Steps before Position are done, those from Position on were undone and can be redone.
// Every change of it is saved at once through the atomic writer; at most Kept steps are kept.
class UndoHistory
{
public:
    static constexpr int Kept = 100;

    // An empty path keeps the history in memory only.
    explicit UndoHistory(QString file);

    // Reads the file once, on first use. A damaged file is kept aside as ".defekt" and the
    // history starts empty; LoadMessage says so.
    void Load();
    const QString &LoadMessage() const { return LoadMessage_; }

    // A new step: the undone ones are dropped, the oldest beyond Kept go. Throws QelError
    // when it cannot be saved (the step is then kept in memory only).
    void Record(HistoryStep step);
    const HistoryStep *NextUndo();
    const HistoryStep *NextRedo();
    // After the step was taken back or done again, with what the player changed in it.
    void Undone(HistoryStep step);
    void Redone(HistoryStep step);
    // The same in two halves, for a player that changes the file together with the books
    // (StepCommit): the file's bytes after the step was taken back (undone) or done again,
    // and the change in memory once those bytes are in place.
    QByteArray BytesAfter(const HistoryStep &step, bool undone);
    void Adopt(HistoryStep step, bool undone);
    const QString &File() const { return File_; }

    // Forgets every step (after a restore); a file that cannot be removed is left to the next
    // save.
    void Clear();

    qsizetype Size() { Load(); return Steps_.size(); }
    qsizetype Position() { Load(); return Position_; }

    // The file's bytes and their reader; Parse throws QelError on bytes it cannot take.
    static QByteArray Bytes(const QList<HistoryStep> &steps, qsizetype position);
    static void Parse(QByteArrayView bytes, QList<HistoryStep> &steps, qsizetype &position);

private:
    void Save();

    QString File_;
    bool Loaded_ = false;
    QString LoadMessage_;
    QList<HistoryStep> Steps_;
    QList<QByteArray> Encoded_; // each step's bytes in the file, so a save encodes only what changed
    qsizetype Position_ = 0;
};
