// The backup commands: backup, restore (also from an automatic backup), backups, and the
// recovery of an interrupted transfer that runs before every command.

#include "cli/Cli.h"

#include "changes/ChangeLog.h"
#include "books/BookManager.h"
#include "sync/ReconcileMark.h"

#include "transfer/AutoCopyContents.h"
#include "backup/LedgerBackup.h"
#include "ledger/QelError.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

void Cli::RecoverInterrupted(bool sync)
{
    LedgerBackup backups(Paths_);
    // With the program running, it finished the transfer at its start, or one of its own runs now.
    if (backups.NeedsRecovery() && TakeLock()) {
        for (const QString &message : backups.Recover())
            Err_ << u"Hinweis: "_s << message << '\n';
    }
    // Files not in line with the change logs (a delivery, a hand edit, a kill after an entry):
    // brought in line before anything reads them, unless the program is doing just that.
    if (sync && !Paths_.ProgramDataFolder.isEmpty() && QFileInfo::exists(ChangeLog::FolderOf(Paths_.DataFolder))
        && !ReconcileMark::InLine(Paths_) && TakeLock()) {
        try {
            const BookManager::SyncOutcome outcome = MakeManager().Sync();
            for (const QString &note : outcome.Arrivals + outcome.Notes)
                Err_ << u"Hinweis: "_s << note << '\n';
        } catch (const QelError &error) {
            Err_ << u"Warnung: "_s << error.Message() << '\n';
        }
    }
    Err_.flush();
}

void Cli::KeepAutomaticCopy()
{
    try {
        LedgerBackup(Paths_).KeepAutomaticCopy(QDateTime::currentDateTime());
    } catch (const QelError &error) {
        // The change itself is saved; only the copy of it is missing.
        Err_ << u"Warnung: "_s << error.Message() << '\n';
        Err_.flush();
    }
}

int Cli::BackupOrRestore(bool backup, const QStringList &arguments)
{
    const QString command = backup ? u"backup"_s : u"restore"_s;
    BackupSelection what;
    bool automatic = false;
    QStringList args = arguments;
    while (args.size() > 1 && args.front().startsWith(u"--")) {
        const QString option = args.takeFirst();
        if (option == u"--books-only" && what.Regular && what.Books)
            what.Regular = false;
        else if (option == u"--regular-only" && what.Regular && what.Books)
            what.Books = false;
        else if (option == u"--auto" && !backup && !automatic)
            automatic = true;
        else
            return UsageError(u"Unbekannte Option \"%1\"."_s.arg(option));
    }
    const QString folder = args.size() == 1 ? args.front() : QString();
    // An empty name would be the current folder.
    if (folder.isEmpty() || folder.startsWith(u"--"))
        return UsageError(u"Zum Befehl \"%1\" fehlt %2."_s.arg(command, automatic ? u"das Datum"_s : u"der Ordner"_s));
    if (!LockForWriting())
        return 1;

    LedgerBackup backups(Paths_);
    QString source = QDir(folder).absolutePath();
    std::optional<AutoBackupEntry> entry;
    if (automatic) {
        // A day with several copies is no choice: the newest may be the one made after the slip.
        const QList<AutoBackupEntry> ofDay = AutoCopiesOfDay(backups.Automatic().List(), folder);
        if (IsDayName(folder) && ofDay.size() > 1) {
            QString message = u"Am %1 gibt es %2 automatische Sicherungen. Bitte eine davon mit Uhrzeit angeben:"_s
                                  .arg(folder.trimmed())
                                  .arg(ofDay.size());
            for (const AutoBackupEntry &copy : ofDay)
                message += u"\n%1\t%2"_s.arg(copy.Name, BookCountText(CompareAutoCopy(copy.Folder, Paths_.DataFolder).Books.size()));
            return Fail(message);
        }
        entry = backups.Automatic().Find(folder);
        if (!entry) {
            return Fail(u"Eine automatische Sicherung \"%1\" gibt es nicht. \"haushaltsbuch-cli backups\" zeigt die "
                        u"vorhandenen."_s.arg(folder));
        }
        source = entry->Folder;
    }
    BookManager books = MakeManager();
    const TransferReport report = backup ? backups.Backup(source, what) : backups.Restore(source, what, &books);
    if (!report.LateFailure.isEmpty())
        return Fail(report.LateFailure);
    Out_ << (backup ? BackupEngine::BackupDoneMessage() : BackupEngine::RestoreDoneMessage()) << '\n';
    if (entry) {
        Out_ << u"Wiederhergestellt aus der automatischen Sicherung \"%1\"."_s.arg(entry->Name) << '\n'
             << RestoreUndoesChangesMessage(entry->Name) << '\n';
    }
    for (const QString &note : report.Notes)
        Out_ << note << '\n';
    return 0;
}

int Cli::Backups()
{
    LedgerBackup backups(Paths_);
    for (const AutoBackupEntry &entry : backups.Automatic().List()) {
        const std::optional<LedgerFiles> files = ListLedgerFiles(entry.Folder, LinkRule::Skip);
        const qsizetype books = files ? files->Books.size() : 0;
        Out_ << entry.Name << '\t' << books << '\t'
             << QDir::toNativeSeparators(entry.Folder) << '\n';
    }
    return 0;
}
