#pragma once

#include "changes/ChangeEntry.h"
#include "ledger/BookingList.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

// What a list as the user changed it makes of the list as it was read from the logs: each row
// carries the booking it shows and the revision it was read at (ListRow::Id, ::Base), so a row
// changed in the list becomes a change of that revision, a row gone its removal, a row without
// an id a new booking. Whatever another computer did to the same booking meanwhile stays (the
// logs keep both).
namespace ListChanges {

// The rows of a list as read, by id and revision.
using Reference = QHash<QByteArray, ListRow>;
QByteArray RowRef(const ListRow &row);
Reference ReferenceOf(const BookingList &list);

// Gives the rows of a list read from its file the bookings they show (Id, Base), taken from the
// same list as the logs make it: row by row where the two agree, else the first equal row not
// yet given. Rows that match none stay without (new bookings to a save).
void Bind(const BookingList &fromLogs, BookingList &fromFile);

// Appends to the entry the booking ops that make the reference into the list (of the book; empty
// for the regular bookings). New bookings get the ids NewBookingId(entryName, next), next
// counting on, unless a new row (no Base) brings an id of its own. Returns the id each row of the
// list has afterwards, in row order.
QList<QByteArray> Diff(const Reference &reference, const BookingList &list, const QString &book,
                       const QByteArray &entryName, qsizetype &next, ChangeEntry &entry);

// Appends the budget ops that make one list of budgets into the other.
void BudgetDiff(const BudgetList &before, const BudgetList &after, ChangeEntry &entry);

// Appends the removal of every booking of the lists (as the state gave them, ids included).
void RemovalOf(const QString &book, const BookingList &income, const BookingList &expend, ChangeEntry &entry);

// The ledger files an entry touches ("März 2026.qel", "Regular.dat", "Budgets.dat"), each once.
QStringList FilesOf(const ChangeEntry &entry);

} // namespace ListChanges
