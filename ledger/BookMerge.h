#pragma once

#include <QByteArray>
#include <QList>

#include <functional>

class Regional;

// What a merge did to this machine's version of a file.
struct MergeOutcome
{
    QByteArray Bytes; // the merged file
    int Added = 0;    // bookings it gained from the other version
    int Removed = 0;  // bookings the other machine removed
    int Changed = 0;  // bookings the other machine changed (a booking of a day gone, one of that day come)
    // Bookings that both machines changed, each in its own way: both results are kept.
    int ChangedOnBoth = 0;

    bool ChangesNothing() const { return Added == 0 && Removed == 0 && Changed == 0; }
};

// The versions of a file this machine noted, oldest first, each read when asked for: a merge
// mostly needs only the newest few.
struct VersionHistory
{
    qsizetype Count = 0;
    std::function<QByteArray(qsizetype)> Read;

    static VersionHistory Of(const QList<QByteArray> &versions);
};

// Merges two versions of a ledger file (a month book, or Regular.dat when `regular`) booking by
// booking. A booking is its list (income, expense or regular), date and texts; equal bookings
// count. `history` holds the versions this machine wrote or read, oldest first; the version the
// other machine started from is taken to be the one of them nearest to the other version (the
// fewest bookings added or removed since; the newest of equally near ones). Against it,
// each side keeps what it added and loses what the other removed; a booking changed on one side
// carries the change; changed differently on both sides, both are kept. Without such a version
// nothing is removed: the merge holds every booking of both. Rows are sorted as the program sorts
// them. Throws QelError when a version cannot be read.
MergeOutcome MergeLedgerFile(bool regular, const QByteArray &ours, const QByteArray &theirs,
                             const VersionHistory &history, const Regional &regional);
