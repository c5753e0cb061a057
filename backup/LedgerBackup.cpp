#include "backup/LedgerBackup.h"

#include "transfer/TransferJournal.h"
#include "changes/ChangeStore.h"
#include "books/BookManager.h"
#include "ledger/ConflictCopies.h"
#include "ledger/Regional.h"
#include "sync/LegacyAdoption.h"
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

TransferReport LedgerBackup::Restore(const QString &folder, BackupSelection what, BookManager *books)
{
    Automatic_.RequireWhole(folder);
    // The ledger of this data folder, through the caller's book manager where there is one: a
    // second one in the process would append to the same log beside it.
    std::optional<BookManager> own;
    if (!books && !Paths_.ProgramDataFolder.isEmpty())
        books = &own.emplace(Paths_, Regional());
    std::optional<BackupEngine::RestoreSource> source;
    if (books && books->HasLogs())
        source = Engine_.CheckRestore(folder, what);
    // The data as they are now stay at hand, should the restore bring the wrong ones.
    if (QFileInfo(folder).isDir() && !BackupEngine::SameFolder(folder, Paths_.DataFolder)) {
        try {
            Automatic_.Create(Paths_.DataFolder, ExtraFiles(), QDateTime::currentDateTime(), folder);
        } catch (const QelError &error) {
            throw QelError(error.Message()
                           + u"\n\nOhne diese Sicherung der jetzigen Daten wird nicht wiederhergestellt."_s);
        }
    }
    if (source)
        return RestoreInLogs(folder, what, *source, *books);
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

TransferReport LedgerBackup::RestoreInLogs(const QString &folder, BackupSelection what,
                                           const BackupEngine::RestoreSource &source, BookManager &books)
{
    // What was changed beside the program is taken in first: the restore replaces it, and an
    // undo of the restore brings it back.
    books.Sync();
    const LedgerState &state = books.Changes().State();
    ChangeEntry entry;
    entry.Kind = EntryKind::Restore;
    entry.Text = u"Wiederherstellung aus „%1“"_s.arg(QDir::toNativeSeparators(folder));
    LegacyAdoption::Removed revive = state.RemovedByList();
    const QString from = LedgerPaths::WithSlash(folder);
    // Every file is read before anything is written: a damaged one refuses the whole restore.
    const auto read = [&](const QString &name) {
        try {
            return ListFiles::ReadFile(from + name);
        } catch (const QelError &error) {
            throw QelError(u"Fehler beim Wiederherstellen der Sicherungsdaten!\n\n"_s + error.Message()
                           + u"\n\nEs wurde nichts verändert."_s);
        }
    };
    // A file of the backup that cannot be read as a ledger file comes back as it is, as the
    // files would (its book then counts as damaged); what it stands for goes from the ledger.
    QHash<QString, QByteArray> verbatim;
    if (what.Books) {
        QSet<QString> restored;
        for (const QByteArray &native : source.Files.Books) {
            const QString name = QFile::decodeName(native);
            if (source.Files.Undecodable.contains(native))
                continue;
            const QByteArray bytes = read(name);
            BookingList income(ListKind::Income);
            BookingList expend(ListKind::Expend);
            try {
                ListFiles::ParseMonthBook(bytes, income, expend);
            } catch (const QelError &) {
                verbatim.insert(name, bytes);
                continue;
            }
            const QString book = name.chopped(4);
            restored.insert(book);
            LegacyAdoption::BookOps(state, book, income, expend, ChangeStore::HashOf(bytes), false, entry, &revive);
        }
        // Books the backup does not have go, as the files would.
        for (const QString &book : state.Books()) {
            if (restored.contains(book))
                continue;
            BookingList income(ListKind::Income);
            BookingList expend(ListKind::Expend);
            state.BookLists(book, books.RegionalSettings(), income, expend);
            ListChanges::RemovalOf(book, income, expend, entry);
            entry.Books.append({book, false});
        }
    }
    if (what.Regular && source.Files.HasRegular) {
        const QByteArray bytes = read(RegularFileName());
        BookingList regular(ListKind::Regular);
        try {
            ListFiles::ParseRegular(bytes, regular);
        } catch (const QelError &) {
            verbatim.insert(RegularFileName(), bytes);
            regular.ClearRows();
        }
        LegacyAdoption::RegularOps(state, regular, ChangeStore::HashOf(bytes), false, entry, &revive);
    }
    if (source.Files.HasBudgets) {
        const QByteArray bytes = read(BudgetsFileName());
        BudgetList budgets;
        try {
            budgets = BudgetList::Parse(bytes);
        } catch (const QelError &) {
            verbatim.insert(BudgetsFileName(), bytes);
        }
        LegacyAdoption::BudgetOps(state, budgets, false, entry);
    }
    const qsizetype bookedBefore = state.BookedRows().Size();
    if (entry.ChangesLedger())
        books.Commit(std::move(entry));
    // Book files that no log knows (damaged ones) go too when the backup has none of that name;
    // the automatic copy made before keeps them.
    if (what.Books) {
        for (const QString &name : QDir(Paths_.DataFolder).entryList({u"*.qel"_s}, QDir::Files | QDir::CaseSensitive)) {
            if (!source.Files.Books.contains(QFile::encodeName(name)) && !ConflictCopies::IsConflictCopy(name)
                && !books.Changes().State().BookExists(name.chopped(4)))
                QFile::remove(Paths_.DataFolder + name);
        }
    }
    for (auto it = verbatim.cbegin(); it != verbatim.cend(); ++it)
        ListFiles::WriteFile(Paths_.DataFolder + it.key(), it.value());
    // A statement row whose booking the restore took away may be imported again.
    QStringList notes = source.Notes;
    if (const qsizetype missing = bookedBefore - books.Changes().State().BookedRows().Size(); missing > 0)
        notes.append(ImportStoreUpkeep::RestoredMissingMessage(missing));
    TransferReport report{notes, {}};
    if (what.Books)
        BackupEngine::TakeDocuments(folder, Paths_.DataFolder, true, report);
    return report;
}

std::optional<AutoBackupEntry> LedgerBackup::KeepAutomaticCopy(const QDateTime &now)
{
    return Automatic_.Create(Paths_.DataFolder, ExtraFiles(), now);
}
