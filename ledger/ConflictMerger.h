#pragma once

#include "ledger/BookMerge.h"
#include "ledger/LedgerPaths.h"
#include "ledger/Regional.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// One conflict copy merged into its file.
struct MergedCopy
{
    QString File;   // "März 2026.qel", "Regular.dat"
    QString Copy;   // the copy's name in the data folder
    QString KeptAs; // where the copy went, in the program data folder
    MergeOutcome Outcome;

    // „März 2026“ aus „…“: 2 Buchungen übernommen, 1 entfernt, 1 geändert; die Kopie liegt in „…“.
    QString Message() const;
};

// Merges the conflict copies that file synchronisation tools left in the data folder into their
// files, booking by booking (MergeLedgerFile, with the versions this machine noted), saves each
// merged file atomically and moves the copy out of the data folder into the program's own folder,
// where it is kept. Whichever of the two versions the tool renamed, the outcome is the same. A kill
// at any step leaves the copy in place or the merge done; merging the same copy again changes
// nothing. Call it while holding the data folder's lock.
class ConflictMerger
{
public:
    ConflictMerger(LedgerPaths paths, Regional regional);

    struct Result
    {
        QList<MergedCopy> Merged;
        QStringList Errors; // a copy or file that could not be read or written; it stays
    };
    Result MergeAll(const QDateTime &now = QDateTime::currentDateTime()) const;

private:
    MergedCopy MergeOne(const QString &copy, const QDateTime &now) const;
    QString KeepCopy(const QString &copy, const QByteArray &bytes, const QDateTime &now) const;

    LedgerPaths Paths_;
    Regional Regional_;
};
