#include "books/HistoryPlayer.h"

#include "changes/ChangeStore.h"
#include "history/BookTrash.h"
#include "books/ChangeHistory.h"
#include "history/HistorySteps.h"
#include "books/BookManager.h"
#include "ledger/QelError.h"

#include <QDateTime>

using namespace Qt::StringLiterals;

namespace {

QString LeftText(const BookingContent &content)
{
    return HistorySteps::BookingText({content.Book, content.List, std::nullopt, content.Row}, content.Row)
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

HistoryPlayer::HistoryPlayer(BookManager &books)
    : Books_(books)
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

ChangeEntry HistoryPlayer::Inverse(const ChangeEntry &of, EntryKind kind, qint64 target, PlayOutcome &outcome) const
{
    const LedgerState &state = Books_.Changes().State();
    ChangeEntry entry;
    entry.Kind = kind;
    entry.Target = target;
    entry.Text = outcome.Text;
    for (qsizetype i = of.Bookings.size(); i-- > 0;) {
        const BookingOp &op = of.Bookings.at(i);
        // As the step left it: that content (or removed), and nothing beside it. An undo of a
        // later step may have brought it back to that; anything else is a change since.
        const QList<QByteArray> heads = state.HeadRevs(op.Id);
        const QList<LedgerState::Version> live = state.Versions(op.Id);
        const bool stands = op.After ? heads.size() == 1 && live.size() == 1 && live.front().Content == *op.After
                                     : live.isEmpty() && !heads.isEmpty();
        if (stands)
            entry.Bookings.append({op.Id, {}, op.After ? live.front().Rev : heads.back(), op.Before, op.After});
        else if (const std::optional<BookingContent> &shown = op.After ? op.After : op.Before)
            outcome.Left.append(LeftText(*shown));
    }
    QSet<QByteArray> going;
    for (const BookingOp &op : std::as_const(entry.Bookings)) {
        if (!op.After)
            going.insert(op.Id);
    }
    for (const BookOp &op : of.Books) {
        entry.Books.append({op.Book, !op.Exists});
        if (!op.Exists)
            continue;
        // A book made by the step stays while bookings that the step did not bring are in it.
        BookingList income(ListKind::Income);
        BookingList expend(ListKind::Expend);
        state.BookLists(op.Book, Books_.RegionalSettings(), income, expend);
        const auto stays = [&](const BookingList &list) {
            return std::any_of(list.Rows().cbegin(), list.Rows().cend(),
                               [&](const ListRow &row) { return !going.contains(row.Id); });
        };
        if (stays(income) || stays(expend))
            outcome.Left.append(u"Haushaltsbuch „%1“ bleibt: es hat inzwischen Buchungen"_s.arg(op.Book));
    }
    for (const BudgetOp &op : of.Budgets) {
        if (state.BudgetAt(op.Key, op.From) == op.After)
            entry.Budgets.append({op.Key, op.From, op.Before, op.After});
        else if (const std::optional<BudgetEntry> &shown = op.After ? op.After : op.Before)
            outcome.Left.append(u"Budget „%1“ – seither geändert"_s.arg(shown->Category));
    }
    for (const DocumentOp &op : of.Documents) {
        if (state.HasDocument(op.Booking, op.Document) == op.Attached)
            entry.Documents.append({op.Booking, op.Document, op.Name, !op.Attached});
        else
            outcome.Left.append(u"Beleg „%1“ – seither geändert"_s.arg(op.Name));
    }
    return entry;
}

std::optional<PlayOutcome> HistoryPlayer::Undo()
{
    Books_.Sync();
    const ChangeStore &store = Books_.Changes();
    const std::optional<qint64> seq = ChangeHistory(store.OwnEntries()).NextUndo();
    if (!seq)
        return std::nullopt;
    const ChangeEntry step = *store.OwnEntry(*seq);
    // Done again since: the ledger stands as the redo left it.
    const ChangeEntry *redo = ChangeHistory::LastRedoOf(store.OwnEntries(), *seq);
    const ChangeEntry doer = redo ? *redo : step;
    PlayOutcome outcome;
    outcome.Text = step.Text;
    Books_.Commit(Inverse(doer, EntryKind::Undo, *seq, outcome));
    // A removed book is back from the logs: its copy in the trash has done its work.
    if (std::any_of(step.Books.cbegin(), step.Books.cend(), [](const BookOp &op) { return !op.Exists; }))
        BookTrash(Books_.Paths()).RemoveExpired(QDateTime::currentDateTime());
    return outcome;
}

std::optional<PlayOutcome> HistoryPlayer::Redo()
{
    Books_.Sync();
    const ChangeStore &store = Books_.Changes();
    const std::optional<qint64> seq = ChangeHistory(store.OwnEntries()).NextRedo();
    if (!seq)
        return std::nullopt;
    const ChangeEntry *undo = ChangeHistory::LastUndoOf(store.OwnEntries(), *seq);
    if (undo == nullptr)
        return std::nullopt;
    const ChangeEntry undone = *undo;
    PlayOutcome outcome;
    outcome.Text = store.OwnEntry(*seq)->Text;
    const ChangeEntry entry = Inverse(undone, EntryKind::Redo, *seq, outcome);
    // A book removed again goes into the trash as a removal puts it there.
    for (const BookOp &op : entry.Books) {
        if (!op.Exists && Books_.BookFileExists(op.Book)) {
            BookTrash trash(Books_.Paths());
            trash.Put(op.Book, QDateTime::currentDateTime());
        }
    }
    Books_.Commit(entry);
    return outcome;
}
