#pragma once

#include "changes/ChangeEntry.h"
#include "changes/LedgerState.h"

#include <QByteArray>
#include <QString>

// What a ledger file holds that no entry explains (a hand edit, an older program, a copy put back
// by hand, a synchronisation tool's conflict copy), as the entry that takes it in: the bookings
// the state lacks are added, those the file lacks removed (never for a conflict copy, which is a
// version of its own beside the file), a presentation of the file's own kept.
//
// Everything the ops name follows from the state and the file alone: a booking's id from its
// book, list, row and place among equal rows, each revision from what it changes. Two computers
// that take in the same file from the same state write the same ops, which count once.
namespace LegacyAdoption {

QByteArray ContentId(const QString &book, ListKind list, const ListRow &row, int occurrence);

// The removed bookings a restore may bring back under their ids (LedgerState::RemovedByList):
// a booking the file holds that was removed since comes back as itself.
using Removed = QHash<QString, QList<LedgerState::Version>>;

// A month book's two lists; the book made when the state has none of that name.
void BookOps(const LedgerState &state, const QString &book, const BookingList &income, const BookingList &expend,
             const QByteArray &fileHash, bool addOnly, ChangeEntry &entry, Removed *revive = nullptr);
void RegularOps(const LedgerState &state, const BookingList &regular, const QByteArray &fileHash, bool addOnly,
                ChangeEntry &entry, Removed *revive = nullptr);
// Every budget entry as the file gives it; with addOnly only categories and months the state lacks.
void BudgetOps(const LedgerState &state, const BudgetList &budgets, bool addOnly, ChangeEntry &entry);

} // namespace LegacyAdoption
