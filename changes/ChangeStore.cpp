#include "changes/ChangeStore.h"

#include "ledger/QelError.h"

#include <QCryptographicHash>

using namespace Qt::StringLiterals;

namespace {

// An entry that counts for nothing, so that the computer's later ones still come in order.
ChangeEntry Bare(const ChangeEntry &entry)
{
    ChangeEntry bare;
    bare.Computer = entry.Computer;
    bare.Seq = entry.Seq;
    bare.Clock = entry.Clock;
    bare.Kind = EntryKind::Written;
    return bare;
}

} // namespace

ChangeStore::ChangeStore(QString dataFolder, ComputerId computer)
    : DataFolder_(std::move(dataFolder))
    , Computer_(std::move(computer))
    , OwnLog_(DataFolder_, Computer_.Id, Computer_.Host)
    , Logs_(DataFolder_)
    , State_(std::make_unique<LedgerState>())
{
}

QByteArray ChangeStore::HashOf(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().left(16);
}

QString ChangeStore::StampKey(const QString &file, const QByteArray &hash)
{
    return file + u'\t' + QString::fromLatin1(hash);
}

void ChangeStore::Prepare(bool mayMend)
{
    if (Prepared_ || !mayMend)
        return;
    OwnLog_.Load();
    Prepared_ = true;
}

void ChangeStore::Index(const ChangeEntry &entry)
{
    for (const FileStamp &stamp : entry.Files)
        Stamps_[StampKey(stamp.File, stamp.Hash)].append({entry.Computer, entry.Seq});
    if (entry.Kind == EntryKind::Adopt && entry.Adopted)
        Adoptions_.append(
            {entry.Computer, entry.Seq, StampKey(entry.Adopted->File, entry.Adopted->Hash), entry.Adopted->Seen});
}

bool ChangeStore::IsVoid(const ChangeEntry &entry) const
{
    if (entry.Kind != EntryKind::Adopt || !entry.Adopted)
        return false;
    const auto stamps = Stamps_.constFind(StampKey(entry.Adopted->File, entry.Adopted->Hash));
    if (stamps == Stamps_.cend())
        return false;
    for (const auto &[computer, seq] : *stamps) {
        if (computer != entry.Computer && seq > entry.Adopted->Seen.value(computer, 0))
            return true;
    }
    return false;
}

bool ChangeStore::Explains(const QString &file, const QByteArray &hash) const
{
    // A void adoption's file is explained by the stamp that made it void.
    const QString key = StampKey(file, hash);
    return Stamps_.contains(key)
           || std::any_of(Adoptions_.cbegin(), Adoptions_.cend(), [&](const Adoption &a) { return a.Key == key; });
}

void ChangeStore::TakeIn(const ChangeEntry &entry)
{
    if (!IsVoid(entry))
        State_->Apply(entry);
    else
        State_->Apply(Bare(entry));
    if (entry.Computer == Computer_.Id)
        Own_.append(entry);
}

void ChangeStore::Count(const ChangeEntry &entry, Arrivals &arrivals) const
{
    if (entry.Computer == Computer_.Id)
        return;
    arrivals.Entries.append(entry.Name());
    if (entry.ChangesLedger() && entry.Kind != EntryKind::Adopt)
        ++arrivals.Changes[entry.Computer];
}

void ChangeStore::Rederive(Arrivals &arrivals)
{
    arrivals.Rederived = true;
    Logs_.Reset();
    State_ = std::make_unique<LedgerState>();
    Stamps_.clear();
    Adoptions_.clear();
    Own_.clear();
    LogFolder::Update update = Logs_.ReadNew();
    arrivals.Problems += update.Problems;
    for (const ChangeEntry &entry : std::as_const(update.Entries))
        Index(entry);
    for (const ChangeEntry &entry : std::as_const(update.Entries)) {
        TakeIn(entry);
        Count(entry, arrivals);
    }
}

ChangeStore::Arrivals ChangeStore::Refresh(bool mayMend)
{
    Arrivals arrivals;
    Prepare(mayMend);
    LogFolder::Update update = Logs_.ReadNew();
    arrivals.Problems = update.Problems;
    if (update.Rewritten) {
        Rederive(arrivals);
        return arrivals;
    }
    // Only what is new: this computer's own appends come back here too.
    QList<ChangeEntry> fresh;
    for (ChangeEntry &entry : update.Entries) {
        if (entry.Seq > State_->Seen().value(entry.Computer, 0))
            fresh.append(std::move(entry));
    }
    for (const ChangeEntry &entry : std::as_const(fresh))
        Index(entry);
    // A stamp that came now may show an adoption taken in before to have been too early.
    for (const ChangeEntry &entry : std::as_const(fresh)) {
        for (const FileStamp &stamp : entry.Files) {
            const QString key = StampKey(stamp.File, stamp.Hash);
            for (const Adoption &adoption : std::as_const(Adoptions_)) {
                if (adoption.Key == key && adoption.Computer != entry.Computer
                    && entry.Seq > adoption.Seen.value(entry.Computer, 0)
                    && adoption.Seq <= State_->Seen().value(adoption.Computer, 0)) {
                    Rederive(arrivals);
                    return arrivals;
                }
            }
        }
    }
    for (const ChangeEntry &entry : std::as_const(fresh)) {
        TakeIn(entry);
        Count(entry, arrivals);
    }
    return arrivals;
}

const ChangeEntry &ChangeStore::Append(ChangeEntry entry, qint64 whenSecs)
{
    return Append(std::move(entry), whenSecs, {});
}

const ChangeEntry &ChangeStore::Append(ChangeEntry entry, qint64 whenSecs,
                                       const std::function<QList<FileStamp>(const LedgerState &)> &stamp)
{
    Prepare(true);
    entry.Computer = Computer_.Id;
    entry.Seq = State_->Seen().value(Computer_.Id, 0) + 1;
    entry.Clock = State_->MaxClock() + 1;
    entry.When = whenSecs;
    if (stamp) {
        State_->Apply(entry);
        entry.Files = stamp(*State_);
    }
    try {
        OwnLog_.Append(entry);
    } catch (const QelError &) {
        if (stamp) {
            Arrivals ignored;
            Rederive(ignored);
        }
        throw;
    }
    if (!stamp)
        State_->Apply(entry);
    Index(entry);
    Own_.append(std::move(entry));
    return Own_.back();
}

QByteArray ChangeStore::NextName() const
{
    return ChangeEntry::EntryName(Computer_.Id, State_->Seen().value(Computer_.Id, 0) + 1);
}

const ChangeEntry *ChangeStore::OwnEntry(qint64 seq) const
{
    if (seq < 1 || seq > Own_.size() || Own_.at(seq - 1).Seq != seq) {
        for (const ChangeEntry &entry : Own_) {
            if (entry.Seq == seq)
                return &entry;
        }
        return nullptr;
    }
    return &Own_.at(seq - 1);
}
