// The book manager's side of the change logs: the lists read from the logs' state, every save
// an entry of this computer's log, and the files, totals and book list following from it.

#include "books/BookManager.h"

#include "changes/DerivedFiles.h"
#include "ledger/FuncUnit.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"
#include "sync/FolderReconciler.h"
#include "sync/LegacyAdoption.h"
#include "sync/ReconcileMark.h"

#include <QDateTime>
#include <QFile>

#include <cerrno>
#include <sys/statvfs.h>

using namespace Qt::StringLiterals;

namespace {

// The list takes the rows as the state gives them; the selection stays on its booking.
void TakeRows(BookingList &list, BookingList fresh, const QByteArray &selectedId)
{
    qsizetype selected = -1;
    if (!selectedId.isEmpty()) {
        for (qsizetype i = 0; i < fresh.RowCount(); ++i) {
            if (fresh.Row(i).Id == selectedId) {
                selected = i;
                break;
            }
        }
    }
    list = std::move(fresh);
    list.SetSelected(selected);
}

QByteArray SelectedId(const BookingList &list)
{
    return list.Selected() >= 0 ? list.Row(list.Selected()).Id : QByteArray();
}

QString ConflictText(const LedgerState::Conflict &conflict)
{
    const BookingContent &first = conflict.Kept.front();
    const QString what = HistorySteps::BookingText({first.Book, first.List, std::nullopt, first.Row}, first.Row);
    if (conflict.Kept.size() == 1 && conflict.RemovedToo) {
        return u"%1 wurde auf einem Rechner entfernt und auf einem anderen zugleich geändert; die geänderte Buchung "
               u"bleibt. Bitte prüfen Sie sie."_s.arg(what);
    }
    return u"%1 wurde auf zwei Rechnern zugleich verschieden geändert; beide Fassungen stehen jetzt im Buch. Bitte "
           u"prüfen Sie sie."_s.arg(what);
}

} // namespace

namespace {

// Room for the files a change writes (each beside the old one first) and its entry.
void RequireRoom(const QString &folder, qint64 bytes)
{
    constexpr qint64 Margin = 64 * 1024;
    struct statvfs fs{};
    if (::statvfs(QFile::encodeName(folder).constData(), &fs) != 0)
        return;
    const qint64 free = qint64(fs.f_bavail) * qint64(fs.f_frsize);
    if (free < bytes + Margin) {
        throw QelError(u"Die Änderung konnte nicht gespeichert werden: %1 Es wurde nichts geändert."_s.arg(
            ListFiles::SystemReason(ENOSPC)));
    }
}

} // namespace

ChangeStore &BookManager::Changes()
{
    if (!Store_) {
        if (!HasLogs())
            throw QelError(u"Ohne Programmdatenordner gibt es kein Änderungsprotokoll."_s);
        OpenStore();
        // Before anything is read or changed, the state is what the logs and the files say.
        SyncOutcome first = SyncNow();
        Notes_ += first.Arrivals + first.Notes;
        FirstErrors_ = first.Errors;
        FirstCopies_ = first.Copies;
        FreshlySynced_ = true;
    }
    return *Store_;
}

IdentityIndex BookManager::BookedRows()
{
    if (HasLogs())
        return Changes().State().BookedRows();
    if (Paths_.ProgramDataFolder.isEmpty())
        return {};
    // Looking only: the logs are read as they are, nothing mended or written.
    ChangeStore store(Paths_.DataFolder, ComputerId::LoadOrCreate(Paths_.ProgramDataFolder));
    store.Refresh(false);
    return store.State().BookedRows();
}

QStringList BookManager::TakeNotes()
{
    return std::exchange(Notes_, {});
}

namespace {

// The logs as far as they were when the lists were read from the files; nothing read when none was.
std::unique_ptr<ChangeStore> ReadStore(const QString &dataFolder, const ComputerId &computer,
                                       const std::optional<LogFolder::Sizes> &upTo)
{
    auto store = std::make_unique<ChangeStore>(dataFolder, computer);
    if (upTo)
        store->Refresh(true, &*upTo);
    return store;
}

} // namespace

void BookManager::PrepareLogs()
{
    if (Store_ || Preparing_.valid() || (!RegularFromFile_ && !ListsFromFile_))
        return;
    // The id is made here, where every other reader of it runs; when it cannot be, the first
    // change reads the logs and says why.
    try {
        Preparing_ = std::async(std::launch::async, ReadStore, Paths_.DataFolder,
                                ComputerId::LoadOrCreate(Paths_.ProgramDataFolder), std::optional(FileListsAt_));
    } catch (const QelError &) {
    }
}

void BookManager::OpenStore()
{
    // What arrived after the lists were read from the files comes with the next Refresh, as
    // arrivals.
    const bool fromFiles = RegularFromFile_ || ListsFromFile_;
    if (Preparing_.valid()) {
        Store_ = Preparing_.get();
    } else {
        Store_ = ReadStore(Paths_.DataFolder, ComputerId::LoadOrCreate(Paths_.ProgramDataFolder),
                           fromFiles ? std::optional(FileListsAt_) : std::nullopt);
    }
    if (fromFiles)
        BindFileLists();
}

std::optional<LogFolder::Sizes> BookManager::FilesSayAll() const
{
    if (!HasLogs() || Store_)
        return std::nullopt;
    return ReconcileMark::FilesSayAll(Paths_);
}

void BookManager::ReadFromFileAt(const std::optional<LogFolder::Sizes> &saidAll, bool &fromFile)
{
    fromFile = saidAll.has_value();
    if (saidAll)
        FileListsAt_ = *saidAll;
}

void BookManager::BindFileLists()
{
    const LedgerState &state = Store_->State();
    if (std::exchange(RegularFromFile_, false)) {
        const BookingList regular = state.RegularList(Regional_);
        ListChanges::Bind(regular, Regular_);
        ReadRegular_ = ListChanges::ReferenceOf(regular);
    }
    if (std::exchange(ListsFromFile_, false)) {
        BookingList income(ListKind::Income);
        BookingList expend(ListKind::Expend);
        state.BookLists(ReadListsOf_, Regional_, income, expend);
        ListChanges::Bind(income, Income_);
        ListChanges::Bind(expend, Expend_);
        ReadIncome_ = ListChanges::ReferenceOf(income);
        ReadExpend_ = ListChanges::ReferenceOf(expend);
    }
}

void BookManager::BeforeEdit()
{
    if (!RegularFromFile_ && !ListsFromFile_)
        return;
    // A failure here is the save's to report.
    try {
        Changes();
    } catch (const QelError &) {
    }
}

BookManager::SyncOutcome BookManager::Sync()
{
    // Nothing can have arrived or changed while the files still say all the logs would.
    if (FilesSayAll())
        return {};
    // The program runs on lists read from the files: what came since is what arrived.
    if (!Store_ && (RegularFromFile_ || ListsFromFile_)) {
        OpenStore();
        return SyncNow();
    }
    if (!Store_)
        Changes();
    // Just read and brought in line: what it found is the outcome.
    if (std::exchange(FreshlySynced_, false)) {
        // ... and what came since.
        SyncOutcome outcome = SyncNow();
        outcome.Notes = std::exchange(Notes_, {}) + outcome.Notes;
        outcome.Errors = std::exchange(FirstErrors_, {}) + outcome.Errors;
        outcome.Copies = std::exchange(FirstCopies_, {}) + outcome.Copies;
        return outcome;
    }
    return SyncNow();
}

BookManager::SyncOutcome BookManager::SyncNow()
{
    ChangeStore &store = *Store_;
    SyncOutcome outcome;
    // Nothing arrived or changed since the files were last in line: no need to compare them.
    const bool inLine = ReconcileMark::InLine(Paths_);
    const ChangeStore::Arrivals arrivals = store.Refresh();
    outcome.Errors = arrivals.Problems;
    if (!inLine) {
        const FolderReconciler::Outcome reconciled =
            FolderReconciler(Paths_, Regional_, store).Run(QDateTime::currentSecsSinceEpoch());
        outcome.Notes = reconciled.Notes;
        outcome.Errors += reconciled.Errors;
        outcome.Copies = reconciled.Copies;
        FilesChanged_ = FilesChanged_ || !reconciled.Written.isEmpty();
        if (outcome.Errors.isEmpty())
            Marker_.Mark(Paths_, store.State().ForkCount() == 0);
        else
            Marker_.Forget();
    }

    // What other computers did, by computer.
    const QHash<QByteArray, QString> hosts = store.Hosts();
    for (auto it = arrivals.Changes.cbegin(); it != arrivals.Changes.cend(); ++it) {
        const QString host = hosts.value(it.key(), QString::fromLatin1(it.key()));
        outcome.Arrivals.append(it.value() == 1 ? u"Vom Rechner „%1“ kam eine Änderung."_s.arg(host)
                                                : u"Vom Rechner „%1“ kamen %2 Änderungen."_s.arg(host).arg(it.value()));
        outcome.Arrived += it.value();
    }
    for (const LedgerState::Conflict &conflict : store.State().Conflicts()) {
        if (!ToldConflicts_.contains(conflict.Id)) {
            ToldConflicts_.insert(conflict.Id);
            outcome.Notes.append(ConflictText(conflict));
        }
    }

    // The open book and the regular bookings show what the logs say now, unless unsaved.
    if (!CurrentBook_.isEmpty() && !BookChanged_ && ReadListsOf_ == CurrentBook_) {
        BookingList income(ListKind::Income);
        BookingList expend(ListKind::Expend);
        ReadFromLogs(CurrentBook_, income, expend);
        if (ListChanges::ReferenceOf(income) != ReadIncome_ || ListChanges::ReferenceOf(expend) != ReadExpend_) {
            ReadIncome_ = ListChanges::ReferenceOf(income);
            ReadExpend_ = ListChanges::ReferenceOf(expend);
            TakeRows(Income_, std::move(income), SelectedId(Income_));
            TakeRows(Expend_, std::move(expend), SelectedId(Expend_));
            outcome.OpenBookChanged = true;
        }
        if (!store.State().BookExists(CurrentBook_)) {
            ForgetBook(CurrentBook_);
            outcome.OpenBookChanged = true;
        }
    }
    if (!RegularChanged_) {
        BookingList regular = store.State().RegularList(Regional_);
        if (ListChanges::ReferenceOf(regular) != ReadRegular_) {
            ReadRegular_ = ListChanges::ReferenceOf(regular);
            TakeRows(Regular_, std::move(regular), SelectedId(Regular_));
            outcome.RegularChanged = true;
        }
    }
    return outcome;
}

void BookManager::ReadFromLogs(const QString &book, BookingList &income, BookingList &expend) const
{
    // Reading the logs the first time is no change of what this manager shows.
    ChangeStore &store = Store_ ? *Store_ : const_cast<BookManager *>(this)->Changes();
    store.State().BookLists(book, Regional_, income, expend);
}

void BookManager::BookChanges(const QString &book, const BookingList &income, const BookingList &expend,
                              ChangeEntry &entry, qsizetype &next)
{
    ChangeStore &store = Changes();
    ListChanges::Reference readIncome;
    ListChanges::Reference readExpend;
    if (book == CurrentBook_ && ReadListsOf_ == book) {
        readIncome = ReadIncome_;
        readExpend = ReadExpend_;
    } else {
        BookingList nowIncome(ListKind::Income);
        BookingList nowExpend(ListKind::Expend);
        ReadFromLogs(book, nowIncome, nowExpend);
        readIncome = ListChanges::ReferenceOf(nowIncome);
        readExpend = ListChanges::ReferenceOf(nowExpend);
    }
    const QByteArray name = store.NextName();
    const QList<QByteArray> incomeIds = ListChanges::Diff(readIncome, income, book, name, next, entry);
    const QList<QByteArray> expendIds = ListChanges::Diff(readExpend, expend, book, name, next, entry);
    if (!store.State().BookExists(book)) {
        const bool known = std::any_of(entry.Books.cbegin(), entry.Books.cend(),
                                       [&](const BookOp &op) { return op.Book == book; });
        if (!known)
            entry.Books.append({book, true});
    }
    if (book == CurrentBook_) {
        if (&income == &Income_ && Income_.Selected() >= 0)
            SelectAfter_.insert(ListKind::Income, incomeIds.at(Income_.Selected()));
        if (&expend == &Expend_ && Expend_.Selected() >= 0)
            SelectAfter_.insert(ListKind::Expend, expendIds.at(Expend_.Selected()));
    }
}

void BookManager::SaveToLogs(const QString &book)
{
    if (ReadOnly_)
        throw QelError(LookOnlyMessage());
    ChangeEntry entry;
    entry.Kind = EntryKind::Step;
    entry.Text = TakePendingText(book.isEmpty());
    qsizetype next = 0;
    if (book.isEmpty()) {
        const QList<QByteArray> ids =
            ListChanges::Diff(ReadRegular_, Regular_, QString(), Changes().NextName(), next, entry);
        if (Regular_.Selected() >= 0)
            SelectAfter_.insert(ListKind::Regular, ids.at(Regular_.Selected()));
    } else {
        // Lists that are not this book's must never be saved as it.
        if (ReadListsOf_ != book) {
            throw QelError(u"Die angezeigten Buchungen gehören nicht zum Haushaltsbuch „%1“ und werden deshalb "
                           u"nicht gespeichert."_s.arg(book));
        }
        BookChanges(book, Income_, Expend_, entry, next);
    }
    if (!entry.ChangesLedger()) {
        SelectAfter_.clear();
        (book.isEmpty() ? RegularChanged_ : BookChanged_) = false;
        return;
    }
    if (entry.Text.isEmpty())
        entry.Text = book.isEmpty() ? u"Änderung der regelmäßigen Buchungen"_s : u"Änderung in „%1“"_s.arg(book);
    Commit(std::move(entry));
}

void BookManager::StoreToLogs(const QString &name, const BookingList &income, const BookingList &expend)
{
    if (ReadOnly_)
        throw QelError(LookOnlyMessage());
    ChangeEntry entry;
    entry.Kind = EntryKind::Step;
    entry.Text = u"Änderung in „%1“"_s.arg(name);
    qsizetype next = 0;
    BookChanges(name, income, expend, entry, next);
    if (entry.ChangesLedger())
        Commit(std::move(entry));
}

void BookManager::SaveBudgets(const BudgetList &before, const BudgetList &after, const QString &text)
{
    if (ReadOnly_)
        throw QelError(LookOnlyMessage());
    if (!HasLogs()) {
        BudgetStore(Paths_).Save(after);
        FilesChanged_ = true;
        return;
    }
    ChangeEntry entry;
    entry.Kind = EntryKind::Step;
    entry.Text = text;
    // Only what this change did: a budget another computer changed meanwhile stays.
    ListChanges::BudgetDiff(before, after, entry);
    if (entry.ChangesLedger())
        Commit(std::move(entry));
}

void BookManager::CreateInLogs(const QString &name, const QDateTime &now)
{
    ChangeEntry entry;
    entry.Kind = EntryKind::Step;
    entry.Text = HistorySteps::BookCreatedText(name);
    entry.Books.append({name, true});
    Commit(std::move(entry), now);
}

void BookManager::RemoveInLogs(const QString &name)
{
    ChangeEntry entry;
    entry.Kind = EntryKind::Step;
    entry.Text = HistorySteps::BookRemovedText(name);
    BookingList income(ListKind::Income);
    BookingList expend(ListKind::Expend);
    ReadFromLogs(name, income, expend);
    ListChanges::RemovalOf(name, income, expend, entry);
    entry.Books.append({name, false});
    Commit(std::move(entry));
}

void BookManager::RestoreInLogs(const TrashedBook &book)
{
    const QByteArray bytes = ListFiles::ReadFile(book.File);
    BookingList income(ListKind::Income);
    BookingList expend(ListKind::Expend);
    ListFiles::ParseMonthBook(bytes, income, expend);
    ChangeEntry entry;
    entry.Kind = EntryKind::Step;
    entry.Text = u"Haushaltsbuch „%1“ aus dem Papierkorb zurückgeholt"_s.arg(book.Name);
    // Its bookings come back as themselves (with the documents on them), as a restore brings them.
    LegacyAdoption::Removed revive = Changes().State().RemovedByList();
    LegacyAdoption::BookOps(Changes().State(), book.Name, income, expend, ChangeStore::HashOf(bytes), true, entry,
                            &revive);
    // It comes back as it went, with its time of last change.
    Commit(std::move(entry), QDateTime::currentDateTime(), FileModifiedNs(book.File));
}

const ChangeEntry &BookManager::Commit(ChangeEntry entry, const QDateTime &now, qint64 fileTimeNs)
{
    if (ReadOnly_)
        throw QelError(LookOnlyMessage());
    ChangeStore &store = Changes();
    const QStringList files = ListChanges::FilesOf(entry);
    const ChangeEntry *made = nullptr;
    const qint64 stampTime = fileTimeNs > 0 ? fileTimeNs : ChangeStore::NowNs();
    // The files' bytes as the entry leaves them: stamped, then written.
    QHash<QString, QByteArray> derived;
    MadeLists open;
    try {
        made = &store.Append(std::move(entry), now.toSecsSinceEpoch(), [&](const LedgerState &state) {
            QList<FileStamp> stamps;
            qint64 bytesNeeded = 0;
            for (const QString &file : files) {
                std::optional<QByteArray> bytes;
                // The open book's lists are made once, for its file and for its panels.
                if (!CurrentBook_.isEmpty() && file == DerivedFiles::BookFile(CurrentBook_)
                    && state.BookExists(CurrentBook_)) {
                    open.Book = CurrentBook_;
                    state.BookLists(CurrentBook_, Regional_, open.Income, open.Expend);
                    bytes = ListFiles::MonthBookBytes(open.Income, open.Expend);
                } else {
                    bytes = DerivedFiles::FileBytes(state, file, Regional_);
                }
                if (bytes) {
                    stamps.append({file, ChangeStore::HashOf(*bytes), stampTime});
                    bytesNeeded += bytes->size();
                    derived.insert(file, std::move(*bytes));
                }
            }
            // A change whose files cannot follow for want of room is not made at all.
            RequireRoom(Paths_.DataFolder, bytesNeeded);
            return stamps;
        });
    } catch (const QelError &) {
        SelectAfter_.clear();
        throw;
    }
    FilesChanged_ = true;
    std::optional<QelError> failed;
    try {
        WriteDerivedFiles(Paths_, Regional_, store, files, stampTime, derived, &LastWritten_);
        LastWritten_ = derived;
    } catch (const QelError &error) {
        failed = error;
        LastWritten_.clear();
    }
    FollowState(files, now, open.Book.isEmpty() ? nullptr : &open);
    if (failed)
        Marker_.Forget();
    else
        Marker_.MarkAfter(Paths_, store.State().ForkCount() == 0, files);
    if (failed) {
        throw QelError(failed->Message() + u"\n\nDie Änderung ist im Änderungsprotokoll gespeichert; die Datei wird "
                                           u"beim nächsten Start geschrieben."_s);
    }
    return *made;
}

void BookManager::FollowState(const QStringList &files, const QDateTime &now, MadeLists *made)
{
    const LedgerState &state = Store_->State();
    const auto selected = [this](ListKind list, const BookingList &shown) {
        return SelectAfter_.contains(list) ? SelectAfter_.value(list) : SelectedId(shown);
    };
    if (files.contains(DerivedFiles::RegularFile())) {
        BookingList regular = state.RegularList(Regional_);
        ReadRegular_ = ListChanges::ReferenceOf(regular);
        TakeRows(Regular_, std::move(regular), selected(ListKind::Regular, Regular_));
        RegularChanged_ = false;
        RegularUnreadable_ = false;
        Pending_.removeIf([](const BookingChange &change) { return change.List == ListKind::Regular; });
    }
    bool listed = false;
    for (const QString &file : files) {
        const std::optional<QString> name = DerivedFiles::BookOfFile(file);
        if (!name)
            continue;
        if (!state.BookExists(*name)) {
            ForgetBook(*name);
            continue;
        }
        BookingList income(ListKind::Income);
        BookingList expend(ListKind::Expend);
        if (made && made->Book == *name) {
            income = std::move(made->Income);
            expend = std::move(made->Expend);
        } else {
            state.BookLists(*name, Regional_, income, expend);
        }
        OwnSums_.insert(*name, {ListSum(income), ListSum(expend)});
        // A book new to the list shows when it came; the others keep what the scan showed.
        if (FindBook(*name) < 0) {
            const QString modified = Regional_.DateText(now.date()) + u' ' + Regional_.TimeText(now.time());
            Books_.AddRow(ListRow::Make(BookKey(*name, Regional_), {*name, modified, QString(), QString()}));
            listed = true;
        }
        if (*name == CurrentBook_) {
            ReadIncome_ = ListChanges::ReferenceOf(income);
            ReadExpend_ = ListChanges::ReferenceOf(expend);
            ReadListsOf_ = *name;
            TakeRows(Income_, std::move(income), selected(ListKind::Income, Income_));
            TakeRows(Expend_, std::move(expend), selected(ListKind::Expend, Expend_));
            BookChanged_ = false;
            Pending_.removeIf([](const BookingChange &change) { return change.List != ListKind::Regular; });
        }
    }
    SelectAfter_.clear();
    RefreshTotals();
    if (listed)
        Books_.SortByCaption(Regional_);
}
