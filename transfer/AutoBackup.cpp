#include "transfer/AutoBackup.h"

#include "documents/DocumentStore.h"

#include "ledger/LedgerPaths.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <algorithm>
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
// A copy on its way out is hidden first, so that no copy with files missing is ever listed.
constexpr char RetiredPrefix[] = ".veraltet-";

constexpr char ManifestFile[] = "Inhalt.txt";
// The documents on bookings, in a folder of the copy as in the data folder.
const QByteArray DocumentsFolder = QByteArrayLiteral("Belege/");
constexpr char ManifestHeader[] = "Haushaltsbuch-Sicherungsinhalt 1\n";

struct HeldFile
{
    QByteArray Name;
    qint64 Size = 0;
};

// A line "datei <name percent-encoded> <size>" per file between a header and an end line, so
// that a list cut short shows.
QByteArray EncodeManifest(const QList<HeldFile> &files)
{
    QByteArray text(ManifestHeader);
    for (const HeldFile &file : files)
        text += "datei " + file.Name.toPercentEncoding() + ' ' + QByteArray::number(file.Size) + '\n';
    return text + "ende\n";
}

std::optional<QList<HeldFile>> DecodeManifest(const QByteArray &text)
{
    if (!text.startsWith(ManifestHeader) || !text.endsWith("\nende\n"))
        return std::nullopt;
    // The header, the files, "ende" and the empty rest after the last line break.
    const QList<QByteArray> lines = text.split('\n');
    QList<HeldFile> files;
    for (qsizetype i = 1; i < lines.size() - 2; ++i) {
        const QList<QByteArray> words = lines.at(i).split(' ');
        bool number = false;
        const qint64 size = words.value(2).toLongLong(&number);
        if (words.size() != 3 || words.at(0) != "datei" || !number || size < 0)
            return std::nullopt;
        files.append({QByteArray::fromPercentEncoding(words.at(1)), size});
    }
    return files;
}

bool WriteNewFile(const QByteArray &path, const QByteArray &bytes)
{
    QFile file(QFile::decodeName(path));
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && file.write(bytes) == bytes.size() && file.flush();
}

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

// A path as the system reaches it: its nearest existing folder resolved (links, ".."), the
// rest that does not exist yet appended.
QString ResolvedPath(const QString &given)
{
    QString existing = QDir::cleanPath(QFileInfo(given).absoluteFilePath());
    QString rest;
    while (!QFileInfo::exists(existing) && existing != u"/"_s) {
        rest = u'/' + QFileInfo(existing).fileName() + rest;
        existing = QFileInfo(existing).path();
    }
    const QString canonical = QFileInfo(existing).canonicalFilePath();
    return QDir::cleanPath((canonical.isEmpty() ? existing : canonical) + rest);
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
    QList<AutoBackupEntry> entries = Dated();
    entries.removeIf([](const AutoBackupEntry &entry) { return !IsWhole(entry.Folder); });
    return entries;
}

QList<AutoBackupEntry> AutoBackups::Dated() const
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

QString AutoBackups::ManifestName()
{
    return QLatin1String(ManifestFile);
}

bool AutoBackups::IsWhole(const QString &copyFolder)
{
    const QByteArray folder = NativePath(copyFolder);
    const QByteArray manifest = InFolder(folder, ManifestFile);
    struct stat st;
    if (::lstat(manifest.constData(), &st) != 0)
        return errno == ENOENT && QFileInfo(copyFolder).isDir();
    QByteArray text;
    if (!ReadWhole(manifest, text))
        return false;
    const std::optional<QList<HeldFile>> files = DecodeManifest(text);
    return files && std::all_of(files->cbegin(), files->cend(), [&folder](const HeldFile &file) {
               struct stat held;
               return ::stat(InFolder(folder, file.Name).constData(), &held) == 0 && S_ISREG(held.st_mode)
                      && held.st_size == file.Size;
           });
}

void AutoBackups::RequireWhole(const QString &folder) const
{
    // The folder of copies itself holds no books: the restore says so.
    if (!QFileInfo(folder).isDir() || !IsInsideFolder(folder, Folder_) || IsInsideFolder(Folder_, folder))
        return;
    const QString copy = QDir(ResolvedPath(Folder_)).relativeFilePath(ResolvedPath(folder)).section(u'/', 0, 0);
    if (EntryPattern().match(copy).hasMatch() && IsWhole(Folder_ + copy))
        return;
    throw QelError(u"Die automatische Sicherung \"%1\" ist nicht vollständig und kann nicht wiederhergestellt "
                   u"werden. Es wurde nichts verändert."_s.arg(copy));
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
    // Only what a copy holds: files, and the folder of documents with its files.
    bool removed = true;
    const QByteArray documents = InFolder(folder, DocumentsFolder.chopped(1));
    if (QFileInfo(QFile::decodeName(documents)).isDir() && !QFileInfo(QFile::decodeName(documents)).isSymLink()) {
        const QDir held(QFile::decodeName(documents));
        for (const QString &name : held.entryList(QDir::Files | QDir::Hidden | QDir::System))
            removed = Ops_.Remove(InFolder(documents, QFile::encodeName(name))) && removed;
        removed = Ops_.RemoveFolder(documents) && removed;
    }
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

QStringList AutoBackups::Leftovers() const
{
    return QDir(Folder_).entryList({QLatin1String(UnfinishedPrefix) + u'*', QLatin1String(RetiredPrefix) + u'*'},
                                   QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
}

bool AutoBackups::HasLeftovers() const
{
    return !Leftovers().isEmpty();
}

int AutoBackups::RemoveUnfinished()
{
    const QStringList names = Leftovers();
    if (names.isEmpty())
        return 0;
    // A kill may have come before the hidden name of a copy being removed was on the disk: it
    // goes there first, or a power loss could bring the copy back under its own name, emptied.
    const bool hidden = Ops_.SyncFolder(NativePath(Folder_));
    int removed = 0;
    for (const QString &name : names) {
        if ((hidden || name.startsWith(QLatin1String(UnfinishedPrefix))) && RemoveCopy(NativePath(Folder_ + name)))
            ++removed;
    }
    return removed;
}

QByteArrayList AutoBackups::Retire(const QList<AutoBackupEntry> &earlier, const QString &spare)
{
    // The new copy takes one of the places kept; a copy being restored from stays whatever its age.
    QByteArrayList hidden;
    for (qsizetype i = std::max(Keep_ - 1, 0); i < earlier.size(); ++i) {
        const AutoBackupEntry &entry = earlier.at(i);
        if (!spare.isEmpty() && IsInsideFolder(entry.Folder, spare))
            continue;
        const QByteArray to = NativePath(Folder_ + QLatin1String(RetiredPrefix) + entry.Name);
        if (Ops_.Move(NativePath(entry.Folder), to))
            hidden.append(to);
    }
    return hidden;
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
    if (data->HasBudgets)
        files.append({InFolder(source, "Budgets.dat"), "Budgets.dat"});
    for (const QString &extra : extraFiles) {
        if (QFileInfo(extra).isFile())
            files.append({NativePath(extra), QFile::encodeName(QFileInfo(extra).fileName())});
    }
    if (files.isEmpty())
        return std::nullopt;
    // The documents on bookings: named by their content, so an earlier copy's file of the same
    // name and size is the same file, linked without reading it.
    const DocumentStore documents(dataFolder);
    const QStringList documentNames = documents.StoredNames();
    for (const QString &name : documentNames)
        files.append({NativePath(documents.PathOf(name)), DocumentsFolder + QFile::encodeName(name)});

    if (!QDir().mkpath(Folder_))
        throw QelError(CopyFailedMessage(u"Der Ordner \"%1\" kann nicht angelegt werden."_s.arg(
            QDir::toNativeSeparators(Folder_))));
    RemoveUnfinished();
    // Linking to a copy with files missing is no harm: what is not the same is copied.
    const QList<AutoBackupEntry> earlier = Dated();
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
    if (!documentNames.isEmpty() && ::mkdirat(folderFd, DocumentsFolder.chopped(1).constData(), 0700) != 0)
        fail(ListFiles::SystemReason(errno));
    QList<HeldFile> held;
    for (const auto &[from, name] : std::as_const(files)) {
        const QByteArray to = InFolder(copy, name);
        const QByteArray before = previous.isEmpty() ? QByteArray() : InFolder(previous, name);
        const auto sizeOf = [](const QByteArray &path) { return QFileInfo(QFile::decodeName(path)).size(); };
        const bool document = name.startsWith(DocumentsFolder);
        const bool same = !before.isEmpty() && (document ? sizeOf(from) == sizeOf(before) : Same(from, before));
        const bool linked = same && Ops_.Link(before, to);
        struct stat st {};
        if ((!linked && !Ops_.Copy(from, to)) || ::fstatat(folderFd, name.constData(), &st, 0) != 0)
            fail(u"Die Datei \"%1\" konnte nicht kopiert werden."_s.arg(DisplayName(name)));
        held.append({name, st.st_size});
    }
    if (!WriteNewFile(InFolder(copy, ManifestFile), EncodeManifest(held)))
        fail(u"Die Liste der gesicherten Dateien konnte nicht geschrieben werden."_s);
    if (!Ops_.Flush(folderFd))
        fail(u"Das System meldet einen Fehler beim Schreiben auf den Datenträger."_s);

    QString name = NameFor(now);
    for (int n = 2; QFileInfo::exists(Folder_ + name); ++n)
        name = NameFor(now) + u" (%1)"_s.arg(n);
    if (!Ops_.Move(copy, NativePath(Folder_ + name)))
        fail(ListFiles::SystemReason(errno));

    // The oldest go: hidden first, their files only once the hidden names are on the disk (one
    // sync with the new copy's name), so that no copy is ever seen with files missing.
    const QByteArrayList retired = Retire(earlier, spare);
    if (Ops_.SyncFolder(NativePath(Folder_))) {
        for (const QByteArray &folder : retired)
            RemoveCopy(folder);
    }
    return AutoBackupEntry{name, Folder_ + name + u'/', QDateTime::fromString(NameFor(now), NameFormat)};
}

bool IsInsideFolder(const QString &path, const QString &folder)
{
    const QString p = ResolvedPath(path);
    const QString f = ResolvedPath(folder);
    return p == f || p.startsWith(f + u'/');
}
