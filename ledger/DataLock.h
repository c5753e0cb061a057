#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QList>
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
    // This process, now. The host name is the system's (QEL_TEST_HOSTNAME stands in for it in
    // tests that play a second computer).
    static LockHolder Current(const QString &program);
};

// One writer per data folder and computer: "Haushaltsbuch-<host>.lock" in the data folder,
// locked with flock and naming its holder (host, user, process, program, since when). Every
// program and command-line call of this computer on that folder sees it, whatever its runtime
// folder or login; the system drops the lock when its holder ends, however it ends, and a holder
// that ends normally removes the file. Other computers of a synced folder write their own file
// and never this one: each writes only its own change log, so they may all change the books at
// once. Their files only tell that the ledger is open there too (Others).
class DataLock
{
public:
    static constexpr char16_t ProgramName[] = u"haushaltsbuch";
    static constexpr char16_t CliName[] = u"haushaltsbuch-cli";

    DataLock() = default;
    ~DataLock();
    DataLock(const DataLock &) = delete;
    DataLock &operator=(const DataLock &) = delete;

    // "Haushaltsbuch-rechner-a.lock": the host's name with anything but letters, digits, "-",
    // "_" and "." made "_".
    static QString FileNameFor(const QString &host);

    // Takes this computer's lock of the folder (which must exist) for `program`. False when
    // another holder has it (Holder() tells who, as far as its file says) or when the lock file
    // cannot be opened (ErrorString() says why; it is empty when another holder has the lock).
    // In a folder this user cannot write to, whose lock file does not exist, there is nothing to
    // guard: true without a lock.
    bool TryLock(const QString &dataFolder, const QString &program);
    void Unlock();
    bool IsLocked() const { return Fd_ >= 0; }

    const QString &ErrorString() const { return Error_; }
    const std::optional<LockHolder> &Holder() const { return Holder_; }

    // The programs of other computers that have the folder open, as their lock files say (one
    // killed there leaves its file until it runs there again).
    static QList<LockHolder> Others(const QString &dataFolder);
    // "Das Haushaltsbuch ist auch auf „rechner-a“ (seit 14:03) geöffnet. …"
    static QString OthersMessage(const QList<LockHolder> &others);
    // The German message for a refused `program`, naming the holder.
    static QString RefusalMessage(const std::optional<LockHolder> &holder, const QString &program);

private:
    QString Folder_;
    QString Path_;
    QString Error_;
    std::optional<LockHolder> Holder_;
    LockHolder Own_;
    int Fd_ = -1;
    bool Writable_ = true;
};
