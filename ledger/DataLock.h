#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <optional>

// Who holds the lock of a data folder, as its lock file says.
struct LockHolder
{
    QString Host;
    QString User;
    qint64 Process = 0;
    QString Program; // "haushaltsbuch" or "haushaltsbuch-cli"
    QDateTime Since;

    bool operator==(const LockHolder &) const = default;

    QByteArray Encode() const;
    // Nothing when the text is not a holder's (empty: the holder had not written it yet).
    // Bounds-checked: the file may come from another machine through a synced folder.
    static std::optional<LockHolder> Decode(QByteArrayView text);
    // This process, now.
    static LockHolder Current(const QString &program);
};

// One writer per data folder: "Haushaltsbuch.lock" in the data folder itself, locked with
// flock and naming its holder (host, user, process, program, since when). Every program and
// command-line call on that folder sees it, whatever its runtime folder, login or container.
// The system drops the lock when its holder ends, however it ends, so a file left behind by a
// killed holder is simply taken over; a holder that ends normally removes it.
class DataLock
{
public:
    static constexpr char16_t FileName[] = u"Haushaltsbuch.lock";
    static constexpr char16_t ProgramName[] = u"haushaltsbuch";
    static constexpr char16_t CliName[] = u"haushaltsbuch-cli";

    DataLock() = default;
    ~DataLock();
    DataLock(const DataLock &) = delete;
    DataLock &operator=(const DataLock &) = delete;

    // Takes the lock of the folder (which must exist) for `program`. False when another
    // holder has it (Holder() tells who, as far as its file says) or when the lock file cannot
    // be opened (ErrorString() says why; it is empty when another holder has the lock). In a
    // folder this user cannot write to, whose lock file does not exist, there is nothing to
    // guard: true without a lock.
    bool TryLock(const QString &dataFolder, const QString &program);
    void Unlock();
    bool IsLocked() const { return Fd_ >= 0; }

    const QString &ErrorString() const { return Error_; }
    const std::optional<LockHolder> &Holder() const { return Holder_; }

    // The German message for a refused `program`, naming the holder.
    static QString RefusalMessage(const std::optional<LockHolder> &holder, const QString &program);

private:
    QString Path_;
    QString Error_;
    std::optional<LockHolder> Holder_;
    int Fd_ = -1;
    bool Writable_ = true;
};
