#include "transfer/BackupEngine.h"

#include "documents/DocumentStore.h"

#include "transfer/TransferJournal.h"

#include "ledger/QelError.h"

#include <QLocale>
#include <QSet>

#include <algorithm>
#include <iterator>

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

QString NameList(const QByteArrayList &names)
{
    QStringList shown;
    for (const QByteArray &name : names)
        shown.append(u'"' + DisplayName(name) + u'"');
    return shown.join(u", "_s);
}

// Books under names from another encoding, taken along: true only of a transfer that was done.
QStringList TakenAlongNotes(const LedgerFiles &from, BackupSelection what)
{
    if (!what.Books || from.Undecodable.isEmpty())
        return {};
    return {u"Mit übertragen wurden Haushaltsbücher, deren Dateinamen in einer älteren Zeichenkodierung "
            u"gespeichert sind (nicht UTF-8), unter ihrem bisherigen Namen: %1."_s.arg(NameList(from.Undecodable))};
}

// The source's files left out (links, files in another letter case), which also explain a
// refusal.
QStringList LeftOutNotes(const LedgerFiles &from, BackupSelection what, TransferKind kind)
{
    QStringList notes;
    const auto selected = [&](const QByteArray &name) {
        return name.toLower().endsWith(".qel") ? what.Books : what.Regular;
    };
    QByteArrayList links;
    std::copy_if(from.Links.cbegin(), from.Links.cend(), std::back_inserter(links), selected);
    if (!links.isEmpty()) {
        notes.append((kind == TransferKind::Restore
                          ? u"Nicht übernommen, weil es Verknüpfungen und keine Dateien sind: %1."_s
                          : u"Nicht übernommen, weil die Verknüpfungen auf keine Datei zeigen: %1."_s)
                         .arg(NameList(links)));
    }
    QByteArrayList otherCase;
    std::copy_if(from.OtherCase.cbegin(), from.OtherCase.cend(), std::back_inserter(otherCase), selected);
    if (!otherCase.isEmpty()) {
        notes.append(u"Nicht übernommen, weil die Schreibweise abweicht (das Haushaltsbuch erkennt nur Dateien auf "
                     u"\".qel\" und die Datei \"Regular.dat\" in genau dieser Schreibweise): %1."_s.arg(NameList(otherCase)));
    }
    return notes;
}

QString ByteText(qint64 bytes)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    if (bytes < 1024 * 1024)
        return german.toString(double(bytes) / 1024.0, 'f', 0) + u" KB"_s;
    return german.toString(double(bytes) / (1024.0 * 1024.0), 'f', 1) + u" MB"_s;
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
    QString What;         // "Datensicherung", "Wiederherstellung"
};

BackupEngine::BackupEngine(QString dataFolder, QString journalFolder, TransferFileOps *ops)
    : DataFolder_(std::move(dataFolder))
    , JournalFolder_(std::move(journalFolder))
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

QStringList BackupEngine::Recover() const
{
    return RecoverTransfers(Ops_, TransferJournal(JournalFolder_), {});
}

TransferReport BackupEngine::Backup(const QString &backupFolder, BackupSelection what) const
{
    static const Messages messages{
        WithCauses(u"Verzeichnis für die Datensicherung konnte nicht angelegt werden!"_s),
        WithCauses(u"Fehler beim Entfernen alter Sicherungsdaten!"_s),
        WithCauses(u"Fehler beim Kopieren der Sicherungsdaten!"_s),
        WithCauses(u"Fehler beim Entfernen alter Sicherungsdaten!"_s),
        u"Im Datenverzeichnis wurden keine Daten zum Sichern gefunden!"_s,
        u"Im Datenverzeichnis wurden keine Haushaltsbücher gefunden!\n\n"
        u"Die Datensicherung würde alle gesicherten Haushaltsbücher entfernen."_s,
        u"Datensicherung"_s,
    };
    if (SameFolder(DataFolder_, backupFolder))
        throw QelError(IdenticalMessage());
    if (!QFileInfo(DataFolder_).isDir())
        throw QelError(u"Datenverzeichnis wurde nicht gefunden!"_s);
    const std::optional<LedgerFiles> data = ListLedgerFiles(DataFolder_, LinkRule::Follow);
    if (!data)
        throw QelError(messages.Copy);
    TransferReport report = Transfer(DataFolder_, *data, backupFolder, what, TransferKind::Backup, messages);
    if (what.Books)
        TakeDocuments(DataFolder_, backupFolder, false, report);
    return report;
}

TransferReport BackupEngine::Restore(const QString &restoreFolder, BackupSelection what) const
{
    static const Messages messages{
        WithCauses(u"Fehler beim Wiederherstellen der Sicherungsdaten!"_s),
        WithCauses(u"Fehler beim Entfernen vorhandener Daten!"_s),
        WithCauses(u"Fehler beim Wiederherstellen der Sicherungsdaten!"_s),
        WithCauses(u"Fehler beim Entfernen vorhandener Daten!"_s),
        u"Im Backupverzeichnis wurden keine gesicherten Daten gefunden!"_s,
        u"Im Backupverzeichnis wurden keine Haushaltsbücher gefunden!\n\n"
        u"Die Wiederherstellung würde alle vorhandenen Haushaltsbücher entfernen."_s,
        u"Wiederherstellung"_s,
    };
    if (!QFileInfo(restoreFolder).isDir())
        throw QelError(u"Backupverzeichnis wurde nicht gefunden!"_s);
    if (SameFolder(restoreFolder, DataFolder_))
        throw QelError(IdenticalMessage());
    // A backup folder gives plain files only: a link there could name any file of the system.
    const std::optional<LedgerFiles> backup = ListLedgerFiles(restoreFolder, LinkRule::Skip);
    if (!backup)
        throw QelError(messages.Copy);
    TransferReport report = Transfer(restoreFolder, *backup, DataFolder_, what, TransferKind::Restore, messages);
    if (what.Books)
        TakeDocuments(restoreFolder, DataFolder_, true, report);
    return report;
}

void BackupEngine::TakeDocuments(const QString &from, const QString &to, bool checkContent, TransferReport &report)
{
    // The documents on bookings go along after the books: they never change, so a copy that
    // breaks off is finished by the next one, and the books stand whatever happens here.
    try {
        DocumentStore(from).CopyMissingTo(DocumentStore(to), checkContent);
    } catch (const QelError &error) {
        if (report.LateFailure.isEmpty())
            report.LateFailure = u"Die Belege wurden nicht alle kopiert: %1"_s.arg(error.Message());
    }
}

BackupEngine::RestoreSource BackupEngine::CheckRestore(const QString &restoreFolder, BackupSelection what) const
{
    if (!QFileInfo(restoreFolder).isDir())
        throw QelError(u"Backupverzeichnis wurde nicht gefunden!"_s);
    if (SameFolder(restoreFolder, DataFolder_))
        throw QelError(IdenticalMessage());
    const QString failed = WithCauses(u"Fehler beim Wiederherstellen der Sicherungsdaten!"_s);
    const std::optional<LedgerFiles> backup = ListLedgerFiles(restoreFolder, LinkRule::Skip);
    if (!backup)
        throw QelError(failed);
    const QStringList left = LeftOutNotes(*backup, what, TransferKind::Restore);
    const auto refuse = [&](const QString &message) {
        throw QelError(left.isEmpty() ? message : message + u"\n\n"_s + left.join(u"\n\n"_s));
    };
    const bool anything = (what.Books && !backup->Books.isEmpty()) || (what.Regular && backup->HasRegular)
                          || backup->HasBudgets;
    if (!anything)
        refuse(u"Im Backupverzeichnis wurden keine gesicherten Daten gefunden!"_s);
    const std::optional<LedgerFiles> data = ListLedgerFiles(DataFolder_, LinkRule::Follow);
    if (!data)
        refuse(failed);
    if (what.Books && backup->Books.isEmpty() && !data->Books.isEmpty()) {
        refuse(u"Im Backupverzeichnis wurden keine Haushaltsbücher gefunden!\n\n"
               u"Die Wiederherstellung würde alle vorhandenen Haushaltsbücher entfernen."_s);
    }
    return {*backup, TakenAlongNotes(*backup, what) + left};
}

TransferReport BackupEngine::Transfer(const QString &source, const LedgerFiles &from, const QString &target,
                                      BackupSelection what, TransferKind kind, const Messages &messages) const
{
    // A transfer a kill interrupted is finished or undone first, so that it cannot mix with this one.
    const TransferJournal journal(JournalFolder_);
    const QStringList recovered = RecoverTransfers(Ops_, journal, {});
    const QStringList notes = recovered + TakenAlongNotes(from, what) + LeftOutNotes(from, what, kind);
    // A refused transfer took nothing along, so it never claims to have.
    const QStringList refusalNotes = recovered + LeftOutNotes(from, what, kind);
    const auto refuse = [&](const QString &message) {
        throw QelError(refusalNotes.isEmpty() ? message : message + u"\n\n"_s + refusalNotes.join(u"\n\n"_s));
    };
    for (const QString &id : journal.Pending()) {
        if (const std::optional<TransferPlan> plan = journal.Load(id); plan && plan->Target == NativePath(target))
            refuse(messages.Copy);
    }

    QByteArrayList copy;
    if (what.Books)
        copy = from.Books;
    if (what.Regular && from.HasRegular)
        copy.append(QFile::encodeName(RegularFileName()));
    // The budgets go with whatever is taken: they belong to the books and the regular bookings alike.
    if (from.HasBudgets)
        copy.append(QFile::encodeName(BudgetsFileName()));
    if (copy.isEmpty())
        refuse(messages.Nothing);

    const bool targetExists = QFileInfo(target).isDir();
    const std::optional<LedgerFiles> to =
        targetExists ? ListLedgerFiles(target, LinkRule::Follow) : LedgerFiles();
    if (!to)
        refuse(messages.ReadTarget);
    // A wrong folder picked by mistake (an empty data folder, the parent of the backup) would
    // otherwise wipe every month book on the other side.
    if (what.Books && from.Books.isEmpty() && !to->Books.isEmpty())
        refuse(messages.NoBooks);
    QByteArrayList remove;
    if (what.Books) {
        const QSet<QByteArray> kept(from.Books.cbegin(), from.Books.cend());
        for (const QByteArray &name : to->Books) {
            if (!kept.contains(name))
                remove.append(name);
        }
        // A link among the old books goes too (the link, not the file it names).
        for (const QByteArray &name : to->Links) {
            if (name.endsWith(".qel") && !kept.contains(name))
                remove.append(name);
        }
    }
    if (what.Regular && kind == TransferKind::Backup && to->HasRegular && !from.HasRegular)
        remove.append(QFile::encodeName(RegularFileName()));
    if (kind == TransferKind::Backup && to->HasBudgets && !from.HasBudgets)
        remove.append(QFile::encodeName(BudgetsFileName()));

    const std::optional<QStringList> made = targetExists ? QStringList() : MakeFolder(target);
    if (!made)
        refuse(messages.MakeTarget);
    const TransferOutcome outcome = ReplaceFiles(Ops_, journal, {kind, source, target, copy, remove});
    const auto dropMade = [&] {
        for (const QString &path : *made)
            QDir().rmdir(path);
    };
    switch (outcome.Result) {
    case TransferResult::Done:
        return {notes, {}};
    case TransferResult::CopyFailed:
        dropMade();
        refuse(messages.Copy);
        break;
    case TransferResult::ReplaceFailed:
        dropMade();
        refuse(messages.Replace);
        break;
    case TransferResult::JournalFailed:
        dropMade();
        refuse(u"Die %1 kann nicht beginnen: Im Ordner \"%2\" der Programmdaten lässt sich ihre Aufzeichnung nicht "
               u"schreiben (ist der Datenträger voll?). Es wurde nichts verändert."_s.arg(
                   messages.What, QDir::toNativeSeparators(JournalFolder_)));
        break;
    case TransferResult::RoomMissing:
        dropMade();
        refuse(u"Auf dem Datenträger ist nicht genug Platz für die %1: Sie braucht %2, frei sind %3. Es wurde "
               u"nichts verändert."_s.arg(messages.What, ByteText(outcome.BytesNeeded), ByteText(outcome.BytesFree)));
        break;
    case TransferResult::Stuck:
        refuse(messages.Replace
               + u"\n\nDie bisherigen Dateien liegen im Ordner \"%1\". Beim nächsten Start des Haushaltsbuchs wird "
                 u"die %2 abgeschlossen oder rückgängig gemacht."_s.arg(QDir::toNativeSeparators(outcome.StagingFolder),
                                                                        messages.What));
        break;
    case TransferResult::NotDurable:
        return {notes, u"Die %1 hat die Dateien ersetzt, aber das System meldet einen Fehler beim Schreiben auf den "
                       u"Datenträger. Bitte prüfen Sie den Datenträger und wiederholen Sie die %1."_s.arg(messages.What)};
    case TransferResult::CleanupFailed:
        return {notes, u"Die %1 hat die Dateien ersetzt, aber der Hilfsordner \"%2\" mit den bisherigen Dateien "
                       u"konnte nicht entfernt werden. Beim nächsten Start wird es erneut versucht."_s
                           .arg(messages.What, QDir::toNativeSeparators(outcome.StagingFolder))};
    }
    return {notes, {}};
}
