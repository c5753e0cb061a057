#include "transfer/FolderTransfer.h"

#include "ledger/ConflictCopies.h"

#include "transfer/TransferJournal.h"
#include "ledger/Win1252.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSet>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <utility>
#include <vector>

#include <dirent.h>
#include <stdio.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

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
    Descriptor(Descriptor &&other) noexcept
        : Fd_(std::exchange(other.Fd_, -1))
    {
    }

    int Get() const { return Fd_; }
    bool Valid() const { return Fd_ >= 0; }
    // Some file systems report a failed write only when the file is closed.
    bool Close() { return ::close(std::exchange(Fd_, -1)) == 0; }

private:
    int Fd_;
};

Descriptor OpenFolder(const QByteArray &folder)
{
    return Descriptor(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
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

QByteArray RandomLetters()
{
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray random;
    for (int i = 0; i < 6; ++i)
        random.append(Letters[QRandomGenerator::global()->bounded(62)]);
    return random;
}

struct Identity
{
    dev_t Device;
    ino_t Inode;
    bool operator==(const Identity &) const = default;
};

size_t qHash(const Identity &id, size_t seed = 0)
{
    return qHashMulti(seed, quint64(id.Device), quint64(id.Inode));
}

std::optional<Identity> IdentityOf(const QByteArray &path)
{
    struct stat st;
    if (::lstat(path.constData(), &st) != 0)
        return std::nullopt;
    return Identity{st.st_dev, st.st_ino};
}

bool IsLedgerName(const QByteArray &name)
{
    return name.endsWith(".qel") || name == "Regular.dat" || name == "Budgets.dat";
}

bool LooksLikeLedgerName(const QByteArray &name)
{
    const QByteArray lower = name.toLower();
    return lower.endsWith(".qel") || lower == "regular.dat" || lower == "budgets.dat";
}

// Room a file takes on a medium, in whole blocks of the usual size.
qint64 InBlocks(qint64 bytes)
{
    constexpr qint64 Block = 4096;
    return (bytes + Block - 1) / Block * Block;
}

qint64 FileSize(const QByteArray &path)
{
    struct stat st;
    return ::stat(path.constData(), &st) == 0 ? st.st_size : 0;
}

} // namespace

QString RegularFileName()
{
    return u"Regular.dat"_s;
}

QString BudgetsFileName()
{
    return u"Budgets.dat"_s;
}

QByteArray NativePath(const QString &path)
{
    return QFile::encodeName(QDir::cleanPath(QDir(path).absolutePath()));
}

QByteArray InFolder(const QByteArray &folder, const QByteArray &name)
{
    return folder.endsWith('/') ? QByteArray(folder + name) : QByteArray(folder + '/' + name);
}

QString DisplayName(const QByteArray &name)
{
    const QString decoded = QFile::decodeName(name);
    return QFile::encodeName(decoded) == name ? decoded : Win1252::Decode(name);
}

std::optional<LedgerFiles> ListLedgerFiles(const QString &folder, LinkRule links)
{
    const QByteArray native = NativePath(folder);
    DIR *dir = ::opendir(native.constData());
    if (!dir)
        return std::nullopt;
    const auto closeDir = qScopeGuard([dir] { ::closedir(dir); });
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
        // A synchronisation tool's conflict copy is no book: it never goes into a backup or
        // comes back with a restore.
        if (ConflictCopies::IsConflictCopy(QFile::decodeName(name)))
            continue;
        if (!IsLedgerName(name)) {
            if (LooksLikeLedgerName(name))
                files.OtherCase.append(name);
            continue;
        }
        struct stat st;
        const QByteArray path = InFolder(native, name);
        if (::lstat(path.constData(), &st) != 0)
            continue;
        if (S_ISLNK(st.st_mode)) {
            if (links == LinkRule::Skip || ::stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
                files.Links.append(name);
                continue;
            }
        } else if (!S_ISREG(st.st_mode)) {
            continue;
        }
        if (name == "Regular.dat") {
            files.HasRegular = true;
            continue;
        }
        if (name == "Budgets.dat") {
            files.HasBudgets = true;
            continue;
        }
        files.Books.append(name);
        if (QFile::encodeName(QFile::decodeName(name)) != name)
            files.Undecodable.append(name);
    }
    std::sort(files.Books.begin(), files.Books.end());
    std::sort(files.Links.begin(), files.Links.end());
    std::sort(files.OtherCase.begin(), files.OtherCase.end());
    return files;
}

bool TransferFileOps::Copy(const QByteArray &from, const QByteArray &to)
{
    Descriptor in(::open(from.constData(), O_RDONLY | O_CLOEXEC));
    struct stat st;
    if (!in.Valid() || ::fstat(in.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    Descriptor out(::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR));
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

bool TransferFileOps::Link(const QByteArray &from, const QByteArray &to)
{
    return ::link(from.constData(), to.constData()) == 0;
}

bool TransferFileOps::Move(const QByteArray &from, const QByteArray &to)
{
    // Never over a name that is taken: on a medium that folds letter case, two names can be one.
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without that flag (some FUSE ones, older NFS) get the plain rename.
    return ::rename(from.constData(), to.constData()) == 0;
}

bool TransferFileOps::Remove(const QByteArray &file)
{
    return ::unlink(file.constData()) == 0 || errno == ENOENT;
}

bool TransferFileOps::RemoveFolder(const QByteArray &folder)
{
    return ::rmdir(folder.constData()) == 0 || errno == ENOENT;
}

bool TransferFileOps::Flush(int folderDescriptor)
{
    return ::syncfs(folderDescriptor) == 0;
}

bool TransferFileOps::SyncFolder(const QByteArray &folder)
{
    const Descriptor fd = OpenFolder(folder);
    return fd.Valid() && ::fsync(fd.Get()) == 0;
}

namespace {

// Where each file of a transfer goes, worked out before anything is touched.
class Planner
{
public:
    Planner(const TransferRequest &request, QByteArray staging)
        : Source_(NativePath(request.Source))
        , Target_(NativePath(request.Target))
    {
        Plan.Kind = request.Kind;
        Plan.Target = Target_;
        Plan.Staging = InFolder(Target_, std::move(staging));
        Folders.insert(Target_);
    }

    // False when a name of the target is taken by a folder: that is no ledger file to replace.
    bool AddCopy(const QByteArray &name)
    {
        const QByteArray place = InFolder(Target_, name);
        const QByteArray source = InFolder(Source_, name);
        Bytes += InBlocks(FileSize(source));
        struct stat st;
        if (::lstat(place.constData(), &st) == 0 && S_ISLNK(st.st_mode) && ::stat(place.constData(), &st) == 0
            && S_ISREG(st.st_mode)) {
            // A link to a file: the new bytes go into the file it names, beside it, and the link stays.
            char resolved[PATH_MAX];
            if (::realpath(place.constData(), resolved)) {
                const QByteArray file(resolved);
                const qsizetype slash = file.lastIndexOf('/');
                const QByteArray folder = file.left(std::max<qsizetype>(slash, 1));
                const QByteArray hidden = InFolder(folder, '.' + file.mid(slash + 1) + '.' + RandomLetters());
                if (!AddOut(file, hidden + ".hb-alt"))
                    return false;
                Plan.In.append({hidden + ".hb-neu", file});
                Sources.append(source);
                Plan.Extra.append({hidden + ".hb-neu", hidden + ".hb-alt"});
                Folders.insert(folder);
                return true;
            }
        }
        if (!AddOut(ExistingEntry(name), {}))
            return false;
        Plan.In.append({InFolder(Plan.Staging, "neu/" + QByteArray::number(Plan.In.size())), place});
        Sources.append(source);
        return true;
    }

    bool AddRemove(const QByteArray &name) { return AddOut(ExistingEntry(name), {}); }

    TransferPlan Plan;
    QByteArrayList Sources; // one per entry of Plan.In
    QSet<QByteArray> Folders;
    qint64 Bytes = 0;

private:
    // The entry that answers to the name: on a medium that ignores letter case it may be
    // spelled otherwise ("APRIL 2008.QEL" for "April 2008.qel"). Empty when there is none.
    QByteArray ExistingEntry(const QByteArray &name)
    {
        const QByteArray place = InFolder(Target_, name);
        const std::optional<Identity> id = IdentityOf(place);
        if (!id)
            return {};
        if (Entries_.isEmpty())
            ReadEntries();
        return Entries_.value(*id, place);
    }

    void ReadEntries()
    {
        Entries_.insert(Identity{0, 0}, {});
        DIR *dir = ::opendir(Target_.constData());
        if (!dir)
            return;
        while (const dirent *entry = ::readdir(dir)) {
            const QByteArray path = InFolder(Target_, entry->d_name);
            if (const std::optional<Identity> id = IdentityOf(path); id && !Entries_.contains(*id))
                Entries_.insert(*id, path);
        }
        ::closedir(dir);
    }

    bool AddOut(const QByteArray &path, QByteArray parking)
    {
        if (path.isEmpty())
            return true;
        struct stat st;
        if (::lstat(path.constData(), &st) != 0)
            return true;
        if (S_ISDIR(st.st_mode))
            return false;
        // Two names for one file (letter case folded): it goes out once.
        const Identity id = *IdentityOf(path);
        if (Moved_.contains(id))
            return true;
        Moved_.insert(id);
        if (parking.isEmpty())
            parking = InFolder(Plan.Staging, "alt/" + QByteArray::number(Plan.Out.size()));
        Plan.Out.append({path, parking});
        return true;
    }

    QByteArray Source_;
    QByteArray Target_;
    QHash<Identity, QByteArray> Entries_;
    QSet<Identity> Moved_;
};

TransferOutcome Outcome(TransferResult result, const QString &staging = {})
{
    TransferOutcome outcome;
    outcome.Result = result;
    outcome.StagingFolder = staging;
    return outcome;
}

} // namespace

TransferOutcome ReplaceFiles(TransferFileOps &ops, const TransferJournal &journal, const TransferRequest &request)
{
    Planner planner(request, ".Haushaltsbuch-Sicherung-" + RandomLetters());
    for (const QByteArray &name : request.Copy) {
        if (!planner.AddCopy(name))
            return Outcome(TransferResult::ReplaceFailed);
    }
    for (const QByteArray &name : request.Remove) {
        if (!planner.AddRemove(name))
            return Outcome(TransferResult::ReplaceFailed);
    }
    TransferPlan &plan = planner.Plan;

    // The copies need room beside the old files until these go: refused before anything is
    // touched rather than failing with a full medium half-way.
    constexpr qint64 Margin = 64 * 1024;
    struct statvfs fs;
    if (::statvfs(plan.Target.constData(), &fs) == 0) {
        const qint64 free = qint64(fs.f_bavail) * qint64(fs.f_frsize);
        if (free < planner.Bytes + Margin)
            return {TransferResult::RoomMissing, {}, planner.Bytes + Margin, free};
    }

    const QString id = TransferJournal::NewId();
    if (!journal.Save(id, plan))
        return Outcome(TransferResult::JournalFailed);
    const auto abandon = [&](TransferResult result) {
        if (!CleanUp(ops, plan))
            return Outcome(TransferResult::CleanupFailed, DisplayName(plan.Staging));
        journal.Remove(id);
        return Outcome(result);
    };

    if (::mkdir(plan.Staging.constData(), 0700) != 0 || ::mkdir(InFolder(plan.Staging, "neu").constData(), 0700) != 0
        || ::mkdir(InFolder(plan.Staging, "alt").constData(), 0700) != 0)
        return abandon(TransferResult::CopyFailed);
    // Opened before the copies, so that the flush reports every write error they cause.
    std::vector<Descriptor> folders;
    for (const QByteArray &folder : std::as_const(planner.Folders)) {
        folders.push_back(OpenFolder(folder == plan.Target ? plan.Staging : folder));
        if (!folders.back().Valid())
            return abandon(TransferResult::CopyFailed);
    }
    for (qsizetype i = 0; i < plan.In.size(); ++i) {
        if (!ops.Copy(planner.Sources.at(i), plan.In.at(i).From))
            return abandon(TransferResult::CopyFailed);
    }
    for (const Descriptor &folder : folders) {
        if (!ops.Flush(folder.Get()))
            return abandon(TransferResult::CopyFailed);
    }

    // From here the journal lets the next start finish what a kill interrupts.
    plan.Committed = true;
    if (!journal.Save(id, plan)) {
        plan.Committed = false;
        return abandon(TransferResult::JournalFailed);
    }
    switch (CarryOut(ops, plan)) {
    case PlanResult::Done:
        break;
    case PlanResult::Undone:
        return abandon(TransferResult::ReplaceFailed);
    case PlanResult::Stuck:
        return Outcome(TransferResult::Stuck, DisplayName(plan.Staging));
    }
    // The renames on the disk before the old files go with the staging folder.
    bool durable = true;
    for (const QByteArray &folder : std::as_const(planner.Folders))
        durable = ops.SyncFolder(folder) && durable;
    if (!CleanUp(ops, plan))
        return Outcome(TransferResult::CleanupFailed, DisplayName(plan.Staging));
    journal.Remove(id);
    return Outcome(durable ? TransferResult::Done : TransferResult::NotDurable);
}
