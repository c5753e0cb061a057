#include "books/BookManager.h"

#include "history/BookTrash.h"
#include "history/HistorySteps.h"

#include "ledger/ConflictCopies.h"
#include "ledger/FuncUnit.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <ctime>

namespace {

bool FileExists(const QString &path)
{
    return QFileInfo(path).isFile();
}

// A book's last change as the book list shows it, in local time.
QString ModifiedText(const QDateTime &modified, const Regional &regional)
{
    return regional.DateText(modified.date()) + QStringLiteral("  ") + regional.TimeText(modified.time());
}

// The same from seconds since 1970 (UTC), the system's way to local time (QDateTime goes the
// same way, with more around it). Set up by tzset() as the scan begins.
QString ModifiedText(qint64 secs, const Regional &regional)
{
    const time_t time = secs;
    tm local{};
    if (localtime_r(&time, &local) == nullptr || local.tm_sec > 59)
        return ModifiedText(QDateTime::fromSecsSinceEpoch(secs), regional);
    return regional.DateText(QDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday)) + QStringLiteral("  ")
           + regional.TimeText(QTime(local.tm_hour, local.tm_min, local.tm_sec));
}

} // namespace

BookManager::BookManager(LedgerPaths paths, Regional regional, Access access)
    : Paths_(std::move(paths))
    , Regional_(std::move(regional))
    , ReadOnly_(access == Access::ReadOnly)
    , NotRead_{Paths_.RegularFile()}
{
}

QStringList BookManager::ScanBooks()
{
    // The files first follow the logs: what another computer did, what was changed by hand.
    QStringList synced;
    if (HasLogs()) {
        try {
            SyncOutcome sync = Sync();
            Notes_ += sync.Arrivals + sync.Notes;
            synced = sync.Errors;
        } catch (const QelError &error) {
            synced.append(error.Message());
        }
    }
    Books_.ClearRows();
    OwnSums_.clear();
    QDir folder(Paths_.DataFolder);
    QFileInfoList entries = folder.entryInfoList(
        {QStringLiteral("*.qel")}, QDir::Files | QDir::Hidden | QDir::System | QDir::CaseSensitive, QDir::Unsorted);
    // A synchronisation tool's conflict copy is no book of its own: it is merged into its book.
    entries.removeIf([](const QFileInfo &entry) { return ConflictCopies::IsConflictCopy(entry.fileName()); });

    QStringList errors = synced;
    const auto report = [&errors](const QelError &error) {
        if (!errors.contains(error.Message()))
            errors.append(error.Message());
    };
    // The books that take the sums-only way are read ahead, on as many threads as pay off.
    // Not while anything is unsaved: saving it during the scan could change a book read early.
    std::optional<BookSums::Reads> readEarly;
    if (!BookChanged_ && !RegularChanged_ && entries.size() > 1) {
        std::vector<BookSums::Request> requests;
        requests.reserve(entries.size() - 1);
        for (qsizetype i = 0; i + 1 < entries.size(); ++i)
            requests.push_back({Paths_.BookFile(entries.at(i).fileName().chopped(4)), entries.at(i).isFile()});
        const int threads = BookSums::ThreadsFor(qsizetype(requests.size()));
        readEarly.emplace(std::move(requests), threads);
    }
    tzset(); // the time zone as it is now, as QDateTime would take it
    ScanState state;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QFileInfo &entry = entries.at(i);
        const QString name = entry.fileName().chopped(4);
        std::optional<BookSums::Outcome> early;
        if (readEarly && i < readEarly->Size())
            early = readEarly->Take(i);
        // The time of the read when there was one, else the listing's.
        const std::optional<qint64> readAt = early ? early->ModifiedSecs : std::nullopt;
        const QString modified = readAt ? ModifiedText(*readAt, Regional_) : ModifiedText(entry.lastModified(), Regional_);
        const qsizetype row =
            Books_.AddRow(ListRow::Make(BookKey(name, Regional_), {name, modified, QString(), QString()}));
        try {
            // Pending changes are saved by the whole way, and the book read last fills the
            // income and expense lists as the whole way leaves them.
            if (BookChanged_ || RegularChanged_ || i + 1 == entries.size()) {
                state = {};
                LoadBookTotals(row);
            } else {
                const BookSums::Outcome sums =
                    early ? std::move(*early) : BookSums::Read(Paths_.BookFile(name), entry.isFile(), state.Records);
                if (const std::optional<QelError> regularError = ScanTotals(row, sums, state))
                    report(*regularError);
            }
        } catch (const QelError &error) {
            report(error);
        }
    }
    Books_.SortByCaption(Regional_);
    for (const QString &name : ListFiles::UndecodableBookFiles(Paths_.DataFolder))
        errors.append(ListFiles::UndecodableNameMessage(name));
    // The scan leaves the last book's lists behind; the open book's are its own again.
    if (HasLogs() && !CurrentBook_.isEmpty() && FindBook(CurrentBook_) >= 0) {
        try {
            OpenCurrentBook();
        } catch (const QelError &error) {
            report(error);
        }
    }
    return errors;
}

std::optional<QelError> BookManager::ScanTotals(qsizetype row, const BookSums::Outcome &read, ScanState &state)
{
    const QString name = Books_.Row(row).SubItem(0);
    OwnSums_.remove(name);
    const OwnSums own = TakeSums(Paths_.BookFile(name), read);
    OwnSums_.insert(name, own);

    // Regular.dat is the same for every book: read once per scan, at the point where the
    // whole way reads it first.
    std::optional<QelError> regularError;
    if (!state.RegularRead && !RegularUnreadable_) {
        regularError = ReadRegularAgain();
        state.RegularRead = true;
        state.RegularSums.reset();
    }
    if (!state.RegularSums)
        state.RegularSums = OwnSums{RegularIncomeSum(Regular_), RegularExpenseSum(Regular_)};
    Books_.SetSubItem(row, 2, TotalFor(own.Income, state.RegularSums->Income));
    Books_.SetSubItem(row, 3, TotalFor(own.Expend, state.RegularSums->Expend));
    return regularError;
}

void BookManager::LoadBookTotals(qsizetype row)
{
    if (const std::optional<QelError> regularError = LoadTotals(row))
        throw *regularError;
}

std::optional<QelError> BookManager::LoadTotals(qsizetype row)
{
    if (row < 0 || row >= Books_.RowCount())
        return std::nullopt;
    if (BookChanged_)
        SaveCurrentBook();
    if (RegularChanged_)
        SaveRegular();

    const QString name = Books_.Row(row).SubItem(0);
    Income_.ClearRows();
    Expend_.ClearRows();
    OwnSums_.remove(name);
    ReadMonthBookFile(Paths_.BookFile(name));
    OwnSums_.insert(name, {ListSum(Income_), ListSum(Expend_)});

    // A damaged Regular.dat would fail again for every book; its failure was reported once.
    std::optional<QelError> regularError;
    if (!RegularUnreadable_)
        regularError = ReadRegularAgain();

    SetTotals(row, ListSum(Income_), ListSum(Expend_));
    BookChanged_ = false;
    RegularChanged_ = false;
    return regularError;
}

std::optional<QelError> BookManager::ReadRegularAgain()
{
    Regular_.ClearRows();
    try {
        ReadRegularFile(Paths_.RegularFile());
    } catch (const QelError &error) {
        return error;
    }
    return std::nullopt;
}

void BookManager::SetTotals(qsizetype row, const QString &incomeSum, const QString &expendSum)
{
    Books_.SetSubItem(row, 2, TotalFor(incomeSum, RegularIncomeSum(Regular_)));
    Books_.SetSubItem(row, 3, TotalFor(expendSum, RegularExpenseSum(Regular_)));
}

void BookManager::RefreshTotals()
{
    const QString regularIncome = RegularIncomeSum(Regular_);
    const QString regularExpend = RegularExpenseSum(Regular_);
    for (qsizetype row = 0; row < Books_.RowCount(); ++row) {
        const auto sums = OwnSums_.constFind(Books_.Row(row).SubItem(0));
        if (sums != OwnSums_.cend()) {
            Books_.SetSubItem(row, 2, TotalFor(sums->Income, regularIncome));
            Books_.SetSubItem(row, 3, TotalFor(sums->Expend, regularExpend));
        }
    }
}

QString BookManager::TotalFor(const QString &bookSum, const QString &regularSum) const
{
    return MoneyLabel(FormatAmount(ParseAmount(bookSum) + ParseAmount(regularSum)), Regional_);
}

void BookManager::RefreshCurrentBook()
{
    if (!CurrentBook_.isEmpty() && (BookChanged_ || RegularChanged_))
        LoadBookTotals(FindBook(CurrentBook_));
    // The regular bookings count in every book, not only in the open one.
    RefreshTotals();
}

void BookManager::OpenCurrentBook()
{
    Income_.ClearRows();
    Expend_.ClearRows();
    ReadMonthBookFile(Paths_.BookFile(CurrentBook_));
    Income_.SetColumnAlignment(1, ColumnAlignment::Right);
    Expend_.SetColumnAlignment(1, ColumnAlignment::Right);
}

void BookManager::SaveCurrentBook()
{
    if (ReadOnly_)
        throw QelError(LookOnlyMessage());
    // Without an open book the lists belong to no file (after the scan they hold the book
    // read last); a file named only ".qel" would be wrong.
    if (CurrentBook_.isEmpty())
        return;
    if (HasLogs()) {
        SaveToLogs(CurrentBook_);
        return;
    }
    WriteListFile(Paths_.BookFile(CurrentBook_), ListFiles::MonthBookBytes(Income_, Expend_));
    TakePendingText(false);
}

void BookManager::LoadRegular()
{
    Regular_.ClearRows();
    ReadRegularFile(Paths_.RegularFile());
    Regular_.SetColumnAlignment(1, ColumnAlignment::Right);
}

void BookManager::SaveRegular()
{
    if (ReadOnly_)
        throw QelError(LookOnlyMessage());
    if (HasLogs()) {
        SaveToLogs(QString());
        RegularUnreadable_ = false;
        return;
    }
    WriteListFile(Paths_.RegularFile(), ListFiles::RegularBytes(Regular_));
    // The file now holds exactly the list, whatever was wrong with it before.
    RegularUnreadable_ = false;
    TakePendingText(true);
}

void BookManager::SaveChange(const BookingList &list)
{
    if (&list == &Regular_) {
        SaveRegular();
        RegularChanged_ = false;
    } else if (!CurrentBook_.isEmpty()) {
        SaveCurrentBook();
        BookChanged_ = false;
        OwnSums_.insert(CurrentBook_, {ListSum(Income_), ListSum(Expend_)});
    }
    RefreshTotals();
}

qsizetype BookManager::CreateBook(const QString &name, const QDateTime &now)
{
    if (ReadOnly_)
        throw QelError(LookOnlyMessage());
    // A file of that name that is not listed (the scan could not list it, or it came
    // meanwhile) is somebody's book all the same.
    if (FindBook(name) >= 0 || BookFileExists(name))
        throw QelError(DuplicateBookMessage(name));
    if (HasLogs()) {
        if (BookChanged_)
            SaveCurrentBook();
        if (RegularChanged_)
            SaveRegular();
        CreateInLogs(name, now);
        CurrentBook_ = name;
        OpenCurrentBook();
        Books_.SetSelected(FindBook(name));
        return Books_.Selected();
    }
    const QString noAmount = QStringLiteral("0 ") + Regional_.CurrencySymbol();
    const qsizetype row = Books_.AddRow(ListRow::Make(
        BookKey(name, Regional_),
        {name, Regional_.DateText(now.date()) + u' ' + Regional_.TimeText(now.time()), noAmount, noAmount}));
    // An unreadable Regular.dat does not stop the new book: its file is written all the same.
    const std::optional<QelError> regularError = LoadTotals(row);
    Books_.SetSelected(row);
    CurrentBook_ = Books_.Row(row).SubItem(0);
    Books_.SortByCaption(Regional_);
    OpenCurrentBook();
    SaveCurrentBook();
    // Regular.dat was saved and read again: every row counts it as it is now.
    RefreshTotals();
    if (regularError)
        throw *regularError;
    return Books_.Selected();
}

void BookManager::OpenBook(qsizetype row)
{
    if (row < 0 || row >= Books_.RowCount())
        return;
    if (BookChanged_) {
        SaveCurrentBook();
        BookChanged_ = false;
    }
    CurrentBook_ = Books_.Row(row).SubItem(0);
    OpenCurrentBook();
}

void BookManager::DeleteBook(qsizetype row)
{
    if (row < 0 || row >= Books_.RowCount())
        return;
    if (ReadOnly_)
        throw QelError(LookOnlyMessage());
    const QString name = Books_.Row(row).SubItem(0);
    const QString bookFile = Paths_.BookFile(name);
    // The file goes first: a book whose file stays must not vanish from the list only
    // to come back at the next start. With a program data folder it goes into the trash.
    std::optional<TrashedBook> trashed;
    if (FileExists(bookFile) && !Paths_.ProgramDataFolder.isEmpty()) {
        BookTrash trash(Paths_);
        trash.RemoveExpired(QDateTime::currentDateTime());
        trashed = trash.Put(name, QDateTime::currentDateTime());
    } else if (FileExists(bookFile)) {
        QFile file(bookFile);
        if (!file.remove()) {
            throw QelError(QStringLiteral("Das Haushaltsbuch \"%1\" konnte nicht entfernt werden. %2")
                               .arg(name, file.errorString()));
        }
    }
    FilesChanged_ = true;
    if (HasLogs())
        RemoveInLogs(name);
    ForgetBook(name);
}

void BookManager::ForgetBook(const QString &name)
{
    const qsizetype row = FindBook(name);
    if (row >= 0)
        Books_.RemoveRow(row);
    OwnSums_.remove(name);
    if (name == CurrentBook_) {
        CurrentBook_.clear();
        BookChanged_ = false;
    }
}

void BookManager::DiscardBook(const QString &name)
{
    if (ReadOnly_)
        throw QelError(LookOnlyMessage());
    if (HasLogs()) {
        RemoveInLogs(name);
        FilesChanged_ = true;
        ForgetBook(name);
        return;
    }
    QFile file(Paths_.BookFile(name));
    if (file.exists() && !file.remove())
        throw QelError(QStringLiteral("Das Haushaltsbuch \"%1\" konnte nicht entfernt werden. %2").arg(name, file.errorString()));
    FilesChanged_ = true;
    ForgetBook(name);
}

qsizetype BookManager::RestoreFromTrash(const TrashedBook &book)
{
    if (ReadOnly_)
        throw QelError(LookOnlyMessage());
    const QString name = book.Name;
    if (FindBook(name) >= 0)
        throw QelError(DuplicateBookMessage(name) + QStringLiteral(" Das entfernte Buch bleibt im Papierkorb."));
    BookTrash trash(Paths_);
    if (HasLogs()) {
        RestoreInLogs(book);
        trash.Discard(book);
        return FindBook(name);
    }
    trash.Restore(book);
    qsizetype row = FindBook(name);
    if (row < 0) {
        const QDateTime modified = QFileInfo(Paths_.BookFile(name)).lastModified();
        row = Books_.AddRow(ListRow::Make(BookKey(name, Regional_),
                                          {name, ModifiedText(modified, Regional_), QString(), QString()}));
    }
    BookingList income(ListKind::Income);
    BookingList expend(ListKind::Expend);
    ReadBook(name, income, expend);
    OwnSums_.insert(name, {ListSum(income), ListSum(expend)});
    SetTotals(row, ListSum(income), ListSum(expend));
    Books_.SortByCaption(Regional_);
    FilesChanged_ = true;
    return FindBook(name);
}

void BookManager::ReadBook(const QString &name, BookingList &income, BookingList &expend) const
{
    if (!CurrentBook_.isEmpty() && name == CurrentBook_) {
        income = Income_;
        expend = Expend_;
        return;
    }
    if (HasLogs()) {
        ReadFromLogs(name, income, expend);
        return;
    }
    income = BookingList(ListKind::Income);
    expend = BookingList(ListKind::Expend);
    const QString path = Paths_.BookFile(name);
    if (FileExists(path)) {
        const QByteArray bytes = ListFiles::ReadFile(path);
        ListFiles::ParseMonthBook(bytes, income, expend);
    }
    // As OpenCurrentBook shows a book, so that a new file is the one "create" writes.
    income.SetColumnAlignment(1, ColumnAlignment::Right);
    expend.SetColumnAlignment(1, ColumnAlignment::Right);
}

bool BookManager::StoreBook(const QString &name, const BookingList &income, const BookingList &expend,
                            const QDateTime &now)
{
    if (ReadOnly_)
        throw QelError(LookOnlyMessage());
    if (HasLogs()) {
        const bool listed = FindBook(name) < 0;
        StoreToLogs(name, income, expend);
        return listed;
    }
    WriteListFile(Paths_.BookFile(name), ListFiles::MonthBookBytes(income, expend));
    if (!CurrentBook_.isEmpty() && name == CurrentBook_) {
        Income_ = income;
        Expend_ = expend;
        BookChanged_ = false;
    }
    qsizetype row = FindBook(name);
    const bool listed = row < 0;
    if (listed) {
        row = Books_.AddRow(ListRow::Make(
            BookKey(name, Regional_),
            {name, Regional_.DateText(now.date()) + u' ' + Regional_.TimeText(now.time()), QString(), QString()}));
    }
    OwnSums_.insert(name, {ListSum(income), ListSum(expend)});
    SetTotals(row, ListSum(income), ListSum(expend));
    if (listed)
        Books_.SortByCaption(Regional_);
    return listed;
}

bool BookManager::BookFileExists(const QString &name) const
{
    return FileExists(Paths_.BookFile(name));
}

qsizetype BookManager::FindBook(const QString &name) const
{
    for (qsizetype i = 0; i < Books_.RowCount(); ++i) {
        if (Books_.Row(i).SubItem(0) == name)
            return i;
    }
    return -1;
}

qsizetype BookManager::AddBooking(BookingList &list, ListRow row)
{
    BeforeEdit();
    const QString caption = row.Caption;
    NoteChange(list, std::nullopt, row);
    list.AddRow(std::move(row));
    SortAndFlag(list);
    // Appended last and sorted stably, the row stands after every caption not above its own.
    qsizetype index = -1;
    for (const ListRow &r : list.Rows()) {
        if (Regional_.Compare(r.Caption, caption) <= 0)
            ++index;
    }
    return index;
}

void BookManager::EditBooking(BookingList &list, qsizetype row, const QString &caption, const QStringList &subItems)
{
    BeforeEdit();
    if (row < 0 || row >= list.RowCount())
        return;
    const ListRow before = list.Row(row);
    list.MutableRow(row).Caption = caption;
    for (int i = 0; i < subItems.size(); ++i)
        list.SetSubItem(row, i, subItems.at(i));
    NoteChange(list, before, list.Row(row));
    SortAndFlag(list);
}

void BookManager::RemoveBooking(BookingList &list, qsizetype row)
{
    BeforeEdit();
    if (row < 0 || row >= list.RowCount())
        return;
    NoteChange(list, list.Row(row), std::nullopt);
    list.RemoveRow(row);
    SortAndFlag(list);
}

void BookManager::SortAndFlag(BookingList &list)
{
    list.SortByCaption(Regional_);
    if (&list == &Regular_)
        RegularChanged_ = true;
    else
        BookChanged_ = true;
}

void BookManager::NoteChange(const BookingList &list, std::optional<ListRow> before, std::optional<ListRow> after)
{
    if (&list == &Regular_)
        Pending_.append({QString(), ListKind::Regular, std::move(before), std::move(after)});
    else if ((&list == &Income_ || &list == &Expend_) && !CurrentBook_.isEmpty())
        Pending_.append({CurrentBook_, &list == &Income_ ? ListKind::Income : ListKind::Expend, std::move(before),
                         std::move(after)});
}

QString BookManager::TakePendingText(bool regular)
{
    QList<BookingChange> kept;
    QList<BookingChange> saved;
    for (BookingChange &change : Pending_)
        ((change.List == ListKind::Regular) == regular ? saved : kept).append(std::move(change));
    Pending_ = std::move(kept);
    if (saved.size() == 1)
        return HistorySteps::StepText(saved.front());
    return saved.isEmpty() ? QString() : QStringLiteral("%1 Änderungen").arg(saved.size());
}

QString BookManager::IncomeTotalLabel() const
{
    return QStringLiteral("Gesamteinnahmen: ") + MoneyLabel(ListSum(Income_), Regional_);
}

QString BookManager::ExpendTotalLabel() const
{
    return QStringLiteral("Gesamtausgaben: ") + MoneyLabel(ListSum(Expend_), Regional_);
}

QString BookManager::RegularSummaryLabel() const
{
    return QStringLiteral("Einnahmen: ") + MoneyLabel(RegularIncomeSum(Regular_), Regional_)
           + QString(10, u' ') + QStringLiteral("Ausgaben: ")
           + MoneyLabel(RegularExpenseSum(Regular_), Regional_);
}

QString BookManager::LookOnlyMessage()
{
    return QStringLiteral("Die Bücher sind hier nur zum Ansehen geöffnet. Es wird nichts gespeichert.");
}

QByteArray BookManager::ReadListFile(const QString &path)
{
    try {
        QByteArray bytes = ListFiles::ReadFile(path);
        NotRead_.remove(path);
        return bytes;
    } catch (const QelError &) {
        NotRead_.insert(path);
        throw;
    }
}

void BookManager::ReadMonthBookFile(const QString &path)
{
    // What the logs know comes from them; a file they know nothing of (damaged, say) is read
    // as it is, and a save takes its rows in.
    const QString book = QFileInfo(path).fileName().chopped(4);
    const std::optional<LogFolder::Sizes> saidAll = FilesSayAll();
    if (HasLogs() && !saidAll && (Changes().NamesFile(QFileInfo(path).fileName()) || !FileExists(path))) {
        ReadFromLogs(book, Income_, Expend_);
        ReadIncome_ = ListChanges::ReferenceOf(Income_);
        ReadExpend_ = ListChanges::ReferenceOf(Expend_);
        ReadListsOf_ = book;
        ListsFromFile_ = false;
        NotRead_.remove(path);
        return;
    }
    if (HasLogs()) {
        ReadIncome_.clear();
        ReadExpend_.clear();
        ReadListsOf_ = book;
    }
    ReadFromFileAt(saidAll, ListsFromFile_);
    // A missing file reads as two empty lists; the next save makes it.
    if (!FileExists(path)) {
        NotRead_.remove(path);
        return;
    }
    const QByteArray bytes = ReadListFile(path);
    try {
        ListFiles::ParseMonthBook(bytes, Income_, Expend_);
    } catch (const QelError &error) {
        RememberDamaged(path, error.Message());
    }
}

BookManager::OwnSums BookManager::TakeSums(const QString &path, const BookSums::Outcome &read)
{
    switch (read.Result) {
    case BookSums::Outcome::Kind::Read:
        NotRead_.remove(path);
        return {read.IncomeText, read.ExpendText};
    case BookSums::Outcome::Kind::Missing: {
        // As ReadMonthBookFile: a file that is not there reads as two empty lists.
        NotRead_.remove(path);
        const QString none = FormatAmount(0.0);
        return {none, none};
    }
    case BookSums::Outcome::Kind::Unreadable:
        NotRead_.insert(path);
        throw *read.Error;
    case BookSums::Outcome::Kind::Damaged:
        NotRead_.remove(path);
        RememberDamaged(path, read.Error->Message());
    }
    return {};
}

void BookManager::ReadRegularFile(const QString &path)
{
    // As for a book: what the logs know from them, a file they never named as it is.
    const std::optional<LogFolder::Sizes> saidAll = FilesSayAll();
    if (HasLogs() && !saidAll && (Changes().NamesFile(QFileInfo(path).fileName()) || !FileExists(path))) {
        Regular_ = Changes().State().RegularList(Regional_);
        ReadRegular_ = ListChanges::ReferenceOf(Regular_);
        RegularFromFile_ = false;
        NotRead_.remove(path);
        RegularUnreadable_ = false;
        return;
    }
    if (HasLogs())
        ReadRegular_.clear();
    ReadFromFileAt(saidAll, RegularFromFile_);
    // Until the read succeeds.
    RegularUnreadable_ = true;
    if (!FileExists(path)) {
        NotRead_.remove(path);
        RegularUnreadable_ = false;
        return;
    }
    const QByteArray bytes = ReadListFile(path);
    try {
        ListFiles::ParseRegular(bytes, Regular_);
    } catch (const QelError &error) {
        RememberDamaged(path, error.Message());
    }
    RegularUnreadable_ = false;
}

void BookManager::RememberDamaged(const QString &path, const QString &message)
{
    QString kept = Damaged_.value(path);
    if (kept.isEmpty()) {
        kept = KeptNameFor(path);
        Damaged_.insert(path, kept);
    }
    throw QelError(message + QStringLiteral("\n\nDie Datei \"%1\" ist beschädigt. Sie wird nicht überschrieben: "
                                            "Vor dem nächsten Speichern wird sie als \"%2\" aufbewahrt.")
                                 .arg(QDir::toNativeSeparators(path), QFileInfo(kept).fileName()));
}

QString BookManager::KeptNameFor(const QString &path) const
{
    // The suffix keeps the copy out of the book scan and the backup.
    QString kept = path + QStringLiteral(".defekt");
    for (int n = 2; QFileInfo::exists(kept); ++n)
        kept = path + QStringLiteral(".defekt-%1").arg(n);
    return kept;
}

void BookManager::PrepareListFile(const QString &path)
{
    if (ReadOnly_)
        throw QelError(LookOnlyMessage());
    // The list in memory holds nothing of such a file: writing would replace its bookings.
    if (NotRead_.contains(path) && FileExists(path)) {
        throw QelError(QStringLiteral("Die Datei \"%1\" wurde nicht gelesen und wird deshalb nicht überschrieben. "
                                      "Die Änderungen sind nicht gespeichert.")
                           .arg(QDir::toNativeSeparators(path)));
    }
    const auto damaged = Damaged_.constFind(path);
    if (damaged != Damaged_.cend() && FileExists(path)) {
        QString kept = damaged.value();
        if (QFileInfo::exists(kept))
            kept = KeptNameFor(path);
        if (!QFile::copy(path, kept)) {
            throw QelError(QStringLiteral("Die beschädigte Datei \"%1\" konnte nicht als \"%2\" aufbewahrt werden "
                                          "und wird deshalb nicht überschrieben.")
                               .arg(QDir::toNativeSeparators(path), QFileInfo(kept).fileName()));
        }
    }
}

void BookManager::ListFileWritten(const QString &path, const QByteArray &bytes)
{
    Q_UNUSED(bytes);
    FilesChanged_ = true;
    Damaged_.remove(path);
}

void BookManager::WriteListFile(const QString &path, const QByteArray &bytes)
{
    PrepareListFile(path);
    ListFiles::WriteFile(path, bytes);
    ListFileWritten(path, bytes);
}

bool IsValidBookName(const QString &name)
{
    const QString month = BookMonthWord(name);
    const QString year = BookYear(name);
    if (name.size() < 6 || name.at(name.size() - 5) != u' ' || !MonthNames().contains(month))
        return false;
    for (const QChar ch : year) {
        if (ch < u'0' || ch > u'9')
            return false;
    }
    return true;
}
