#include "backup/AutoBackup.h"

#include "ledger/LedgerPaths.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString NameFormat = u"yyyy-MM-dd HH-mm-ss"_s;

const QRegularExpression &EntryPattern()
{
    static const QRegularExpression pattern(u"^(\\d{4}-\\d{2}-\\d{2} \\d{2}-\\d{2}-\\d{2})( \\(\\d+\\))?$"_s);
    return pattern;
}

constexpr char UnfinishedPrefix[] = ".unfertig-";

bool ReadWhole(const QByteArray &path, QByteArray &bytes)
{
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
}

QString CopyFailedMessage(const QString &reason)
{
    return u"Die automatische Sicherung konnte nicht angelegt werden. %1"_s.arg(reason);
}

} // namespace

AutoBackups::AutoBackups(QString folder, TransferFileOps *ops, int keep)
    : Folder_(LedgerPaths::WithSlash(std::move(folder)))
    , Ops_(ops ? *ops : OwnOps_)
    , Keep_(keep)
{
}

QString AutoBackups::NameFor(const QDateTime &when)
{
    return when.toString(NameFormat);
}

QList<AutoBackupEntry> AutoBackups::List() const
{
    QList<AutoBackupEntry> entries;
    const QStringList names = QDir(Folder_).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed);
    for (const QString &name : names) {
        const QRegularExpressionMatch match = EntryPattern().match(name);
        if (!match.hasMatch())
            continue;
        const QDateTime when = QDateTime::fromString(match.captured(1), NameFormat);
        if (when.isValid())
            entries.append({name, Folder_ + name + u'/', when});
    }
    // "… (2)" was made after the copy of the same second without it.
    std::stable_sort(entries.begin(), entries.end(), [](const AutoBackupEntry &a, const AutoBackupEntry &b) {
        if (a.When != b.When)
            return a.When > b.When;
        return a.Name.size() > b.Name.size() || (a.Name.size() == b.Name.size() && a.Name > b.Name);
    });
    return entries;
}

std::optional<AutoBackupEntry> AutoBackups::Find(const QString &name) const
{
    const QString wanted = name.trimmed();
    if (wanted.isEmpty())
        return std::nullopt;
    for (const AutoBackupEntry &entry : List()) {
        if (entry.Name == wanted || (wanted.size() == 10 && entry.Name.startsWith(wanted + u' ')))
            return entry;
    }
    return std::nullopt;
}

bool AutoBackups::Same(const QByteArray &a, const QByteArray &b) const
{
    struct stat sa;
    struct stat sb;
    if (::stat(a.constData(), &sa) != 0 || ::stat(b.constData(), &sb) != 0 || sa.st_size != sb.st_size
        || sa.st_mtim.tv_sec != sb.st_mtim.tv_sec || sa.st_mtim.tv_nsec != sb.st_mtim.tv_nsec)
        return false;
    // The times agree for a file put back from an older backup too: the bytes decide.
    QByteArray bytesA;
    QByteArray bytesB;
    return ReadWhole(a, bytesA) && ReadWhole(b, bytesB) && bytesA == bytesB;
}

bool AutoBackups::RemoveCopy(const QByteArray &folder)
{
    // Only what a copy holds: files, no folders.
    bool removed = true;
    const QStringList names = QDir(QFile::decodeName(folder)).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names)
        removed = Ops_.Remove(InFolder(folder, QFile::encodeName(name))) && removed;
    // Names that are not UTF-8 do not show in Qt's listing.
    if (const std::optional<LedgerFiles> rest = ListLedgerFiles(QFile::decodeName(folder), LinkRule::Follow)) {
        for (const QByteArray &name : rest->Books)
            removed = Ops_.Remove(InFolder(folder, name)) && removed;
    }
    return Ops_.RemoveFolder(folder) && removed;
}

int AutoBackups::RemoveUnfinished()
{
    int removed = 0;
    const QStringList names = QDir(Folder_).entryList({QLatin1String(UnfinishedPrefix) + u'*'},
                                                      QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        if (RemoveCopy(NativePath(Folder_ + name)))
            ++removed;
    }
    return removed;
}

std::optional<AutoBackupEntry> AutoBackups::Create(const QString &dataFolder, const QStringList &extraFiles,
                                                   const QDateTime &now, const QString &spare)
{
    const std::optional<LedgerFiles> data = ListLedgerFiles(dataFolder, LinkRule::Follow);
    if (!data)
        throw QelError(CopyFailedMessage(u"Das Datenverzeichnis ist nicht lesbar."_s));
    const QByteArray source = NativePath(dataFolder);
    QList<std::pair<QByteArray, QByteArray>> files; // from, name in the copy
    for (const QByteArray &name : data->Books)
        files.append({InFolder(source, name), name});
    if (data->HasRegular)
        files.append({InFolder(source, "Regular.dat"), "Regular.dat"});
    for (const QString &extra : extraFiles) {
        if (QFileInfo(extra).isFile())
            files.append({NativePath(extra), QFile::encodeName(QFileInfo(extra).fileName())});
    }
    if (files.isEmpty())
        return std::nullopt;

    if (!QDir().mkpath(Folder_))
        throw QelError(CopyFailedMessage(u"Der Ordner \"%1\" kann nicht angelegt werden."_s.arg(
            QDir::toNativeSeparators(Folder_))));
    RemoveUnfinished();
    const QList<AutoBackupEntry> earlier = List();
    const QByteArray previous = earlier.isEmpty() ? QByteArray() : NativePath(earlier.front().Folder);

    QTemporaryDir unfinished(Folder_ + QLatin1String(UnfinishedPrefix) + u"XXXXXX"_s);
    if (!unfinished.isValid())
        throw QelError(CopyFailedMessage(unfinished.errorString()));
    // Removed by us, not by QTemporaryDir: it would also remove what it does not know.
    unfinished.setAutoRemove(false);
    const QByteArray copy = NativePath(unfinished.path());
    const auto fail = [&](const QString &reason) {
        RemoveCopy(copy);
        throw QelError(CopyFailedMessage(reason));
    };
    const int folderFd = ::open(copy.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        fail(ListFiles::SystemReason(errno));
    const auto closeFolder = qScopeGuard([folderFd] { ::close(folderFd); });
    for (const auto &[from, name] : std::as_const(files)) {
        const QByteArray to = InFolder(copy, name);
        const QByteArray before = previous.isEmpty() ? QByteArray() : InFolder(previous, name);
        if (!before.isEmpty() && Same(from, before) && Ops_.Link(before, to))
            continue;
        if (!Ops_.Copy(from, to))
            fail(u"Die Datei \"%1\" konnte nicht kopiert werden."_s.arg(DisplayName(name)));
    }
    if (!Ops_.Flush(folderFd))
        fail(u"Das System meldet einen Fehler beim Schreiben auf den Datenträger."_s);

    QString name = NameFor(now);
    for (int n = 2; QFileInfo::exists(Folder_ + name); ++n)
        name = NameFor(now) + u" (%1)"_s.arg(n);
    if (!Ops_.Move(copy, NativePath(Folder_ + name)))
        fail(ListFiles::SystemReason(errno));
    Ops_.SyncFolder(NativePath(Folder_));

    // The oldest go; a copy being restored from stays whatever its age.
    const QList<AutoBackupEntry> all = List();
    for (qsizetype i = Keep_; i < all.size(); ++i) {
        if (!spare.isEmpty() && IsInsideFolder(all.at(i).Folder, spare))
            continue;
        RemoveCopy(NativePath(all.at(i).Folder));
    }
    for (const AutoBackupEntry &entry : List()) {
        if (entry.Name == name)
            return entry;
    }
    return AutoBackupEntry{name, Folder_ + name + u'/', QDateTime::fromString(NameFor(now), NameFormat)};
}

bool IsInsideFolder(const QString &path, const QString &folder)
{
    // Each path as the system reaches it: its nearest existing folder resolved (links, ".."),
    // the rest that does not exist yet appended.
    const auto resolved = [](const QString &given) {
        QString existing = QDir::cleanPath(QFileInfo(given).absoluteFilePath());
        QString rest;
        while (!QFileInfo::exists(existing) && existing != u"/"_s) {
            rest = u'/' + QFileInfo(existing).fileName() + rest;
            existing = QFileInfo(existing).path();
        }
        const QString canonical = QFileInfo(existing).canonicalFilePath();
        return QDir::cleanPath((canonical.isEmpty() ? existing : canonical) + rest);
    };
    const QString p = resolved(path);
    const QString f = resolved(folder);
    return p == f || p.startsWith(f + u'/');
}
