#include "ledger/ListFiles.h"

#include "ledger/BookingList.h"
#include "ledger/ComponentStream.h"
#include "ledger/QelError.h"
#include "ledger/Win1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ListFiles {

QString IncomeObjectName() { return QStringLiteral("ListViewIncome"); }
QString ExpendObjectName() { return QStringLiteral("ListViewExpend"); }
QString RegularObjectName() { return QStringLiteral("ListViewRegular"); }

QByteArray MonthBookBytes(const BookingList &income, const BookingList &expend)
{
    QByteArray bytes;
    ComponentStream::WriteListRecord(bytes, income, IncomeObjectName(), 0);
    ComponentStream::WriteListRecord(bytes, expend, ExpendObjectName(), 0);
    return bytes;
}

QByteArray RegularBytes(const BookingList &regular)
{
    QByteArray bytes;
    ComponentStream::WriteListRecord(bytes, regular, RegularObjectName(), 1);
    return bytes;
}

void ParseMonthBook(QByteArrayView data, BookingList &income, BookingList &expend)
{
    const qsizetype next = ComponentStream::ReadListRecord(data, 0, income);
    ComponentStream::ReadListRecord(data, next, expend);
}

void ParseRegular(QByteArrayView data, BookingList &regular)
{
    ComponentStream::ReadListRecord(data, 0, regular);
}

MonthBookSums SumMonthBook(QByteArrayView data)
{
    MonthBookSums sums;
    const qsizetype next = ComponentStream::SumListRecord(data, 0, sums.Income);
    ComponentStream::SumListRecord(data, next, sums.Expend);
    return sums;
}

MonthBookSums SumMonthBook(QByteArrayView data, ComponentStream::KnownRecords &known)
{
    MonthBookSums sums;
    known.SumTwo(data, sums.Income, sums.Expend);
    return sums;
}

QString SystemReason(int errorNumber)
{
    switch (errorNumber) {
    case ENOENT:
        return QStringLiteral("Das System kann die angegebene Datei nicht finden.");
    case ENOTDIR:
        return QStringLiteral("Das System kann den angegebenen Pfad nicht finden.");
    case EACCES:
    case EPERM:
        return QStringLiteral("Zugriff verweigert.");
    case EROFS:
        return QStringLiteral("Der Datenträger ist schreibgeschützt.");
    case ENOSPC:
        return QStringLiteral("Auf dem Datenträger ist nicht genügend Speicherplatz vorhanden.");
    case EDQUOT:
        return QStringLiteral("Das Speicherkontingent ist erschöpft.");
    case EISDIR:
        return QStringLiteral("Der Name bezeichnet ein Verzeichnis.");
    case EFBIG:
        return QStringLiteral("Die Datei ist zu groß.");
    case ENAMETOOLONG:
        return QStringLiteral("Der Dateiname ist zu lang.");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("Es sind zu viele Dateien geöffnet.");
    case EIO:
        return QStringLiteral("Ein-/Ausgabefehler des Datenträgers.");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("Die Datei wird von einem anderen Prozess verwendet.");
    default:
        return QString::fromLocal8Bit(std::strerror(errorNumber));
    }
}

namespace {

QByteArray ReadOpenFile(QFile &file, const QString &path)
{
    errno = 0;
    // Read whole in one go: a buffer between the file and the bytes would only copy them twice.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        const int reason = errno ? errno : EACCES;
        throw QelError(QStringLiteral("Datei %1 kann nicht geöffnet werden. %2")
                           .arg(QDir::toNativeSeparators(path), SystemReason(reason)));
    }
    errno = 0;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw QelError(QStringLiteral("Stream-Lesefehler"));
    return bytes;
}

} // namespace

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return ReadOpenFile(file, path);
}

QByteArray ReadFile(const QString &path, std::optional<qint64> &modifiedSecs)
{
    QFile file(path);
    QByteArray bytes = ReadOpenFile(file, path);
    struct stat status;
    if (::fstat(file.handle(), &status) == 0)
        modifiedSecs = status.st_mtim.tv_sec;
    return bytes;
}

namespace {

const QRegularExpression &LeftoverPattern()
{
    static const QRegularExpression pattern(QStringLiteral("^\\.(.+\\.qel|Regular\\.dat)\\.[A-Za-z0-9]{6}\\.tmp$"));
    return pattern;
}

bool WriteAll(int fd, const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = EIO;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

} // namespace

QString TemporaryNameFor(const QString &fileName)
{
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString random;
    for (int i = 0; i < 6; ++i)
        random.append(QLatin1Char(Letters[QRandomGenerator::global()->bounded(62)]));
    return u'.' + fileName + u'.' + random + QStringLiteral(".tmp");
}

// A ledger file may be a link into another folder (a synced or shared one): the save goes to
// the file the link names, as writing through the link would, and the link stays.
QString ResolvedTarget(const QString &path)
{
    QFileInfo file(path);
    for (int hops = 0; file.isSymLink() && hops < 40; ++hops)
        file.setFile(file.symLinkTarget());
    return file.absoluteFilePath();
}

void WriteNewFile(const QByteArray &file, QByteArrayView bytes, const QString &shownPath, int mode,
                  const QString &addedReason)
{
    const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        throw QelError(QStringLiteral("Datei \"%1\" kann nicht erstellt werden. %2")
                           .arg(QDir::toNativeSeparators(shownPath), SystemReason(errno ? errno : EACCES)));
    }
    // Every step reports its errno; the new file goes again on any failure.
    const auto fail = [&](int reason) {
        ::close(fd);
        ::unlink(file.constData());
        throw QelError(QStringLiteral("Stream-Schreibfehler: Die Datei \"%1\" konnte nicht gespeichert werden. %2")
                           .arg(QDir::toNativeSeparators(shownPath), SystemReason(reason))
                       + addedReason);
    };
    if (mode >= 0)
        ::fchmod(fd, mode_t(mode) & 07777); // a copy keeps the file's permissions
    if (!WriteAll(fd, bytes.data(), bytes.size()))
        fail(errno);
    // The file system may report a full disk or a failed device only here.
    int synced;
    do
        synced = ::fsync(fd);
    while (synced < 0 && errno == EINTR);
    if (synced < 0)
        fail(errno);
    ::close(fd);
}

int FileMode(const QByteArray &file)
{
    struct stat status{};
    return ::stat(file.constData(), &status) == 0 ? int(status.st_mode & 07777) : -1;
}

void WriteFile(const QString &path, QByteArrayView bytes)
{
    const QFileInfo target(ResolvedTarget(path));
    const QString folder = target.absolutePath();
    const QByteArray nativeTarget = QFile::encodeName(target.filePath());
    const int mode = FileMode(nativeTarget);

    // A name nobody else took; the temporary file carries the bytes to the disk before it
    // replaces the old file, which stays as it was on any failure.
    QByteArray temporary;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = QFile::encodeName(folder + u'/' + TemporaryNameFor(target.fileName()));
        struct stat taken;
        if (::lstat(temporary.constData(), &taken) != 0)
            break;
    }
    const QString stays = mode >= 0 ? QStringLiteral(" Die bisherige Datei bleibt unverändert.") : QString();
    WriteNewFile(temporary, bytes, path, mode, stays);
    if (::rename(temporary.constData(), nativeTarget.constData()) < 0) {
        const int reason = errno;
        ::unlink(temporary.constData());
        throw QelError(QStringLiteral("Stream-Schreibfehler: Die Datei \"%1\" konnte nicht gespeichert werden. %2")
                           .arg(QDir::toNativeSeparators(path), SystemReason(reason))
                       + stays);
    }
    SyncFolder(QFile::encodeName(folder));
}

void SyncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool IsLeftoverName(const QString &fileName)
{
    return LeftoverPattern().match(fileName).hasMatch();
}

int RemoveLeftovers(const QString &folder)
{
    int removed = 0;
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        if (IsLeftoverName(name) && QFile::remove(QDir(folder).filePath(name)))
            ++removed;
    }
    return removed;
}

int RemoveOwnLeftovers(const QString &folder)
{
    static const QRegularExpression pattern(QStringLiteral("^\\..+\\.[A-Za-z0-9]{6}\\.tmp$"));
    int removed = 0;
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        if (pattern.match(name).hasMatch() && QFile::remove(QDir(folder).filePath(name)))
            ++removed;
    }
    return removed;
}

QStringList UndecodableBookFiles(const QString &folder)
{
    QStringList names;
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (!name.endsWith(".qel") || QFile::encodeName(QFile::decodeName(name)) == name)
            continue;
        names.append(Win1252::Decode(name));
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

QString UndecodableNameMessage(const QString &win1252Name)
{
    return QStringLiteral("Der Name der Datei \"%1\" im Datenordner ist in einer älteren Zeichenkodierung "
                          "gespeichert (vermutlich Windows-1252, nicht UTF-8). Das Haushaltsbuch kann sie deshalb "
                          "nicht öffnen. Bitte geben Sie der Datei den Namen \"%1\" neu, zum Beispiel im "
                          "Dateimanager; danach zeigt das Haushaltsbuch sie an.")
        .arg(win1252Name);
}

} // namespace ListFiles
