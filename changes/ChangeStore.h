#pragma once

#include "changes/ChangeEntry.h"
#include "changes/ChangeLog.h"
#include "changes/ComputerId.h"
#include "changes/LedgerState.h"
#include "changes/LogFolder.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QSet>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// The ledger's one truth: the change logs of every computer in the data folder, read into one
// LedgerState, and this computer's own log, to which its changes are appended.
//
// Invariants, on which everything that changes the ledger relies:
// - A change is made when its entry is in this computer's log on the disk (ChangeLog::Append);
//   the ledger files (books, Regular.dat, Budgets.dat) are derived from the logs afterwards, and
//   derived again at the next start when a kill came between.
// - Only this computer writes its log, and only by appending whole entries; a torn entry is cut
//   off before the next append.
// - The state follows from the set of entries alone (LedgerState), so every computer that read
//   the same logs derives the same files.
// - An adoption (a file no entry explained, taken in as a change) that a later stamp of another
//   computer explains counts for nothing: it was that computer's file arriving before its log.
class ChangeStore
{
public:
    ChangeStore(QString dataFolder, ComputerId computer);

    const ComputerId &Computer() const { return Computer_; }
    const LedgerState &State() const { return *State_; }
    // Every computer's host name as its log names it.
    QHash<QByteArray, QString> Hosts() const { return Logs_.Hosts(); }

    struct Arrivals
    {
        QList<QByteArray> Entries; // names of entries of other computers taken in
        QHash<QByteArray, int> Changes; // of those, the ones that change the ledger, by computer
        bool Rederived = false;    // the state was made anew from every log
        QStringList Problems;      // logs that could not be read
    };
    // Reads what the logs gained (the first call: everything; this computer's log is mended first
    // unless mayMend is false, for a reader that holds no lock). upTo: only as far as the logs
    // were when they had these sizes (LogFolder::ReadNew).
    Arrivals Refresh(bool mayMend = true, const LogFolder::Sizes *upTo = nullptr);
    // Whether any log changed since the last Refresh, without reading them.
    bool LogsChanged() const { return Logs_.Changed(); }

    // Appends an entry of this computer: Computer, Seq, Clock and When are filled in, then it is
    // taken into the state. Throws QelError when it cannot be written; nothing changed then.
    const ChangeEntry &Append(ChangeEntry entry, qint64 whenSecs);
    // The same entry, applied to the state first so that stamps of the files it leaves can be
    // added (stamp, which may refuse the entry by throwing QelError), then written. On failure
    // the state is derived again from the logs.
    const ChangeEntry &Append(ChangeEntry entry, qint64 whenSecs,
                              const std::function<QList<FileStamp>(const LedgerState &)> &stamp);

    // The name the next entry of this computer will have (its new bookings' ids start from it).
    QByteArray NextName() const;

    // Whether a ledger file with these bytes and this time of last change (nanoseconds since
    // 1970) is one a computer wrote or took in: the same bytes with their time, or a time not
    // after the last one any computer gave the file. The same bytes with a later time were
    // written again by somebody else (a copy put back by hand, an older program).
    bool Explains(const QString &file, const QByteArray &hash, qint64 modifiedNs) const;
    // A time a file may be given: now, in nanoseconds since 1970.
    static qint64 NowNs();
    static QByteArray HashOf(QByteArrayView bytes);
    // Whether any entry names the file (stamped it or took it in): the logs know it.
    bool NamesFile(const QString &file) const { return NamedFiles_.contains(file); }

    // This computer's entries, by seq order (undo and redo walk them).
    const QList<ChangeEntry> &OwnEntries() const { return Own_; }
    const ChangeEntry *OwnEntry(qint64 seq) const;
    // How much of each log was taken in (an adoption names it).
    QHash<QByteArray, qint64> Seen() const { return State_->Seen(); }

private:
    struct Adoption
    {
        QByteArray Computer;
        qint64 Seq = 0;
        QString Key; // file + tab + hash
        QHash<QByteArray, qint64> Seen;
        qint64 Modified = 0;
    };
    struct Stamp
    {
        QByteArray Computer;
        qint64 Seq = 0;
        qint64 Modified = 0;
    };
    static QString StampKey(const QString &file, const QByteArray &hash);
    void Index(const ChangeEntry &entry);
    bool IsVoid(const ChangeEntry &entry) const;
    void TakeIn(const ChangeEntry &entry);
    void Rederive(Arrivals &arrivals);
    void Count(const ChangeEntry &entry, Arrivals &arrivals) const;
    void Prepare(bool mayMend);

    QString DataFolder_;
    ComputerId Computer_;
    ChangeLog OwnLog_;
    LogFolder Logs_;
    std::unique_ptr<LedgerState> State_;
    bool Prepared_ = false;
    // Stamps: file + tab + hash -> the entries that left the file so.
    QHash<QString, QList<Stamp>> Stamps_;
    QHash<QString, qint64> Newest_; // file -> the latest time any entry gave it
    QList<Adoption> Adoptions_;   // every adoption read, void or not
    QSet<QString> NamedFiles_;
    QList<ChangeEntry> Own_;
};
