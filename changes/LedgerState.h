#pragma once

#include "budget/BudgetFile.h"
#include "changes/ChangeEntry.h"
#include "statements/RowIdentity.h"
#include "ledger/BookingList.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

class Regional;

// The ledger as the entries of every log make it: the same entries give the same state, in
// whatever order and however often they are taken in, so every computer that has read the same
// logs shows the same books.
//
// Each booking is its id with the revisions that no other revision names as its base (its
// heads). One head: the booking as it stands, or removed. Two computers that changed the same
// booking without having seen each other's change leave two heads: both are kept as bookings of
// their own (a removal against a change keeps the change), and Conflicts names them until one
// is changed or removed. Books, presentations and budgets are registers: the entry of the
// highest clock holds (the writer's name decides between equal clocks).
class LedgerState
{
public:
    // Takes in an entry; entries of one computer come in their order, each once (a repeated or
    // earlier one changes nothing).
    void Apply(const ChangeEntry &entry);
    // The last seq taken in of each computer, and the highest clock.
    const QHash<QByteArray, qint64> &Seen() const { return Seen_; }
    qint64 MaxClock() const { return MaxClock_; }

    // The month books that exist, sorted by name.
    QStringList Books() const;
    bool BookExists(const QString &book) const;
    // The lists as their file holds them: presentation and columns as last given, the rows sorted
    // by caption and, among equal captions, in the order the bookings came. Each row carries the
    // booking's Id and the revision it shows (Base).
    void BookLists(const QString &book, const Regional &regional, BookingList &income, BookingList &expend) const;
    BookingList RegularList(const Regional &regional) const;
    BudgetList Budgets() const;
    // The list record without rows that a list keeps; empty for the program's own.
    QByteArray Skeleton(const QString &book, ListKind list) const;

    // One version of a booking as it stands.
    struct Version
    {
        QByteArray Id;
        QByteArray Rev;
        BookingContent Content;
    };
    // The live versions of a booking (two or more after changes on two computers at once).
    QList<Version> Versions(const QByteArrayView id) const;
    // Whether the booking's revision is one of its heads: nothing changed it since.
    bool IsHead(const QByteArray &id, const QByteArray &rev) const;
    // The removed bookings, by the book and list they were removed from (one pass over all):
    // each with its removal's revision and what it removed.
    QHash<QString, QList<Version>> RemovedByList() const;
    static QString ListKey(const QString &book, ListKind list);
    // Whether the booking was ever taken in (live or removed), and its heads' revisions.
    bool Knows(const QByteArray &id) const;
    QList<QByteArray> HeadRevs(const QByteArray &id) const;

    // The budget entry of a category key and month as it stands; nothing when there is none.
    std::optional<BudgetEntry> BudgetAt(const QString &key, int from) const;

    // The documents on bookings as they stand, live bookings or not (a removed booking keeps
    // its documents for when it comes back), in the order they were put on.
    struct DocumentLink
    {
        QByteArray Booking;
        QByteArray Document;
        QString Name;
    };
    QList<DocumentLink> Documents() const;
    QList<DocumentLink> DocumentsOf(const QByteArray &booking) const;
    bool HasDocument(const QByteArray &booking, const QByteArray &document) const;

    // Bookings with more than one head: changed (or removed and changed) on two computers at once.
    struct Conflict
    {
        QByteArray Id;
        QList<BookingContent> Kept; // the versions that stand
        bool RemovedToo = false;    // one computer removed it meanwhile
    };
    QList<Conflict> Conflicts() const;
    // How many bookings have more than one head (Conflicts, and those removed on two computers
    // at once), kept as entries come: whether there can be anything to tell.
    qsizetype ForkCount() const { return Forks_; }

    // The statement rows that count as booked: an import booked them, and their booking stands or
    // was removed by a change (not taken back by an undo or a restore).
    IdentityIndex BookedRows() const;
    qsizetype BookedRowCount() const { return Rows_.size(); }
    // The bookings an import made from a statement row.
    QSet<QByteArray> ImportedBookings() const;

private:
    struct Order
    {
        qint64 Clock = 0;
        QByteArray Entry;
        qsizetype Index = 0;
        bool operator<(const Order &other) const;
    };
    struct Head
    {
        QByteArray Rev;
        qint64 Clock = 0;
        EntryKind Kind = EntryKind::Step;
        Order Came;
        std::optional<BookingContent> Content;
        std::optional<BookingContent> Was; // a removal's: what it removed
    };
    struct Record
    {
        QList<Head> Heads;
        QList<QByteArray> Superseded; // revisions named as a base
        Order First;                  // the earliest revision taken in
        QList<QString> Listed;        // the books (ListKey) the record is indexed under
    };
    template <typename T>
    struct Register
    {
        qint64 Clock = -1;
        QByteArray Rev;
        T Value{};
        // Whether a write of this clock and revision replaces the register's value.
        bool Takes(qint64 clock, const QByteArray &rev) const
        {
            return clock > Clock || (clock == Clock && rev > Rev);
        }
    };

    void ApplyBooking(const BookingOp &op, const QByteArray &rev, const ChangeEntry &entry, qsizetype index);
    void Reindex(const QByteArray &id, Record &record);
    // Heads with content, the newest first: the first keeps the booking's place among equal dates.
    static QList<const Head *> LiveHeads(const Record &record);
    void FillList(BookingList &list, const QString &book, const Regional &regional) const;

    QHash<QByteArray, qint64> Seen_;
    qint64 MaxClock_ = 0;
    QHash<QByteArray, Record> Bookings_;
    QHash<QString, QSet<QByteArray>> ByList_; // ListKey -> ids with a live head there
    QHash<QString, Register<bool>> BookRegister_;
    QHash<QString, Register<QByteArray>> Looks_; // ListKey -> skeleton
    QHash<QString, Register<QList<QByteArray>>> Orders_; // ListKey -> ids in a file's order
    QHash<QString, Register<std::optional<BudgetEntry>>> Budgets_; // key + '\t' + from
    QHash<QString, Order> BudgetFirst_;                            // key -> its first entry
    QList<StatementRowOp> Rows_;
    struct Attachment
    {
        QString Name;
        bool Attached = false;
        Order First;
    };
    QHash<QByteArray, QHash<QByteArray, Register<Attachment>>> Documents_; // booking -> document
    qsizetype Forks_ = 0;
};
