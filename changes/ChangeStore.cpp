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
    const auto newest = [this](const QString &file, qint64 modified) {
        qint64 &latest = Newest_[file];
        latest = std::max(latest, modified);
    };
    for (const FileStamp &stamp : entry.Files) {
        Stamps_[StampKey(stamp.File, stamp.Hash)].append({entry.Computer, entry.Seq, stamp.Modified});
        NamedFiles_.insert(stamp.File);
        newest(stamp.File, stamp.Modified);
    }
    if (entry.Kind == EntryKind::Adopt && entry.Adopted) {
        NamedFiles_.insert(entry.Adopted->File);
        newest(entry.Adopted->File, entry.Adopted->Modified);
        Adoptions_.append({entry.Computer, entry.Seq, StampKey(entry.Adopted->File, entry.Adopted->Hash),
                           entry.Adopted->Seen, entry.Adopted->Modified});
    }
}

bool ChangeStore::IsVoid(const ChangeEntry &entry) const
{
    if (entry.Kind != EntryKind::Adopt || !entry.Adopted)
        return false;
    const auto stamps = Stamps_.constFind(StampKey(entry.Adopted->File, entry.Adopted->Hash));
    if (stamps == Stamps_.cend())
        return false;
    for (const Stamp &stamp : *stamps) {
        if (stamp.Computer != entry.Computer && stamp.Seq > entry.Adopted->Seen.value(stamp.Computer, 0))
            return true;
    }
    return false;
}

qint64 ChangeStore::NowNs()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

bool ChangeStore::Explains(const QString &file, const QByteArray &hash, qint64 modifiedNs) const
{
    constexpr qint64 Second = 1'000'000'000;
    // A file system or tool that keeps whole seconds only (or two, on FAT) rounds the time.
    const auto same = [&](qint64 given) {
        if (given == 0 || given == modifiedNs)
            return true;
        return modifiedNs % Second == 0 && std::abs(modifiedNs - given) <= 2 * Second;
    };
    const QString key = StampKey(file, hash);
    bool known = false;
    if (const auto stamps = Stamps_.constFind(key); stamps != Stamps_.cend()) {
        known = true;
        for (const Stamp &stamp : *stamps) {
            if (same(stamp.Modified))
                return true;
        }
    }
    for (const Adoption &adoption : Adoptions_) {
        if (adoption.Key == key) {
            known = true;
            if (same(adoption.Modified))
                return true;
        }
    }
    // A void adoption's file is explained by the stamp that made it void; bytes written again
    // later than anything known are a change of their own.
    return known && modifiedNs <= Newest_.value(file) + 2 * Second;
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
    Newest_.clear();
    Adoptions_.clear();
    NamedFiles_.clear();
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

ChangeStore::Arrivals ChangeStore::Refresh(bool mayMend, const LogFolder::Sizes *upTo)
{
    Arrivals arrivals;
    Prepare(mayMend);
    LogFolder::Update update = Logs_.ReadNew(upTo);
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
    try {
        if (stamp) {
            State_->Apply(entry);
            entry.Files = stamp(*State_);
        }
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
