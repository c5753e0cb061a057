#include "sync/LegacyAdoption.h"

#include "ledger/GroupName.h"
#include "changes/ChangeStore.h"
#include "changes/DerivedFiles.h"
#include "changes/ListChanges.h"
#include "ledger/Regional.h"

#include <QHash>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace LegacyAdoption {

namespace {

QByteArray RowKey(const ListRow &row)
{
    QByteArray key = row.Caption.toUtf8();
    for (int i = 0; i < row.SubItems.size(); ++i)
        key += '\x1f' + row.SubItems.at(i).toUtf8() + '\x1d' + QByteArray::number(row.SubItemImage(i));
    key += '\x1e' + QByteArray::number(row.ImageIndex) + ',' + QByteArray::number(row.StateIndex) + ','
           + QByteArray::number(row.OverlayIndex) + ',' + QByteArray::number(row.Data);
    return key;
}

QByteArray RevFor(const QByteArray &id, const QByteArray &base, const QByteArray &fileHash, char what)
{
    return "h" + ChangeStore::HashOf(QByteArray(id + '\n' + base + '\n' + fileHash + '\n' + what));
}

BookingContent ContentOf(const QString &book, ListKind list, const ListRow &row)
{
    BookingContent content{book, list, row};
    content.Row.Id.clear();
    content.Row.Base.clear();
    return content;
}

void ListOps(const LedgerState &state, const QString &book, const BookingList &file, const BookingList &now,
             const QByteArray &fileHash, bool addOnly, ChangeEntry &entry, Removed *revive)
{
    const ListKind list = file.Kind();
    QHash<QByteArray, QList<const ListRow *>> inFile;
    QList<QByteArray> order;
    for (const ListRow &row : file.Rows()) {
        const QByteArray key = RowKey(row);
        if (!inFile.contains(key))
            order.append(key);
        inFile[key].append(&row);
    }
    QHash<QByteArray, QList<const ListRow *>> inState;
    for (const ListRow &row : now.Rows()) {
        const QByteArray key = RowKey(row);
        if (!inFile.contains(key) && !inState.contains(key))
            order.append(key);
        inState[key].append(&row);
    }
    // Which of the file's rows are new: of each content, those beyond what the state holds,
    // each with the first id of that content that is free. They go in in the file's order.
    QHash<const ListRow *, BookingOp> added;
    QHash<const ListRow *, QByteArray> kept; // the file's rows the state holds, by their booking
    for (const QByteArray &key : std::as_const(order)) {
        const QList<const ListRow *> fileRows = inFile.value(key);
        QList<const ListRow *> stateRows = inState.value(key);
        std::sort(stateRows.begin(), stateRows.end(), [](const ListRow *a, const ListRow *b) {
            return a->Id != b->Id ? a->Id < b->Id : a->Base < b->Base;
        });
        for (qsizetype i = 0; i < std::min(fileRows.size(), stateRows.size()); ++i)
            kept.insert(fileRows.at(i), stateRows.at(i)->Id);
        if (fileRows.size() > stateRows.size()) {
            qsizetype missing = fileRows.size() - stateRows.size();
            // A booking removed since comes back as itself.
            if (revive) {
                QList<LedgerState::Version> &gone = (*revive)[LedgerState::ListKey(book, list)];
                const BookingContent wanted = ContentOf(book, list, *fileRows.front());
                for (qsizetype g = 0; g < gone.size() && missing > 0;) {
                    if (!(gone.at(g).Content == wanted)) {
                        ++g;
                        continue;
                    }
                    const LedgerState::Version back = gone.takeAt(g);
                    const ListRow *row = fileRows.at(fileRows.size() - missing);
                    added.insert(row, {back.Id, RevFor(back.Id, back.Rev, fileHash, '+'), back.Rev,
                                       ContentOf(book, list, *row), std::nullopt});
                    --missing;
                }
            }
            for (int occurrence = 0; missing > 0; ++occurrence) {
                const QByteArray id = ContentId(book, list, *fileRows.front(), occurrence);
                if (!state.Versions(id).isEmpty())
                    continue;
                // A booking of this content removed before comes back under its id.
                const QList<QByteArray> heads = state.HeadRevs(id);
                const QByteArray base = heads.isEmpty() ? QByteArray() : heads.back();
                const ListRow *row = fileRows.at(fileRows.size() - missing);
                added.insert(row, {id, RevFor(id, base, fileHash, '+'), base, ContentOf(book, list, *row), std::nullopt});
                --missing;
            }
        } else if (fileRows.size() < stateRows.size() && !addOnly) {
            // The newest go; which ones is the same on every computer.
            for (qsizetype i = fileRows.size(); i < stateRows.size(); ++i) {
                const ListRow &row = *stateRows.at(i);
                entry.Bookings.append({row.Id, RevFor(row.Id, row.Base, fileHash, '-'), row.Base, std::nullopt,
                                       ContentOf(book, list, row)});
            }
        }
    }
    QList<QByteArray> ids;
    QSet<QString> captions;
    bool equalCaptions = false;
    // Bookings that are all new stand in the order they came, which is the file's.
    bool allNew = kept.isEmpty();
    for (const ListRow &row : file.Rows()) {
        const auto op = added.constFind(&row);
        if (op != added.cend()) {
            entry.Bookings.append(*op);
            ids.append(op->Id);
            allNew = allNew && op->Base.isEmpty();
        } else {
            ids.append(kept.value(&row));
        }
        if (captions.contains(row.Caption))
            equalCaptions = true;
        captions.insert(row.Caption);
    }
    // Bookings of one date stand as the file has them.
    if (!addOnly && equalCaptions && !allNew)
        entry.Orders.append({book, list, ids});
    if (!addOnly && DerivedFiles::SkeletonOf(file) != state.Skeleton(book, list))
        entry.Looks.append({book, list, DerivedFiles::SkeletonOf(file)});
}

} // namespace

QByteArray ContentId(const QString &book, ListKind list, const ListRow &row, int occurrence)
{
    return "h" + ChangeStore::HashOf(QByteArray(book.toUtf8() + '\n' + QByteArray::number(int(list)) + '\n'
                                                + RowKey(row) + '\n' + QByteArray::number(occurrence)));
}

void BookOps(const LedgerState &state, const QString &book, const BookingList &income, const BookingList &expend,
             const QByteArray &fileHash, bool addOnly, ChangeEntry &entry, Removed *revive)
{
    BookingList nowIncome(ListKind::Income);
    BookingList nowExpend(ListKind::Expend);
    state.BookLists(book, Regional(), nowIncome, nowExpend);
    if (!state.BookExists(book))
        entry.Books.append({book, true});
    ListOps(state, book, income, nowIncome, fileHash, addOnly, entry, revive);
    ListOps(state, book, expend, nowExpend, fileHash, addOnly, entry, revive);
}

void RegularOps(const LedgerState &state, const BookingList &regular, const QByteArray &fileHash, bool addOnly,
                ChangeEntry &entry, Removed *revive)
{
    ListOps(state, QString(), regular, state.RegularList(Regional()), fileHash, addOnly, entry, revive);
}

void BudgetOps(const LedgerState &state, const BudgetList &budgets, bool addOnly, ChangeEntry &entry)
{
    const BudgetList now = state.Budgets();
    if (!addOnly) {
        ListChanges::BudgetDiff(now, budgets, entry);
        return;
    }
    // Only what the state lacks: categories and months it has no entry for.
    QList<BudgetEntry> added = now.Entries();
    for (const BudgetEntry &e : budgets.Entries()) {
        if (!now.At(GroupNameKey(e.Category), e.From))
            added.append(e);
    }
    ListChanges::BudgetDiff(now, BudgetList::Of(added), entry);
}

} // namespace LegacyAdoption
