#pragma once

#include "ledger/BookMerge.h"

#include <QByteArray>

// Merges two versions of the budget file entry by entry (an entry: a category's amount from a
// month). The version the other machine started from is taken to be the noted one nearest to
// the other version; against it each side keeps what it added, changed or removed; an entry
// changed on both sides keeps this machine's. Without such a version nothing is removed and
// this machine's entries win. Counts are of entries. Throws QelError when a version is damaged.
MergeOutcome MergeBudgetFiles(const QByteArray &ours, const QByteArray &theirs, const VersionHistory &history);
