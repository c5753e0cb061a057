#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Copies that file synchronisation tools make when a file was changed on two machines at
// once: "März 2026.sync-conflict-20260308-101500-ABCDEF7.qel", "März 2026 (conflicted copy
// 2026-03-08 101500).qel", "März 2026 (Peters in Konflikt stehende Kopie 2026-03-08).qel". They
// are no books of their own: the ledger never lists, searches or opens them, and merges them
// into the file they are a copy of.
namespace ConflictCopies {

// The name of the file a conflict copy stands for ("März 2026.qel", "Regular.dat"); nothing
// when the name is no conflict copy's.
std::optional<QString> OriginalName(const QString &fileName);

inline bool IsConflictCopy(const QString &fileName)
{
    return OriginalName(fileName).has_value();
}

// The conflict copies of ledger files in a folder (month books, Regular.dat, Budgets.dat), sorted.
QStringList InFolder(const QString &folder);

} // namespace ConflictCopies
