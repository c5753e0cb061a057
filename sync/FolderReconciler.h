#pragma once

#include "changes/ChangeStore.h"
#include "ledger/LedgerPaths.h"
#include "ledger/Regional.h"

#include <QString>
#include <QStringList>

// Brings the ledger files of the data folder in line with the change logs, after the logs were
// read (ChangeStore::Refresh):
// - a file whose bytes no entry explains (a hand edit, an older program, a copy put back by hand)
//   is taken into this computer's log as a change (LegacyAdoption), and said so; the first time a
//   folder without logs is opened, its files become the logs' start without a word;
// - a synchronisation tool's conflict copy adds what it holds that the logs lack (nothing, when
//   its computer's log explains it) and is moved out of the data folder into the program's own;
// - every file that differs from what the entries make is written (or removed, when the logs
//   removed its book and its bytes are explained), each stamped in the log first.
// A file that cannot be read as a ledger file is never taken in and never written over unless
// kept aside first ("….defekt"). Call it only under the data folder's lock.
class FolderReconciler
{
public:
    FolderReconciler(LedgerPaths paths, Regional regional, ChangeStore &store);

    // A conflict copy taken in and moved out of the data folder.
    struct MovedCopy
    {
        QString File;   // "März 2026.qel"
        QString Copy;   // its name in the data folder
        QString KeptAs; // where it lies now
        qsizetype Added = 0;
    };
    struct Outcome
    {
        QList<MovedCopy> Copies;
        QStringList Notes;   // for the user: what was taken in, which copies were moved
        QStringList Errors;  // files that could not be read, taken in or written
        QStringList Written; // ledger files written or removed, by name
        bool AdoptedAny = false;
    };
    Outcome Run(qint64 nowSecs);

private:
    void TakeInCopies(qint64 nowSecs, Outcome &outcome);
    // False when the file is no ledger file as it stands, or its entry could not be written.
    bool TakeInFile(const QString &file, const QByteArray &bytes, qint64 nowSecs, bool silent, Outcome &outcome);
    QString KeepCopy(const QString &copy, const QByteArray &bytes, qint64 nowSecs) const;

    LedgerPaths Paths_;
    Regional Regional_;
    ChangeStore &Store_;
};

// Writes ledger files as the state makes them (or removes them), each through the atomic writer.
// A file whose present bytes no entry explains is kept aside first ("März 2026.qel.defekt"), so
// that nothing a file held is ever lost to a write. Throws QelError naming the first file that
// failed; the files before it are written.
// modifiedNs: the time of last change each file gets (its stamp's), nanoseconds since 1970.
// made: bytes of some of the files as the state makes them now, already made for their stamps.
// ours: files as this program wrote and stamped them last; one that still holds those bytes is
// known as its own without a hash.
void WriteDerivedFiles(const LedgerPaths &paths, const Regional &regional, const ChangeStore &store,
                       const QStringList &files, qint64 modifiedNs, const QHash<QString, QByteArray> &made = {},
                       const QHash<QString, QByteArray> *ours = nullptr);

// A file's time of last change in nanoseconds since 1970; 0 when it cannot be told (also
// before 1970 and after 2262).
qint64 FileModifiedNs(const QString &path);
