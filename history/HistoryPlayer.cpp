#include "history/HistoryPlayer.h"

#include "history/BookTrash.h"
#include "history/HistorySteps.h"
#include "history/StepCommit.h"
#include "import/ImportStore.h"
#include "ledger/BookManager.h"
#include "ledger/FuncUnit.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <numeric>

using namespace Qt::StringLiterals;

namespace {

bool SameBooking(const ListRow &a, const ListRow &b)
{
    return a.Caption == b.Caption && a.SubItems == b.SubItems;
}

qsizetype IndexOf(const BookingList &list, const ListRow &row)
{
    const QList<ListRow> &rows = list.Rows();
    const auto found = std::find_if(rows.cbegin(), rows.cend(), [&](const ListRow &r) { return SameBooking(r, row); });
    return found == rows.cend() ? -1 : found - rows.cbegin();
}

// One change applied to its list in the given direction; false when the list no longer holds
// the booking as the step left it.
bool Apply(BookingList &list, const BookingChange &change, bool undo)
{
    const std::optional<ListRow> &from = undo ? change.After : change.Before;
    const std::optional<ListRow> &to = undo ? change.Before : change.After;
    if (!from) {
        list.AddRow(*to);
        return true;
    }
    const qsizetype row = IndexOf(list, *from);
    if (row < 0)
        return false;
    if (to) {
        list.MutableRow(row).Caption = to->Caption;
        list.MutableRow(row).SubItems = to->SubItems;
    } else {
        list.RemoveRow(row);
    }
    return true;
}

QString LeftText(const BookingChange &change, bool undo)
{
    const std::optional<ListRow> &from = undo ? change.After : change.Before;
    return HistorySteps::BookingText(change, from ? *from : *change.Before)
           + u" – seither geändert oder entfernt"_s;
}

} // namespace

QString PlayOutcome::Message(bool undo) const
{
    QString message = (undo ? u"Rückgängig: "_s : u"Wiederhergestellt: "_s) + Text;
    if (!Left.isEmpty()) {
        message += (undo ? u"\nNicht zurückgenommen, weil seither geändert:"_s
                         : u"\nNicht wiederhergestellt, weil seither geändert:"_s);
        for (const QString &left : Left)
            message += u"\n  "_s + left;
    }
    return message;
}

HistoryPlayer::HistoryPlayer(BookManager &books, QString storePath, TransferFileOps *ops)
    : Books_(books)
    , StorePath_(std::move(storePath))
    , Ops_(ops ? *ops : OwnOps_)
{
}

QString HistoryPlayer::NothingToUndoMessage()
{
    return u"Nichts rückgängig zu machen"_s;
}

QString HistoryPlayer::NothingToRedoMessage()
{
    return u"Nichts wiederherzustellen"_s;
}

std::optional<PlayOutcome> HistoryPlayer::Undo(const QDateTime &now)
{
    if (Books_.LookOnly())
        throw QelError(BookManager::LookOnlyMessage());
    const HistoryStep *next = Books_.History().NextUndo();
    if (next == nullptr)
        return std::nullopt;
    HistoryStep step = *next;
    return Play(step, true, now);
}

std::optional<PlayOutcome> HistoryPlayer::Redo(const QDateTime &now)
{
    if (Books_.LookOnly())
        throw QelError(BookManager::LookOnlyMessage());
    const HistoryStep *next = Books_.History().NextRedo();
    if (next == nullptr)
        return std::nullopt;
    HistoryStep step = *next;
    return Play(step, false, now);
}

// What a step's undo or redo does to the ledger, worked out in memory before any file is
// touched: each book's lists read once and changed there, the books that go or come, the
// regular bookings, and the file changes that make it so.
class HistoryPlayer::Work
{
public:
    Work(BookManager &books, TransferFileOps &ops)
        : Files(books.Paths().DataFolder, books.Paths().TransferJournalFolder(), ops)
        , Books_(books)
    {
    }

    struct Lists
    {
        BookingList Income{ListKind::Income};
        BookingList Expend{ListKind::Expend};
        bool Changed = false;
        QByteArray Bytes; // the file as Plan writes it
    };

    // Whether the book is there as the step's changes so far leave it.
    bool Exists(const QString &name) const
    {
        if (Gone_.contains(name))
            return false;
        return Lists_.contains(name) || Books_.FindBook(name) >= 0 || Books_.BookFileExists(name);
    }
    // The book's lists, read at first use (a file that cannot be read throws: nothing is touched).
    Lists &Book(const QString &name)
    {
        auto found = Lists_.find(name);
        if (found == Lists_.end()) {
            found = Lists_.insert(name, Lists());
            Books_.ReadBook(name, found->Income, found->Expend);
            Order_.append(name);
        }
        return *found;
    }
    // A book that comes with no bookings (made again by a redo).
    void Made(const QString &name)
    {
        Gone_.remove(name);
        Lists &lists = Book(name);
        lists.Income.ClearRows();
        lists.Expend.ClearRows();
        lists.Changed = true;
    }
    // The book's file goes (emptied by the step, or into the trash).
    void Goes(const QString &name)
    {
        Gone_.insert(name);
        Files.Remove(Books_.Paths().BookFile(name));
    }
    // The book's file comes back from the trash as it went.
    void Returns(const QString &name, const QString &trashFile)
    {
        std::optional<qint64> modified;
        const QByteArray bytes = ListFiles::ReadFile(trashFile, modified);
        Files.Write(Books_.Paths().BookFile(name), bytes, modified);
        Files.Remove(trashFile);
        Returned_.append(name);
    }
    BookingList &Regular()
    {
        if (!Regular_)
            Regular_ = Books_.Regular();
        return *Regular_;
    }
    void RegularChanged() { RegularChanged_ = true; }

    // Every file change into Files, each list sorted as a save sorts it.
    void Plan()
    {
        const Regional &regional = Books_.RegionalSettings();
        for (const QString &name : std::as_const(Order_)) {
            Lists &lists = Lists_[name];
            if (!lists.Changed || Gone_.contains(name))
                continue;
            lists.Income.SortByCaption(regional);
            lists.Expend.SortByCaption(regional);
            const QString file = Books_.Paths().BookFile(name);
            Books_.PrepareListFile(file);
            lists.Bytes = ListFiles::MonthBookBytes(lists.Income, lists.Expend);
            Files.Write(file, lists.Bytes);
        }
        if (RegularChanged_) {
            Regular_->SortByCaption(regional);
            Books_.PrepareListFile(Books_.Paths().RegularFile());
            RegularBytes_ = ListFiles::RegularBytes(*Regular_);
            Files.Write(Books_.Paths().RegularFile(), RegularBytes_);
        }
    }
    // The book manager's lists, rows and totals as the files now are.
    void Follow(const QDateTime &now)
    {
        for (const QString &name : std::as_const(Order_)) {
            const Lists &lists = Lists_[name];
            if (!lists.Changed || Gone_.contains(name))
                continue;
            Books_.TakeStoredBook(name, lists.Income, lists.Expend, now);
            Books_.ListFileWritten(Books_.Paths().BookFile(name), lists.Bytes);
        }
        for (const QString &name : std::as_const(Gone_))
            Books_.BookFileGone(name);
        for (const QString &name : std::as_const(Returned_))
            Books_.ListBookFile(name);
        if (RegularChanged_) {
            Books_.TakeRegular(*Regular_);
            Books_.ListFileWritten(Books_.Paths().RegularFile(), RegularBytes_);
        }
    }

    StepCommit Files;

private:
    BookManager &Books_;
    QHash<QString, Lists> Lists_;
    QStringList Order_;
    QSet<QString> Gone_;
    QStringList Returned_;
    std::optional<BookingList> Regular_;
    bool RegularChanged_ = false;
    QByteArray RegularBytes_;
};

PlayOutcome HistoryPlayer::Play(HistoryStep &step, bool undo, const QDateTime &now)
{
    PlayOutcome outcome;
    outcome.Text = step.Text;
    LeftBookings_.clear();
    Work work(Books_, Ops_);
    // Bookings leave a book before the book goes, and a book comes before its bookings.
    if (undo) {
        PlayBookings(step, undo, work, outcome);
        PlayBooks(step, undo, now, work, outcome);
        if (const QSet<qint64> rows = ImportRowsToForget(step); !rows.isEmpty())
            work.Files.ForgetImportRows(StorePath_, rows);
    } else {
        PlayBooks(step, undo, now, work, outcome);
        PlayBookings(step, undo, work, outcome);
    }
    work.Plan();
    UndoHistory &history = Books_.History();
    if (!history.File().isEmpty())
        work.Files.Write(history.File(), history.BytesAfter(step, undo));
    work.Files.Commit(undo ? TransferKind::Undo : TransferKind::Redo);
    work.Follow(now);
    history.Adopt(step, undo);
    return outcome;
}

void HistoryPlayer::PlayBookings(const HistoryStep &step, bool undo, Work &work, PlayOutcome &outcome)
{
    // Book by book, in the order the step met them.
    QStringList order;
    QHash<QString, QList<qsizetype>> byBook;
    for (qsizetype i = 0; i < step.Bookings.size(); ++i) {
        const QString &book = step.Bookings.at(i).Book;
        if (!byBook.contains(book))
            order.append(book);
        byBook[book].append(i);
    }
    const auto leave = [&](qsizetype i) {
        outcome.Left.append(LeftText(step.Bookings.at(i), undo));
        LeftBookings_.append(i);
    };
    for (const QString &book : std::as_const(order)) {
        QList<qsizetype> changes = byBook.value(book);
        if (undo)
            std::reverse(changes.begin(), changes.end());
        if (book.isEmpty()) {
            for (const qsizetype i : changes) {
                if (Apply(work.Regular(), step.Bookings.at(i), undo))
                    work.RegularChanged();
                else
                    leave(i);
            }
            continue;
        }
        if (!work.Exists(book)) {
            for (const qsizetype i : changes)
                leave(i);
            continue;
        }
        Work::Lists &lists = work.Book(book);
        for (const qsizetype i : changes) {
            const BookingChange &change = step.Bookings.at(i);
            if (Apply(change.List == ListKind::Income ? lists.Income : lists.Expend, change, undo))
                lists.Changed = true;
            else
                leave(i);
        }
    }
}

void HistoryPlayer::PlayBooks(HistoryStep &step, bool undo, const QDateTime &now, Work &work, PlayOutcome &outcome)
{
    QList<qsizetype> order(step.Books.size());
    std::iota(order.begin(), order.end(), 0);
    if (undo)
        std::reverse(order.begin(), order.end());
    const BookTrash trash(Books_.Paths());
    for (const qsizetype i : std::as_const(order)) {
        BookChange &book = step.Books[i];
        const bool exists = work.Exists(book.Book);
        // Made by the step and undone, or removed by it and done again: the book goes.
        if (book.Created == undo) {
            if (!exists)
                continue;
            if (book.Created) {
                const Work::Lists &lists = work.Book(book.Book);
                if (!lists.Income.IsEmpty() || !lists.Expend.IsEmpty()) {
                    outcome.Left.append(u"Haushaltsbuch „%1“ bleibt: es hat inzwischen Buchungen"_s.arg(book.Book));
                    continue;
                }
            } else {
                // Into the trash byte for byte, with its time of last change.
                const QString file = Books_.Paths().BookFile(book.Book);
                std::optional<qint64> modified;
                const QByteArray bytes = ListFiles::ReadFile(file, modified);
                book.TrashFile = trash.NewFile(book.Book, now);
                work.Files.Write(book.TrashFile, bytes, modified);
            }
            work.Goes(book.Book);
            continue;
        }
        // The book comes (back).
        if (exists) {
            if (!book.Created)
                outcome.Left.append(u"Haushaltsbuch „%1“ gibt es inzwischen wieder; das entfernte bleibt im Papierkorb"_s.arg(book.Book));
            continue;
        }
        if (book.Created) {
            work.Made(book.Book);
            continue;
        }
        if (!QFileInfo::exists(book.TrashFile)) {
            outcome.Left.append(u"Haushaltsbuch „%1“ ist nicht mehr im Papierkorb"_s.arg(book.Book));
            continue;
        }
        work.Returns(book.Book, book.TrashFile);
    }
}

QSet<qint64> HistoryPlayer::ImportRowsToForget(const HistoryStep &step) const
{
    if (step.ImportBatch == 0 || StorePath_.isEmpty() || !QFileInfo::exists(StorePath_))
        return {};
    // The rows still in their books stay known, so a new import does not book them twice.
    QList<ListRow> stayed;
    for (const qsizetype i : std::as_const(LeftBookings_)) {
        if (step.Bookings.at(i).After)
            stayed.append(*step.Bookings.at(i).After);
    }
    ImportStore store(StorePath_);
    QSet<qint64> forget;
    for (const auto &[id, booking] : store.BatchBookings(step.ImportBatch)) {
        const ListRow row = ListRow::Make(booking.DateText, {booking.Amount, booking.Category, booking.Purpose});
        const auto kept =
            std::find_if(stayed.cbegin(), stayed.cend(), [&](const ListRow &r) { return SameBooking(r, row); });
        if (kept != stayed.cend())
            stayed.erase(kept);
        else
            forget.insert(id);
    }
    return forget;
}
