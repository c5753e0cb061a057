#include "backup/LedgerBackup.h"

#include "backup/TransferJournal.h"
#include "import/ImportStore.h"
#include "import/ImportStoreUpkeep.h"
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
    // Looked at first: a change of the store that a kill interrupted leaves its journal, and the
    // store's opening puts back the state before it; a damaged store is not worth a copy and
    // must not push sound ones out of the automatic backups.
    try {
        if (ImportStore::Inspect(Paths_.ImportStoreFile()) == StoreState::Damaged)
            return {};
    } catch (const QelError &) {
        // Busy with a change of its own, or unreadable: copied as it is.
    }
    return {Paths_.ImportStoreFile()};
}

QStringList LedgerBackup::Recover()
{
    QStringList messages;
    if (QFileInfo::exists(Paths_.TransferJournalFolder()))
        messages = Engine_.Recover();
    if (QFileInfo::exists(Paths_.AutoBackupFolder()))
        Automatic_.RemoveUnfinished();
    // A restore killed part-way is decided now that its transfer is finished or undone.
    if (const std::optional<QString> note = ImportStoreUpkeep(Paths_).SettleRestore())
        messages.append(*note);
    return messages;
}

bool LedgerBackup::NeedsRecovery() const
{
    return !TransferJournal(Paths_.TransferJournalFolder()).Pending().isEmpty() || Automatic_.HasLeftovers()
           || ImportStoreUpkeep(Paths_).RestoreUndecided();
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
    // The import store keeps the rows it imported; what the restored books lack it forgets
    // (see ImportStoreUpkeep), also when this run is killed part-way.
    const ImportStoreUpkeep upkeep(Paths_);
    if (what.Books)
        upkeep.NoteRestore();
    TransferReport report;
    try {
        report = Engine_.Restore(folder, what);
    } catch (const QelError &) {
        upkeep.SettleRestore();
        throw;
    }
    if (const std::optional<QString> note = upkeep.SettleRestore())
        report.Notes.append(*note);
    return report;
}

std::optional<AutoBackupEntry> LedgerBackup::KeepAutomaticCopy(const QDateTime &now)
{
    return Automatic_.Create(Paths_.DataFolder, ExtraFiles(), now);
}
