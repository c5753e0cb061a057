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
    QDateTime Refreshed; // a running program says every minute that it still holds the lock

    bool operator==(const LockHolder &) const = default;

    QByteArray Encode() const;
    // Nothing when the text is not a holder's (empty: the holder had not written it yet).
    // Bounds-checked: the file may come from another machine through a synced folder.
    static std::optional<LockHolder> Decode(QByteArrayView text);
    // This process, now. The host name is the system's (QEL_TEST_HOSTNAME stands in for it in
    // tests that play a second computer).
    static LockHolder Current(const QString &program);
    // When the holder last said it holds the lock.
    QDateTime LastSign() const { return Refreshed.isValid() ? Refreshed : Since; }
};

// One writer per data folder: "Haushaltsbuch.lock" in the data folder itself, locked with
// flock and naming its holder (host, user, process, program, since when). Every program and
// command-line call on that folder sees it, whatever its runtime folder, login or container.
// The system drops the lock when its holder ends, however it ends, so a file left behind by a
// killed holder on this computer is simply taken over; a holder that ends normally removes it.
// On a data folder that a synchronisation tool shares with another computer, flock does not
// reach across: there the file's text decides. A holder on another host whose program refreshed
// it within StaleMinutes holds the lock; an older one is stale and taken over (TakenOver says
// from whom).
class DataLock
{
public:
    static constexpr char16_t FileName[] = u"Haushaltsbuch.lock";
    static constexpr char16_t ProgramName[] = u"haushaltsbuch";
    static constexpr char16_t CliName[] = u"haushaltsbuch-cli";
    static constexpr int StaleMinutes = 10;
    static constexpr int RefreshSeconds = 60;

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
    // Says again that the lock is held (every RefreshSeconds while the program runs). False when
    // the file no longer names this process: another computer took it over meanwhile.
    bool Refresh();
    // The stale holder of another computer whose lock TryLock took over.
    const std::optional<LockHolder> &TakenOver() const { return TakenOver_; }

    const QString &ErrorString() const { return Error_; }
    const std::optional<LockHolder> &Holder() const { return Holder_; }

    // The German message for a refused `program`, naming the holder.
    static QString RefusalMessage(const std::optional<LockHolder> &holder, const QString &program);
    // Whether the holder is a program on another computer (the program may then open the books
    // to look at them only).
    static bool OnAnotherHost(const std::optional<LockHolder> &holder);
    // "Die Sperre des Rechners „rechner-b“ (zuletzt 13:50) war veraltet und wurde übernommen."
    static QString TakeOverMessage(const LockHolder &stale);

private:
    bool StillOurs() const;

    QString Path_;
    QString Error_;
    std::optional<LockHolder> Holder_;
    std::optional<LockHolder> TakenOver_;
    LockHolder Own_;
    int Fd_ = -1;
    bool Writable_ = true;
};
