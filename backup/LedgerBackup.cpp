#include "backup/LedgerBackup.h"

#include "backup/TransferJournal.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

LedgerBackup::LedgerBackup(LedgerPaths paths, TransferFileOps *ops)
    : Paths_(std::move(paths))
    , Ops_(ops ? *ops : OwnOps_)
    , Engine_(Paths_.DataFolder, Paths_.TransferJournalFolder(), &Ops_)
    , Automatic_(Paths_.AutoBackupFolder(), &Ops_)
{
}

QStringList LedgerBackup::ExtraFiles() const
{
    return {Paths_.ImportStoreFile()};
}

QStringList LedgerBackup::Recover()
{
    QStringList messages;
    if (QFileInfo::exists(Paths_.TransferJournalFolder()))
        messages = Engine_.Recover();
    if (QFileInfo::exists(Paths_.AutoBackupFolder()))
        Automatic_.RemoveUnfinished();
    return messages;
}

bool LedgerBackup::NeedsRecovery() const
{
    return !TransferJournal(Paths_.TransferJournalFolder()).Pending().isEmpty() || Automatic_.HasLeftovers();
}

TransferReport LedgerBackup::Backup(const QString &folder, BackupSelection what)
{
    // The automatic copies are kept and thinned out by the program; a backup of the user's
    // there would be removed with them.
    if (IsInsideFolder(folder, Paths_.AutoBackupFolder()) || IsInsideFolder(Paths_.AutoBackupFolder(), folder)) {
        throw QelError(u"Der Ordner der automatischen Sicherungen verwaltet das Haushaltsbuch selbst. Bitte wählen "
                       u"Sie für die Datensicherung einen anderen Ordner."_s);
    }
    return Engine_.Backup(folder, what);
}

TransferReport LedgerBackup::Restore(const QString &folder, BackupSelection what)
{
    Automatic_.RequireWhole(folder);
    // The data as they are now stay at hand, should the restore bring the wrong ones.
    if (QFileInfo(folder).isDir() && !BackupEngine::SameFolder(folder, Paths_.DataFolder)) {
        try {
            Automatic_.Create(Paths_.DataFolder, ExtraFiles(), QDateTime::currentDateTime(), folder);
        } catch (const QelError &error) {
            throw QelError(error.Message()
                           + u"\n\nOhne diese Sicherung der jetzigen Daten wird nicht wiederhergestellt."_s);
        }
    }
    TransferReport report = Engine_.Restore(folder, what);
    // An automatic backup holds the import store of the same moment: with the books it goes back
    // too, so that bookings missing from the older books are not taken as imported.
    if (what.Books && IsInsideFolder(folder, Paths_.AutoBackupFolder())) {
        for (const QString &extra : ExtraFiles()) {
            const QString kept = QDir(folder).filePath(QFileInfo(extra).fileName());
            if (!QFileInfo(kept).isFile())
                continue;
            try {
                ListFiles::WriteFile(extra, ListFiles::ReadFile(kept));
            } catch (const QelError &error) {
                report.LateFailure = error.Message();
            }
        }
    }
    return report;
}

std::optional<AutoBackupEntry> LedgerBackup::KeepAutomaticCopy(const QDateTime &now)
{
    return Automatic_.Create(Paths_.DataFolder, ExtraFiles(), now);
}
