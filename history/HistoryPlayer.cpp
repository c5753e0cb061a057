#include "history/HistoryPlayer.h"

#include "history/BookTrash.h"
#include "history/HistorySteps.h"
#include "import/ImportStore.h"
#include "ledger/BookManager.h"
#include "ledger/FuncUnit.h"
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

HistoryPlayer::HistoryPlayer(BookManager &books, QString storePath)
    : Books_(books)
    , StorePath_(std::move(storePath))
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
    const PlayOutcome outcome = Play(step, true, now);
    Books_.History().Undone(std::move(step));
    return outcome;
}

std::optional<PlayOutcome> HistoryPlayer::Redo(const QDateTime &now)
{
    if (Books_.LookOnly())
        throw QelError(BookManager::LookOnlyMessage());
    const HistoryStep *next = Books_.History().NextRedo();
    if (next == nullptr)
        return std::nullopt;
    HistoryStep step = *next;
    const PlayOutcome outcome = Play(step, false, now);
    Books_.History().Redone(std::move(step));
    return outcome;
}

PlayOutcome HistoryPlayer::Play(HistoryStep &step, bool undo, const QDateTime &now)
{
    PlayOutcome outcome;
    outcome.Text = step.Text;
    LeftBookings_.clear();
    // Bookings leave a book before the book goes, and a book comes before its bookings.
    if (undo) {
        PlayBookings(step, undo, now, outcome);
        PlayBooks(step, undo, now, outcome);
        ForgetImport(step);
    } else {
        PlayBooks(step, undo, now, outcome);
        PlayBookings(step, undo, now, outcome);
    }
    return outcome;
}

void HistoryPlayer::PlayBookings(HistoryStep &step, bool undo, const QDateTime &now, PlayOutcome &outcome)
{
    if (step.Bookings.isEmpty())
        return;
    // Book by book, in the order the step met them; each book read and written once.
    QStringList order;
    QHash<QString, QList<qsizetype>> byBook;
    for (qsizetype i = 0; i < step.Bookings.size(); ++i) {
        const QString &book = step.Bookings.at(i).Book;
        if (!byBook.contains(book))
            order.append(book);
        byBook[book].append(i);
    }
    const Regional &regional = Books_.RegionalSettings();
    for (const QString &book : std::as_const(order)) {
        QList<qsizetype> changes = byBook.value(book);
        if (undo)
            std::reverse(changes.begin(), changes.end());
        if (book.isEmpty()) {
            BookingList &regular = Books_.Regular();
            for (const qsizetype i : changes) {
                if (!Apply(regular, step.Bookings.at(i), undo)) {
                    outcome.Left.append(LeftText(step.Bookings.at(i), undo));
                    LeftBookings_.append(i);
                }
            }
            regular.SortByCaption(regional);
            Books_.SaveRegular();
            Books_.SetRegularChanged(false);
            Books_.RefreshTotals();
            continue;
        }
        if (Books_.FindBook(book) < 0 && !Books_.BookFileExists(book)) {
            for (const qsizetype i : changes) {
                outcome.Left.append(LeftText(step.Bookings.at(i), undo));
                LeftBookings_.append(i);
            }
            continue;
        }
        BookingList income(ListKind::Income);
        BookingList expend(ListKind::Expend);
        Books_.ReadBook(book, income, expend);
        bool changed = false;
        for (const qsizetype i : changes) {
            const BookingChange &change = step.Bookings.at(i);
            if (Apply(change.List == ListKind::Income ? income : expend, change, undo)) {
                changed = true;
            } else {
                outcome.Left.append(LeftText(change, undo));
                LeftBookings_.append(i);
            }
        }
        if (!changed)
            continue;
        income.SortByCaption(regional);
        expend.SortByCaption(regional);
        Books_.StoreBook(book, income, expend, now);
    }
}

void HistoryPlayer::PlayBooks(HistoryStep &step, bool undo, const QDateTime &now, PlayOutcome &outcome)
{
    QList<qsizetype> order(step.Books.size());
    std::iota(order.begin(), order.end(), 0);
    if (undo)
        std::reverse(order.begin(), order.end());
    BookTrash trash(Books_.Paths());
    for (const qsizetype i : std::as_const(order)) {
        BookChange &book = step.Books[i];
        const bool exists = Books_.FindBook(book.Book) >= 0 || Books_.BookFileExists(book.Book);
        // Made by the step and undone, or removed by it and done again: the book goes.
        if (book.Created == undo) {
            if (!exists)
                continue;
            if (book.Created) {
                BookingList income(ListKind::Income);
                BookingList expend(ListKind::Expend);
                Books_.ReadBook(book.Book, income, expend);
                if (!income.IsEmpty() || !expend.IsEmpty()) {
                    outcome.Left.append(u"Haushaltsbuch „%1“ bleibt: es hat inzwischen Buchungen"_s.arg(book.Book));
                    continue;
                }
                Books_.DiscardBook(book.Book);
            } else {
                book.TrashFile = trash.Put(book.Book, now).File;
                Books_.ForgetBook(book.Book);
            }
            continue;
        }
        // The book comes (back).
        if (exists) {
            if (!book.Created)
                outcome.Left.append(u"Haushaltsbuch „%1“ gibt es inzwischen wieder; das entfernte bleibt im Papierkorb"_s.arg(book.Book));
            continue;
        }
        if (book.Created) {
            BookingList income(ListKind::Income);
            BookingList expend(ListKind::Expend);
            Books_.ReadBook(book.Book, income, expend);
            Books_.StoreBook(book.Book, income, expend, now);
            continue;
        }
        if (!QFileInfo::exists(book.TrashFile)) {
            outcome.Left.append(u"Haushaltsbuch „%1“ ist nicht mehr im Papierkorb"_s.arg(book.Book));
            continue;
        }
        TrashedBook trashed;
        trashed.Name = book.Book;
        trashed.File = book.TrashFile;
        trash.Restore(trashed);
        Books_.ListBookFile(book.Book);
    }
}

void HistoryPlayer::ForgetImport(const HistoryStep &step)
{
    if (step.ImportBatch == 0 || StorePath_.isEmpty() || !QFileInfo::exists(StorePath_))
        return;
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
    store.Forget(forget);
}
