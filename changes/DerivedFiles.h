#pragma once

#include "changes/LedgerState.h"

#include <QByteArray>
#include <QString>

#include <optional>

class Regional;

// The ledger files as the state makes them, byte for byte in their formats: a month book's
// two list records, Regular.dat, Budgets.dat.
namespace DerivedFiles {

QString BookFile(const QString &book); // "März 2026.qel"
QString RegularFile();                 // "Regular.dat"
QString BudgetsFile();                 // "Budgets.dat"
// The book a file name stands for, or nothing for Regular.dat, Budgets.dat and other names.
std::optional<QString> BookOfFile(const QString &file);

// Nothing when the state has no such book.
std::optional<QByteArray> BookBytes(const LedgerState &state, const QString &book, const Regional &regional);
QByteArray RegularBytes(const LedgerState &state, const Regional &regional);
QByteArray BudgetBytes(const LedgerState &state);
// The bytes of any of the three by file name; nothing for a book that does not exist.
std::optional<QByteArray> FileBytes(const LedgerState &state, const QString &file, const Regional &regional);
// Whether a file that is not there stands for what the state holds (an empty Regular.dat or
// Budgets.dat need not be made).
bool NeedsNoFile(const QString &file, const QByteArray &derived, const Regional &regional);

// A list's presentation and columns as a list record without rows, for a LookOp; the program's
// own (what a new book gets) is an empty skeleton.
QByteArray SkeletonOf(const BookingList &list);
QByteArray StandardSkeleton(ListKind list);

} // namespace DerivedFiles
