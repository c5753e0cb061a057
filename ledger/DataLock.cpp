#include "ledger/DataLock.h"

#include "ledger/LedgerPaths.h"
#include "ledger/ListFiles.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QSysInfo>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr char Header[] = "Haushaltsbuch-Sperre 1";
// A holder's text is a few lines; anything larger is not one.
constexpr qsizetype MaxText = 4096;
constexpr qsizetype MaxField = 100;

QString CleanField(QByteArrayView bytes)
{
    QString text = QString::fromUtf8(bytes.first(std::min<qsizetype>(bytes.size(), 4 * MaxField)));
    text.removeIf([](QChar ch) { return ch.category() == QChar::Other_Control || ch.isSurrogate(); });
    return text.left(MaxField).trimmed();
}

QString UserName()
{
    if (const passwd *pw = ::getpwuid(::getuid()); pw && pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return QString::number(::getuid());
}

// "14:03" today, else "08.12.2026, 14:03".
QString SinceText(const QDateTime &since)
{
    const QDateTime local = since.toLocalTime();
    if (local.date() == QDate::currentDate())
        return local.toString(u"HH:mm"_s);
    return local.toString(u"dd.MM.yyyy, HH:mm"_s);
}

bool SameFile(int fd, const QByteArray &path)
{
    struct stat opened;
    struct stat named;
    return ::fstat(fd, &opened) == 0 && ::lstat(path.constData(), &named) == 0 && opened.st_dev == named.st_dev
           && opened.st_ino == named.st_ino;
}

std::optional<LockHolder> ReadHolder(int fd)
{
    char buffer[MaxText + 1];
    qsizetype size = 0;
    while (size <= MaxText) {
        const ssize_t got = ::pread(fd, buffer + size, size_t(MaxText + 1 - size), off_t(size));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        size += got;
    }
    return LockHolder::Decode(QByteArrayView(buffer, size));
}

} // namespace

QByteArray LockHolder::Encode() const
{
    QByteArray text = QByteArray(Header) + '\n';
    text += "rechner=" + Host.toUtf8() + '\n';
    text += "benutzer=" + User.toUtf8() + '\n';
    text += "prozess=" + QByteArray::number(Process) + '\n';
    text += "programm=" + Program.toUtf8() + '\n';
    text += "seit=" + Since.toUTC().toString(Qt::ISODate).toLatin1() + '\n';
    return text;
}

std::optional<LockHolder> LockHolder::Decode(QByteArrayView text)
{
    if (text.size() > MaxText)
        return std::nullopt;
    LockHolder holder;
    bool headerSeen = false;
    while (!text.isEmpty()) {
        const qsizetype end = text.indexOf('\n');
        const QByteArrayView line = end < 0 ? text : text.first(end);
        text = end < 0 ? QByteArrayView() : text.sliced(end + 1);
        if (!headerSeen) {
            if (line != QByteArrayView(Header))
                return std::nullopt;
            headerSeen = true;
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            continue;
        const QByteArrayView key = line.first(equals);
        const QByteArrayView value = line.sliced(equals + 1);
        if (key == "rechner")
            holder.Host = CleanField(value);
        else if (key == "benutzer")
            holder.User = CleanField(value);
        else if (key == "programm")
            holder.Program = CleanField(value);
        else if (key == "prozess" && value.size() <= 10)
            holder.Process = value.toLongLong();
        else if (key == "seit" && value.size() <= 40)
            holder.Since = QDateTime::fromString(QString::fromLatin1(value), Qt::ISODate);
    }
    if (!headerSeen)
        return std::nullopt;
    return holder;
}

LockHolder LockHolder::Current(const QString &program)
{
    const QString host = qEnvironmentVariable("QEL_TEST_HOSTNAME", QSysInfo::machineHostName());
    return {host, UserName(), qint64(::getpid()), program, QDateTime::currentDateTimeUtc()};
}

DataLock::~DataLock()
{
    Unlock();
}

QString DataLock::FileNameFor(const QString &host)
{
    QString name = host.left(MaxField);
    for (QChar &ch : name) {
        if (!(ch.isLetterOrNumber() && ch.unicode() < 128) && ch != u'-' && ch != u'_' && ch != u'.')
            ch = u'_';
    }
    return u"Haushaltsbuch-%1.lock"_s.arg(name.isEmpty() ? u"unbekannt"_s : name);
}

bool DataLock::TryLock(const QString &dataFolder, const QString &program)
{
    if (Fd_ >= 0)
        return true;
    Own_ = LockHolder::Current(program);
    Folder_ = LedgerPaths::WithSlash(dataFolder);
    Path_ = Folder_ + FileNameFor(Own_.Host);
    Error_.clear();
    Holder_.reset();
    const QByteArray path = QFile::encodeName(Path_);
    const auto fail = [this](int error) {
        Error_ = u"Die Sperrdatei \"%1\" kann nicht angelegt werden. %2"_s.arg(QDir::toNativeSeparators(Path_),
                                                                              ListFiles::SystemReason(error));
        return false;
    };
    // The last holder removes the file as it ends: a file opened just before that is no longer
    // the lock, so the locked file must still be the one the name leads to.
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Close-on-exec: a browser or mail program started from here must not inherit the lock.
        // Readable for all: whoever is refused can read who holds it.
        int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        bool writable = true;
        if (fd < 0 && (errno == EROFS || errno == EACCES)) {
            // A folder this user cannot write to (an archive, a read-only medium): nothing can
            // be saved there, but a holder who can is still seen.
            writable = false;
            fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
            if (fd < 0 && errno == ENOENT)
                return true;
        }
        if (fd < 0)
            return fail(errno);
        int locked;
        do
            locked = ::flock(fd, LOCK_EX | LOCK_NB);
        while (locked < 0 && errno == EINTR);
        if (locked < 0) {
            const int error = errno;
            if (error == EWOULDBLOCK)
                Holder_ = ReadHolder(fd);
            ::close(fd);
            return error == EWOULDBLOCK ? false : fail(error);
        }
        if (!SameFile(fd, path)) {
            ::close(fd);
            continue;
        }
        // Who holds it, for those refused and for the other computers; written once, the lock
        // holds without that text too.
        const QByteArray text = Own_.Encode();
        if (writable && ::ftruncate(fd, 0) == 0)
            (void)!::pwrite(fd, text.constData(), size_t(text.size()), 0);
        Fd_ = fd;
        Writable_ = writable;
        return true;
    }
    return fail(EAGAIN);
}

void DataLock::Unlock()
{
    if (Fd_ < 0)
        return;
    // Removed while still held, so nobody takes a lock on a name that is about to go.
    const QByteArray path = QFile::encodeName(Path_);
    if (Writable_ && SameFile(Fd_, path))
        ::unlink(path.constData());
    ::close(Fd_);
    Fd_ = -1;
}

QList<LockHolder> DataLock::Others(const QString &dataFolder)
{
    QList<LockHolder> others;
    const QString folder = LedgerPaths::WithSlash(dataFolder);
    const QString own = FileNameFor(LockHolder::Current({}).Host);
    // "Haushaltsbuch.lock" is what an older program on another computer leaves.
    const QStringList names =
        QDir(folder).entryList({u"Haushaltsbuch-*.lock"_s, u"Haushaltsbuch.lock"_s}, QDir::Files, QDir::Name);
    for (const QString &name : names) {
        if (name == own || others.size() >= 20)
            continue;
        const int fd = ::open(QFile::encodeName(folder + name).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        const std::optional<LockHolder> holder = ReadHolder(fd);
        ::close(fd);
        if (holder && !holder->Host.isEmpty() && holder->Host != LockHolder::Current({}).Host)
            others.append(*holder);
    }
    return others;
}

QString DataLock::OthersMessage(const QList<LockHolder> &others)
{
    QStringList where;
    for (const LockHolder &other : others) {
        where.append(other.Since.isValid() ? u"„%1“ (seit %2)"_s.arg(other.Host, SinceText(other.Since))
                                           : u"„%1“"_s.arg(other.Host));
    }
    return u"Das Haushaltsbuch ist auch auf %1 geöffnet. Sie können hier wie dort Buchungen ändern: Jeder Rechner "
           u"schreibt seine Änderungen in ein eigenes Änderungsprotokoll, und die Bücher folgen auf beiden Rechnern "
           u"daraus."_s.arg(where.join(u", "_s));
}

QString DataLock::RefusalMessage(const std::optional<LockHolder> &holder, const QString &program)
{
    const bool cli = program == QString::fromUtf16(CliName);
    if (!holder || holder->Program.isEmpty()) {
        return cli ? u"Das Haushaltsbuch wird gerade von einem anderen Programm verwendet. Bitte versuchen Sie es "
                     u"gleich noch einmal."_s
                   : u"Das Programm wurde bereits gestartet!"_s;
    }
    const LockHolder here = LockHolder::Current(program);
    const QString since = holder->Since.isValid() ? SinceText(holder->Since) : QString();
    if (holder->Host != here.Host) {
        QString text = u"Das Haushaltsbuch ist auf dem Rechner „%1“"_s.arg(holder->Host);
        if (!since.isEmpty())
            text += u" seit %1"_s.arg(since);
        text += u" geöffnet."_s;
        return cli ? text + u" Bitte beenden Sie es dort, bevor Sie hier Daten ändern."_s : text;
    }
    QStringList details;
    if (holder->User != here.User)
        details.append(u"Benutzer %1"_s.arg(holder->User));
    details.append(u"Prozess %1"_s.arg(holder->Process));
    if (!since.isEmpty())
        details.append(u"seit %1"_s.arg(since));
    const QString about = details.join(u", "_s);
    if (holder->Program == QString::fromUtf16(CliName)) {
        return u"Gerade ändert ein Befehl von haushaltsbuch-cli die Daten (%1). Bitte versuchen Sie es gleich noch "
               u"einmal."_s.arg(about);
    }
    if (!cli)
        return holder->User == here.User ? u"Das Programm wurde bereits gestartet!"_s
                                         : u"Das Haushaltsbuch ist bereits geöffnet (%1)."_s.arg(about);
    return u"Das Programm Orvo Haushaltsbuch läuft gerade (%1). Bitte beenden Sie es, bevor Sie über die "
           u"Kommandozeile Daten ändern."_s.arg(about);
}
