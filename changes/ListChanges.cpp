#include "changes/ListChanges.h"

#include "ledger/GroupName.h"
#include "changes/DerivedFiles.h"

#include <QSet>

namespace ListChanges {

namespace {

ListRow Bare(const ListRow &row)
{
    ListRow bare = row;
    bare.Id.clear();
    bare.Base.clear();
    return bare;
}

} // namespace

QByteArray RowRef(const ListRow &row)
{
    return row.Id + '\n' + row.Base;
}

Reference ReferenceOf(const BookingList &list)
{
    Reference reference;
    reference.reserve(list.RowCount());
    for (const ListRow &row : list.Rows()) {
        if (!row.Id.isEmpty())
            reference.insert(RowRef(row), Bare(row));
    }
    return reference;
}

void Bind(const BookingList &fromLogs, BookingList &fromFile)
{
    const QList<ListRow> &logged = fromLogs.Rows();
    QList<bool> taken(logged.size(), false);
    QList<qsizetype> unbound;
    for (qsizetype i = 0; i < fromFile.RowCount(); ++i) {
        if (i < logged.size() && fromFile.Row(i) == logged.at(i)) {
            fromFile.MutableRow(i).Id = logged.at(i).Id;
            fromFile.MutableRow(i).Base = logged.at(i).Base;
            taken[i] = true;
        } else {
            unbound.append(i);
        }
    }
    if (unbound.isEmpty())
        return;
    QMultiHash<QString, qsizetype> byCaption;
    for (qsizetype j = logged.size() - 1; j >= 0; --j) {
        if (!taken.at(j))
            byCaption.insert(logged.at(j).Caption, j);
    }
    for (const qsizetype i : std::as_const(unbound)) {
        ListRow &row = fromFile.MutableRow(i);
        for (auto it = byCaption.find(row.Caption); it != byCaption.end() && it.key() == row.Caption; ++it) {
            if (!taken.at(*it) && row == logged.at(*it)) {
                taken[*it] = true;
                row.Id = logged.at(*it).Id;
                row.Base = logged.at(*it).Base;
                break;
            }
        }
    }
}

QList<QByteArray> Diff(const Reference &reference, const BookingList &list, const QString &book,
                       const QByteArray &entryName, qsizetype &next, ChangeEntry &entry)
{
    const ListKind kind = list.Kind();
    QList<QByteArray> ids;
    ids.reserve(list.RowCount());
    QSet<QByteArray> kept;
    for (const ListRow &row : list.Rows()) {
        const QByteArray ref = RowRef(row);
        const auto was = row.Id.isEmpty() || kept.contains(ref) ? reference.cend() : reference.constFind(ref);
        if (was == reference.cend()) {
            // New, or a copy of a row that is there already; a new row may bring the id the
            // caller gave it.
            const bool given = !row.Id.isEmpty() && row.Base.isEmpty() && !reference.contains(ref) && !kept.contains(ref);
            const QByteArray id = given ? row.Id : NewBookingId(entryName, next++);
            if (given)
                kept.insert(ref);
            entry.Bookings.append({id, {}, {}, BookingContent{book, kind, Bare(row)}, std::nullopt});
            ids.append(id);
            continue;
        }
        kept.insert(ref);
        ids.append(row.Id);
        if (!(Bare(row) == *was))
            entry.Bookings.append({row.Id, {}, row.Base, BookingContent{book, kind, Bare(row)},
                                   BookingContent{book, kind, *was}});
    }
    for (auto it = reference.cbegin(); it != reference.cend(); ++it) {
        if (kept.contains(it.key()))
            continue;
        const qsizetype cut = it.key().indexOf('\n');
        const QByteArray id = it.key().left(cut);
        const QByteArray base = it.key().mid(cut + 1);
        entry.Bookings.append({id, {}, base, std::nullopt, BookingContent{book, kind, *it}});
    }
    return ids;
}

void BudgetDiff(const BudgetList &before, const BudgetList &after, ChangeEntry &entry)
{
    for (const BudgetEntry &e : after.Entries()) {
        const QString key = GroupNameKey(e.Category);
        const BudgetEntry *was = before.At(key, e.From);
        if (!was || !(*was == e))
            entry.Budgets.append({key, e.From, e, was ? std::optional(*was) : std::nullopt});
    }
    for (const BudgetEntry &e : before.Entries()) {
        const QString key = GroupNameKey(e.Category);
        if (!after.At(key, e.From))
            entry.Budgets.append({key, e.From, std::nullopt, e});
    }
}

void RemovalOf(const QString &book, const BookingList &income, const BookingList &expend, ChangeEntry &entry)
{
    for (const BookingList *list : {&income, &expend}) {
        for (const ListRow &row : list->Rows()) {
            ListRow bare = row;
            bare.Id.clear();
            bare.Base.clear();
            entry.Bookings.append({row.Id, {}, row.Base, std::nullopt, BookingContent{book, list->Kind(), bare}});
        }
    }
}

QStringList FilesOf(const ChangeEntry &entry)
{
    QStringList files;
    const auto add = [&](const QString &book, ListKind list) {
        const QString file = list == ListKind::Regular ? DerivedFiles::RegularFile() : DerivedFiles::BookFile(book);
        if (!files.contains(file))
            files.append(file);
    };
    for (const BookingOp &op : entry.Bookings) {
        if (op.After)
            add(op.After->Book, op.After->List);
        if (op.Before)
            add(op.Before->Book, op.Before->List);
    }
    for (const BookOp &op : entry.Books)
        add(op.Book, ListKind::Income);
    for (const LookOp &op : entry.Looks)
        add(op.Book, op.List);
    for (const OrderOp &op : entry.Orders)
        add(op.Book, op.List);
    if (!entry.Budgets.isEmpty())
        files.append(DerivedFiles::BudgetsFile());
    return files;
}

} // namespace ListChanges
