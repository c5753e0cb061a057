#include "backup/BackupEngine.h"

#include "ledger/QelError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

QString WithCauses(const QString &message)
{
    return message
           + u"\n\nMögliche Ursachen:\n- Kein Datenträger vorhanden\n- Datenträger ist schreibgeschützt\n"
             u"- Es fehlen die nötigen Zugriffsrechte"_s;
}

QString IdenticalMessage()
{
    return u"Das Backup- und Datenverzeichnis dürfen nicht identisch sein!"_s;
}

// Makes the folder with its missing parents. The folders made, deepest first, so that a failed
// transfer leaves no empty folders behind; nothing when the folder cannot be made.
std::optional<QStringList> MakeFolder(const QString &folder)
{
    QStringList made;
    for (QString path = QDir::cleanPath(QDir(folder).absolutePath()); !QFileInfo::exists(path);
         path = QFileInfo(path).path())
        made.append(path);
    if (!QDir().mkpath(folder)) {
        for (const QString &path : std::as_const(made))
            QDir().rmdir(path);
        return std::nullopt;
    }
    return made;
}

} // namespace

struct BackupEngine::Messages
{
    QString MakeTarget;   // the target folder cannot be made
    QString ReadTarget;   // the target's old files cannot be listed
    QString Copy;         // a copy failed
    QString Replace;      // the old files could not be replaced
    QString Nothing;      // the source holds none of the selected files
    QString NoBooks;      // the source holds no month book, the target does
};

BackupEngine::BackupEngine(QString dataFolder, TransferFileOps *ops)
    : DataFolder_(std::move(dataFolder))
    , Ops_(ops ? *ops : OwnOps_)
{
}

QString BackupEngine::BackupFolder(const QString &backupPath, const QString &backupName)
{
    if (backupPath.endsWith(u'/'))
        return backupPath + backupName;
    return backupPath + u'/' + backupName;
}

QString BackupEngine::BackupDoneMessage()
{
    return u"Die Datensicherung ist abgeschlossen."_s;
}

QString BackupEngine::RestoreDoneMessage()
{
    return u"Das Wiederherstellen der Daten ist abgeschlossen."_s;
}

bool BackupEngine::SameFolder(const QString &a, const QString &b)
{
    // Two existing folders are the same when they are the same file system object; this also
    // sees bind mounts and the letter case of file systems that ignore it.
    struct stat sa;
    struct stat sb;
    const bool aExists = ::stat(QFile::encodeName(a).constData(), &sa) == 0;
    const bool bExists = ::stat(QFile::encodeName(b).constData(), &sb) == 0;
    if (aExists && bExists)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    return QDir::cleanPath(QDir(a).absolutePath()) == QDir::cleanPath(QDir(b).absolutePath());
}

void BackupEngine::Backup(const QString &backupFolder, BackupSelection what) const
{
    static const Messages messages{
        WithCauses(u"Verzeichnis für die Datensicherung konnte nicht angelegt werden!"_s),
        WithCauses(u"Fehler beim Entfernen alter Sicherungsdaten!"_s),
        WithCauses(u"Fehler beim Kopieren der Sicherungsdaten!"_s),
        WithCauses(u"Fehler beim Entfernen alter Sicherungsdaten!"_s),
        u"Im Datenverzeichnis wurden keine Daten zum Sichern gefunden!"_s,
        u"Im Datenverzeichnis wurden keine Haushaltsbücher gefunden!\n\n"
        u"Die Datensicherung würde alle gesicherten Haushaltsbücher entfernen."_s,
    };
    if (SameFolder(DataFolder_, backupFolder))
        throw QelError(IdenticalMessage());
    if (!QFileInfo(DataFolder_).isDir())
        throw QelError(u"Datenverzeichnis wurde nicht gefunden!"_s);
    const std::optional<LedgerFiles> data = ListLedgerFiles(DataFolder_);
    if (!data)
        throw QelError(messages.Copy);
    Transfer(DataFolder_, *data, backupFolder, what, true, messages);
}

void BackupEngine::Restore(const QString &restoreFolder, BackupSelection what) const
{
    static const Messages messages{
        WithCauses(u"Fehler beim Wiederherstellen der Sicherungsdaten!"_s),
        WithCauses(u"Fehler beim Entfernen vorhandener Daten!"_s),
        WithCauses(u"Fehler beim Wiederherstellen der Sicherungsdaten!"_s),
        WithCauses(u"Fehler beim Entfernen vorhandener Daten!"_s),
        u"Im Backupverzeichnis wurden keine gesicherten Daten gefunden!"_s,
        u"Im Backupverzeichnis wurden keine Haushaltsbücher gefunden!\n\n"
        u"Die Wiederherstellung würde alle vorhandenen Haushaltsbücher entfernen."_s,
    };
    if (!QFileInfo(restoreFolder).isDir())
        throw QelError(u"Backupverzeichnis wurde nicht gefunden!"_s);
    if (SameFolder(restoreFolder, DataFolder_))
        throw QelError(IdenticalMessage());
    const std::optional<LedgerFiles> backup = ListLedgerFiles(restoreFolder);
    if (!backup)
        throw QelError(messages.Copy);
    Transfer(restoreFolder, *backup, DataFolder_, what, false, messages);
}

void BackupEngine::Transfer(const QString &source, const LedgerFiles &from, const QString &target,
                            BackupSelection what, bool dropMissingRegular, const Messages &messages) const
{
    QStringList copy;
    if (what.Books)
        copy = from.Books;
    if (what.Regular && from.HasRegular)
        copy.append(RegularFileName());
    if (copy.isEmpty())
        throw QelError(messages.Nothing);

    const bool targetExists = QFileInfo(target).isDir();
    const std::optional<LedgerFiles> to = targetExists ? ListLedgerFiles(target) : LedgerFiles();
    if (!to)
        throw QelError(messages.ReadTarget);
    // A wrong folder picked by mistake (an empty data folder, the parent of the backup) would
    // otherwise wipe every month book on the other side.
    if (what.Books && from.Books.isEmpty() && !to->Books.isEmpty())
        throw QelError(messages.NoBooks);
    QStringList remove;
    if (what.Books)
        remove = to->Books;
    if (what.Regular && dropMissingRegular && to->HasRegular && !from.HasRegular)
        remove.append(RegularFileName());

    const std::optional<QStringList> made = targetExists ? QStringList() : MakeFolder(target);
    if (!made)
        throw QelError(messages.MakeTarget);
    const TransferResult result = ReplaceFiles(Ops_, source, target, copy, remove);
    if (result == TransferResult::Done)
        return;
    for (const QString &path : *made)
        QDir().rmdir(path);
    throw QelError(result == TransferResult::CopyFailed ? messages.Copy : messages.Replace);
}
