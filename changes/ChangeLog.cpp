#include "changes/ChangeLog.h"

#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

bool WriteAll(int fd, QByteArrayView bytes)
{
    const char *data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = ENOSPC;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

} // namespace

QString ChangeLog::FolderName()
{
    return u"Änderungen"_s;
}

QString ChangeLog::FolderOf(const QString &dataFolder)
{
    return dataFolder + FolderName() + u'/';
}

ChangeLog::ChangeLog(const QString &dataFolder, QByteArray computer, QString host)
    : Folder_(FolderOf(dataFolder))
    , Path_(Folder_ + QString::fromLatin1(computer) + u".log"_s)
    , Computer_(std::move(computer))
    , Host_(std::move(host))
{
}

EntryCodec::Read ChangeLog::Load()
{
    QFile file(Path_);
    if (!file.exists()) {
        Size_ = 0;
        return {};
    }
    const QByteArray bytes = ListFiles::ReadFile(Path_);
    EntryCodec::Read read = EntryCodec::Decode(bytes);
    if (read.Computer != Computer_ && read.Problem.isEmpty())
        read.Problem = u"Das Änderungsprotokoll gehört einem anderen Rechner."_s;
    if (!read.Problem.isEmpty() && read.Computer == Computer_) {
        // What cannot be read is kept; this computer goes on after the last whole entry.
        ListFiles::WriteFile(Path_ + u".defekt"_s, bytes);
    } else if (!read.Problem.isEmpty()) {
        throw QelError(u"Das Änderungsprotokoll \"%1\" kann nicht gelesen werden. %2"_s.arg(
            QDir::toNativeSeparators(Path_), read.Problem));
    }
    if (read.GoodEnd < bytes.size()) {
        if (::truncate(QFile::encodeName(Path_).constData(), read.GoodEnd) != 0) {
            throw QelError(u"Das Änderungsprotokoll \"%1\" kann nicht ausgebessert werden. %2"_s.arg(
                QDir::toNativeSeparators(Path_), ListFiles::SystemReason(errno)));
        }
    }
    Size_ = read.GoodEnd;
    return read;
}

void ChangeLog::Append(const ChangeEntry &entry)
{
    const QString &folder = Folder_;
    const QByteArray native = QFile::encodeName(Path_);
    const auto fail = [&](int reason) {
        throw QelError(u"Die Änderung konnte nicht gespeichert werden: Das Änderungsprotokoll \"%1\" lässt sich nicht "
                       u"schreiben. %2 Es wurde nichts geändert."_s.arg(QDir::toNativeSeparators(Path_),
                                                                        ListFiles::SystemReason(reason)));
    };
    struct stat status{};
    const bool exists = ::stat(native.constData(), &status) == 0;
    if (!exists) {
        if (!QDir().mkpath(folder))
            fail(errno ? errno : EACCES);
        // The header goes in first, through the atomic writer: a log is never without it.
        try {
            ListFiles::WriteFile(Path_, EntryCodec::HeaderLine(Computer_, Host_));
        } catch (const QelError &) {
            fail(errno ? errno : EIO);
        }
        ListFiles::SyncFolder(QFile::encodeName(folder));
        if (::stat(native.constData(), &status) != 0)
            fail(errno);
    }
    const int fd = ::open(native.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0)
        fail(errno);
    const off_t before = ::lseek(fd, 0, SEEK_END);
    const QByteArray bytes = EntryCodec::Encode(entry);
    int synced = 0;
    bool good = WriteAll(fd, bytes);
    if (good) {
        do
            synced = ::fsync(fd);
        while (synced < 0 && errno == EINTR);
        good = synced == 0;
    }
    if (!good) {
        const int reason = errno;
        // Nothing of a half-written entry stays: the reader would drop it, the next append not.
        if (before >= 0)
            ::ftruncate(fd, before);
        ::close(fd);
        fail(reason);
    }
    ::close(fd);
    Size_ = qint64(before) + bytes.size();
}
