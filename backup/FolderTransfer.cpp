#include "backup/FolderTransfer.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>

#include <array>
#include <cerrno>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray Native(const QString &path)
{
    return QFile::encodeName(path);
}

QString InFolder(const QString &folder, const QString &name)
{
    return QDir(folder).filePath(name);
}

class Descriptor
{
public:
    explicit Descriptor(int fd)
        : Fd_(fd)
    {
    }
    ~Descriptor()
    {
        if (Fd_ >= 0)
            ::close(Fd_);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    int Get() const { return Fd_; }
    bool Valid() const { return Fd_ >= 0; }
    // Some file systems report a failed write only when the file is closed.
    bool Close() { return ::close(std::exchange(Fd_, -1)) == 0; }

private:
    int Fd_;
};

Descriptor OpenFolder(const QString &folder)
{
    return Descriptor(::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

bool WriteAll(int fd, const char *data, ssize_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

bool IsPlainFile(const QByteArray &path)
{
    struct stat st;
    return ::stat(path.constData(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

QString RegularFileName()
{
    return u"Regular.dat"_s;
}

std::optional<LedgerFiles> ListLedgerFiles(const QString &folder)
{
    DIR *dir = ::opendir(Native(folder).constData());
    if (!dir)
        return std::nullopt;
    const auto closeDir = qScopeGuard([dir] { ::closedir(dir); });
    const QByteArray prefix = Native(QDir(folder).absolutePath() + u'/');
    const QByteArray regular = Native(RegularFileName());
    LedgerFiles files;
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry) {
            // An error midway would leave books out of the list, and a restore would remove them.
            if (errno != 0)
                return std::nullopt;
            break;
        }
        const QByteArray name(entry->d_name);
        const bool book = name.endsWith(".qel");
        if ((!book && name != regular) || !IsPlainFile(prefix + name))
            continue;
        if (book)
            files.Books.append(QFile::decodeName(name));
        else
            files.HasRegular = true;
    }
    files.Books.sort();
    return files;
}

bool TransferFileOps::Copy(const QString &from, const QString &to)
{
    Descriptor in(::open(Native(from).constData(), O_RDONLY | O_CLOEXEC));
    struct stat st;
    if (!in.Valid() || ::fstat(in.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    Descriptor out(::open(Native(to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR));
    if (!out.Valid())
        return false;
    std::array<char, 64 * 1024> buffer;
    for (;;) {
        const ssize_t got = ::read(in.Get(), buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            break;
        if (!WriteAll(out.Get(), buffer.data(), got))
            return false;
    }
    // The copy keeps the modification time, which the book list shows as the last change, and
    // the permissions. Both only where the file system can hold them (FAT sticks cannot).
    const timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out.Get(), times);
    ::fchmod(out.Get(), st.st_mode & 07777);
    return out.Close();
}

bool TransferFileOps::Move(const QString &from, const QString &to)
{
    return ::rename(Native(from).constData(), Native(to).constData()) == 0;
}

bool TransferFileOps::Flush(int folderDescriptor)
{
    return ::syncfs(folderDescriptor) == 0;
}

TransferResult ReplaceFiles(TransferFileOps &ops, const QString &source, const QString &target,
                            const QStringList &copy, const QStringList &remove)
{
    QTemporaryDir staging(InFolder(target, u".Haushaltsbuch-Sicherung-XXXXXX"_s));
    if (!staging.isValid())
        return TransferResult::CopyFailed;
    const QString fresh = staging.filePath(u"neu"_s);
    const QString old = staging.filePath(u"alt"_s);
    if (!QDir().mkdir(fresh) || !QDir().mkdir(old))
        return TransferResult::CopyFailed;
    // Opened before the copies, so that the flush reports every write error they cause.
    const Descriptor stagingFolder = OpenFolder(staging.path());
    if (!stagingFolder.Valid())
        return TransferResult::CopyFailed;
    for (const QString &name : copy) {
        if (!ops.Copy(InFolder(source, name), InFolder(fresh, name)))
            return TransferResult::CopyFailed;
    }
    if (!ops.Flush(stagingFolder.Get()))
        return TransferResult::CopyFailed;

    // The old files: those to remove and those a copy replaces.
    QStringList replaced = remove;
    const QSet<QString> removed(remove.cbegin(), remove.cend());
    for (const QString &name : copy) {
        struct stat st;
        if (removed.contains(name) || ::lstat(Native(InFolder(target, name)).constData(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) // a folder of that name is no ledger file; it stays
            return TransferResult::ReplaceFailed;
        replaced.append(name);
    }

    // From here the target changes one rename at a time; a failed step undoes the earlier ones.
    QStringList movedOut;
    QStringList movedIn;
    const auto undo = [&] {
        bool restored = true;
        for (const QString &name : std::as_const(movedIn))
            restored = ops.Move(InFolder(target, name), InFolder(fresh, name)) && restored;
        for (const QString &name : std::as_const(movedOut))
            restored = ops.Move(InFolder(old, name), InFolder(target, name)) && restored;
        // What could not be put back stays in the staging folder rather than be lost.
        if (!restored)
            staging.setAutoRemove(false);
        return TransferResult::ReplaceFailed;
    };
    for (const QString &name : std::as_const(replaced)) {
        if (!ops.Move(InFolder(target, name), InFolder(old, name)))
            return undo();
        movedOut.append(name);
    }
    for (const QString &name : copy) {
        if (!ops.Move(InFolder(fresh, name), InFolder(target, name)))
            return undo();
        movedIn.append(name);
    }
    // The renames on the disk before the old files go with the staging folder.
    if (const Descriptor folder = OpenFolder(target); folder.Valid())
        ::fsync(folder.Get());
    return TransferResult::Done;
}
