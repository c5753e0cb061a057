#pragma once

#include "budget/BudgetFile.h"
#include "statements/RowIdentity.h"
#include "ledger/BookingList.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// The changes of the ledger as every computer appends them to its own log (ChangeLog). The
// books, the regular bookings and the budgets follow from the entries of all logs alone
// (LedgerState), in whatever order they arrived.
//
// Names: a computer is a short hex id (ComputerId); an entry is "<computer>:<seq>", seq counting
// 1, 2, … in that computer's log; that text is also the revision of what the entry changes,
// unless an operation carries a revision of its own (adoptions name theirs by content, so that
// two computers taking in the same file agree).

// A booking where it stands: its month book (empty for a regular booking), its list, its row.
struct BookingContent
{
    QString Book;
    ListKind List = ListKind::Expend;
    ListRow Row;

    bool operator==(const BookingContent &other) const
    {
        return Book == other.Book && List == other.List && Row == other.Row;
    }
};

// One booking added (no Base), changed, brought back, or removed (no After).
struct BookingOp
{
    QByteArray Id;
    QByteArray Rev;  // empty: the entry's own name
    QByteArray Base; // the revision this change starts from; empty for a new booking
    std::optional<BookingContent> After;
    std::optional<BookingContent> Before; // as the writer saw it, for undo and messages
};

// A month book made (Exists) or removed; the last one in clock order holds. A book with live
// bookings exists whatever its register says.
struct BookOp
{
    QString Book;
    bool Exists = true;
};

// The presentation and columns of one list, as a list record without rows; empty: the program's
// own. Only books that a file brought with a presentation of its own carry one.
struct LookOp
{
    QString Book; // empty: Regular.dat
    ListKind List = ListKind::Expend;
    QByteArray Skeleton;
};

// The order of a list's bookings as a file gave it (adoptions, restores): bookings of one date
// stand in this order; the others after them, in the order they came. The last in clock order
// holds.
struct OrderOp
{
    QString Book; // empty: Regular.dat
    ListKind List = ListKind::Expend;
    QList<QByteArray> Ids;
};

// One budget entry of a category and month set or taken out; the last one in clock order holds.
struct BudgetOp
{
    QString Key; // GroupNameKey of the category
    int From = 0;
    std::optional<BudgetEntry> After;
    std::optional<BudgetEntry> Before;
};

// A statement row booked by an import, and the booking it became.
struct StatementRowOp
{
    RowIdentity Identity;
    QByteArray Booking;
};

// A document put on a booking (Attached) or taken off it; the last one in clock order holds.
// The document is named by its content (DocumentStore), so that the same file on two
// computers is one.
struct DocumentOp
{
    QByteArray Booking;
    QByteArray Document; // "<sha-256 hex>.<pdf|jpg|png|xml>"
    QString Name;        // the file's name as the user had it
    bool Attached = true;
};

// A ledger file as the writer left it after the entry ("März 2026.qel", its hash, and the time
// of last change the writer gave it, in nanoseconds since 1970; 0 when not known): a file that
// arrives with these bytes is explained by the entry even before the entry itself arrives.
// Synchronisation tools keep a file's time, so the same bytes with a later time are the same
// bytes written again (a copy put back by hand), not the file as the writer left it.
struct FileStamp
{
    QString File;
    QByteArray Hash;
    qint64 Modified = 0;

    bool operator==(const FileStamp &) const = default;
};

enum class EntryKind : char {
    Step = 'S',    // a change the user made: bookings, books, budgets
    Import = 'I',  // a statement's rows booked
    Undo = 'U',    // a step of this computer taken back (Target)
    Redo = 'R',    // an undone step done again (Target)
    Restore = 'B', // the ledger brought to a backup's state
    Adopt = 'A',   // what a ledger file held that no entry explained, taken in
    Written = 'W', // ledger files written to follow the entries, nothing else
};

// An Adopt entry's file: what it held, and how much of each log the adopter had read. When the
// file turns out to be one another computer wrote after that (its stamp comes later in its log),
// the adoption was a guess made too early and counts for nothing.
struct AdoptedFile
{
    QString File;
    QByteArray Hash;
    QHash<QByteArray, qint64> Seen; // computer -> last seq read
    qint64 Modified = 0;            // the file's time of last change, nanoseconds since 1970
};

struct ChangeEntry
{
    QByteArray Computer;
    qint64 Seq = 0;
    qint64 Clock = 0; // above the clock of every entry the writer had read
    qint64 When = 0;  // the writer's wall clock, seconds since 1970 (shown, never trusted)
    EntryKind Kind = EntryKind::Step;
    qint64 Target = 0; // Undo, Redo: the seq of the step
    QString Text;      // as undo names it: "Ausgabe 12,50 € „Edeka“ in März 2026"
    QList<BookingOp> Bookings;
    QList<BookOp> Books;
    QList<LookOp> Looks;
    QList<OrderOp> Orders;
    QList<BudgetOp> Budgets;
    QList<StatementRowOp> Rows;
    QList<DocumentOp> Documents;
    QList<FileStamp> Files;
    std::optional<AdoptedFile> Adopted;

    QByteArray Name() const { return EntryName(Computer, Seq); }
    static QByteArray EntryName(const QByteArray &computer, qint64 seq);
    // A step the user can take back: Step, Import, Restore.
    bool IsStep() const;
    // Whether the entry changes the ledger at all (Written entries only explain files).
    bool ChangesLedger() const;
};

// A booking id for a new booking: the entry's name and its place in the entry.
QByteArray NewBookingId(const QByteArray &entryName, qsizetype index);
