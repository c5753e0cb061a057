#include "changes/LedgerState.h"

#include "ledger/ComponentStream.h"
#include "ledger/Regional.h"

#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

constexpr QChar KeySeparator(u'\t');

QString BudgetKey(const QString &key, int from)
{
    return key + KeySeparator + QString::number(from);
}

} // namespace

bool LedgerState::Order::operator<(const Order &other) const
{
    if (Clock != other.Clock)
        return Clock < other.Clock;
    if (Entry != other.Entry)
        return Entry < other.Entry;
    return Index < other.Index;
}

QString LedgerState::ListKey(const QString &book, ListKind list)
{
    return QString::number(int(list)) + KeySeparator + book;
}

void LedgerState::Apply(const ChangeEntry &entry)
{
    qint64 &seen = Seen_[entry.Computer];
    if (entry.Seq <= seen)
        return;
    seen = entry.Seq;
    MaxClock_ = std::max(MaxClock_, entry.Clock);
    const QByteArray name = entry.Name();

    for (qsizetype i = 0; i < entry.Bookings.size(); ++i) {
        const BookingOp &op = entry.Bookings.at(i);
        ApplyBooking(op, op.Rev.isEmpty() ? name : op.Rev, entry, i);
    }
    for (const BookOp &op : entry.Books) {
        Register<bool> &reg = BookRegister_[op.Book];
        if (reg.Takes(entry.Clock, name))
            reg = {entry.Clock, name, op.Exists};
    }
    for (const LookOp &op : entry.Looks) {
        Register<QByteArray> &reg = Looks_[ListKey(op.Book, op.List)];
        if (reg.Takes(entry.Clock, name))
            reg = {entry.Clock, name, op.Skeleton};
    }
    for (const OrderOp &op : entry.Orders) {
        Register<QList<QByteArray>> &reg = Orders_[ListKey(op.Book, op.List)];
        if (reg.Takes(entry.Clock, name))
            reg = {entry.Clock, name, op.Ids};
    }
    for (qsizetype i = 0; i < entry.Budgets.size(); ++i) {
        const BudgetOp &op = entry.Budgets.at(i);
        Register<std::optional<BudgetEntry>> &reg = Budgets_[BudgetKey(op.Key, op.From)];
        if (reg.Takes(entry.Clock, name))
            reg = {entry.Clock, name, op.After};
        // Categories keep the order their entry named them in.
        const Order came{entry.Clock, name, i};
        auto first = BudgetFirst_.find(op.Key);
        if (first == BudgetFirst_.end())
            BudgetFirst_.insert(op.Key, came);
        else if (came < *first)
            *first = came;
    }
    for (const StatementRowOp &op : entry.Rows)
        Rows_.append(op);
    for (qsizetype i = 0; i < entry.Documents.size(); ++i) {
        const DocumentOp &op = entry.Documents.at(i);
        Register<Attachment> &reg = Documents_[op.Booking][op.Document];
        const Order came{entry.Clock, name, i};
        const Order first = reg.Clock < 0 || came < reg.Value.First ? came : reg.Value.First;
        if (reg.Takes(entry.Clock, name))
            reg = {entry.Clock, name, {op.Name, op.Attached, first}};
        else
            reg.Value.First = first;
    }
}

QList<LedgerState::DocumentLink> LedgerState::DocumentsOf(const QByteArray &booking) const
{
    const auto documents = Documents_.constFind(booking);
    if (documents == Documents_.cend())
        return {};
    QList<std::pair<Order, DocumentLink>> links;
    for (auto it = documents->cbegin(); it != documents->cend(); ++it) {
        if (it->Value.Attached)
            links.append({it->Value.First, {booking, it.key(), it->Value.Name}});
    }
    std::sort(links.begin(), links.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    QList<DocumentLink> result;
    for (const auto &link : std::as_const(links))
        result.append(link.second);
    return result;
}

QList<LedgerState::DocumentLink> LedgerState::Documents() const
{
    QList<QByteArray> bookings = Documents_.keys();
    std::sort(bookings.begin(), bookings.end());
    QList<DocumentLink> result;
    for (const QByteArray &booking : std::as_const(bookings))
        result += DocumentsOf(booking);
    return result;
}

bool LedgerState::HasDocument(const QByteArray &booking, const QByteArray &document) const
{
    const auto documents = Documents_.constFind(booking);
    if (documents == Documents_.cend())
        return false;
    const auto reg = documents->constFind(document);
    return reg != documents->cend() && reg->Value.Attached;
}

void LedgerState::ApplyBooking(const BookingOp &op, const QByteArray &rev, const ChangeEntry &entry,
                               qsizetype index)
{
    Record &record = Bookings_[op.Id];
    const bool forked = record.Heads.size() > 1;
    const Order came{entry.Clock, entry.Name(), index};
    if (record.Heads.isEmpty() && record.Superseded.isEmpty())
        record.First = came;
    else if (came < record.First)
        record.First = came;

    // The same revision from another computer (an adoption both made): the earlier one counts.
    for (Head &head : record.Heads) {
        if (head.Rev == rev) {
            if (came < head.Came) {
                head.Came = came;
                head.Clock = entry.Clock;
            }
            return;
        }
    }
    const bool superseded = record.Superseded.contains(rev);
    if (!op.Base.isEmpty() && !record.Superseded.contains(op.Base)) {
        record.Superseded.append(op.Base);
        record.Heads.removeIf([&](const Head &head) { return head.Rev == op.Base; });
    }
    if (!superseded)
        record.Heads.append({rev, entry.Clock, entry.Kind, came, op.After, op.After ? std::nullopt : op.Before});
    Forks_ += qsizetype(record.Heads.size() > 1) - qsizetype(forked);
    Reindex(op.Id, record);
}

QList<const LedgerState::Head *> LedgerState::LiveHeads(const Record &record)
{
    QList<const Head *> live;
    for (const Head &head : record.Heads) {
        if (head.Content)
            live.append(&head);
    }
    std::sort(live.begin(), live.end(), [](const Head *a, const Head *b) {
        return a->Clock != b->Clock ? a->Clock > b->Clock : a->Rev > b->Rev;
    });
    return live;
}

void LedgerState::Reindex(const QByteArray &id, Record &record)
{
    QList<QString> listed;
    for (const Head *head : LiveHeads(record)) {
        const QString key = ListKey(head->Content->Book, head->Content->List);
        if (!listed.contains(key))
            listed.append(key);
    }
    for (const QString &key : std::as_const(record.Listed)) {
        if (!listed.contains(key)) {
            auto ids = ByList_.find(key);
            if (ids != ByList_.end()) {
                ids->remove(id);
                if (ids->isEmpty())
                    ByList_.erase(ids);
            }
        }
    }
    for (const QString &key : std::as_const(listed))
        ByList_[key].insert(id);
    record.Listed = std::move(listed);
}

QStringList LedgerState::Books() const
{
    QSet<QString> books;
    for (auto it = BookRegister_.cbegin(); it != BookRegister_.cend(); ++it) {
        if (it->Value)
            books.insert(it.key());
    }
    for (auto it = ByList_.cbegin(); it != ByList_.cend(); ++it) {
        const QString book = it.key().section(KeySeparator, 1);
        if (!book.isEmpty())
            books.insert(book);
    }
    QStringList sorted(books.cbegin(), books.cend());
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

bool LedgerState::BookExists(const QString &book) const
{
    if (book.isEmpty())
        return false;
    const auto reg = BookRegister_.constFind(book);
    if (reg != BookRegister_.cend() && reg->Value)
        return true;
    return ByList_.contains(ListKey(book, ListKind::Income)) || ByList_.contains(ListKey(book, ListKind::Expend));
}

QByteArray LedgerState::Skeleton(const QString &book, ListKind list) const
{
    const auto reg = Looks_.constFind(ListKey(book, list));
    return reg == Looks_.cend() ? QByteArray() : reg->Value;
}

void LedgerState::FillList(BookingList &list, const QString &book, const Regional &regional) const
{
    list = BookingList(list.Kind());
    // The program's own look, or the one a file brought (kept as it was, alignment included).
    const QByteArray skeleton = Skeleton(book, list.Kind());
    bool own = skeleton.isEmpty();
    if (!own) {
        try {
            ComponentStream::ReadListRecord(skeleton, 0, list);
            list.ClearRows();
        } catch (...) {
            list = BookingList(list.Kind());
            own = true;
        }
    }
    if (own)
        list.SetColumnAlignment(1, ColumnAlignment::Right);

    // A file's order first, then the order the bookings came.
    QHash<QByteArray, qsizetype> position;
    if (const auto order = Orders_.constFind(ListKey(book, list.Kind())); order != Orders_.cend()) {
        position.reserve(order->Value.size());
        for (qsizetype i = 0; i < order->Value.size(); ++i)
            position.insert(order->Value.at(i), i);
    }
    struct Placed
    {
        qsizetype Position;
        Order At;
        ListRow Row;
    };
    QList<Placed> rows;
    const auto ids = ByList_.constFind(ListKey(book, list.Kind()));
    if (ids != ByList_.cend()) {
        rows.reserve(ids->size());
        for (const QByteArray &id : *ids) {
            const Record &record = *Bookings_.constFind(id);
            // Mostly one version: no list of them made.
            if (record.Heads.size() == 1) {
                const Head &head = record.Heads.front();
                if (!head.Content || head.Content->Book != book || head.Content->List != list.Kind())
                    continue;
                ListRow row = head.Content->Row;
                row.Id = id;
                row.Base = head.Rev;
                rows.append({position.value(id, std::numeric_limits<qsizetype>::max()), record.First, std::move(row)});
                continue;
            }
            const QList<const Head *> live = LiveHeads(record);
            for (qsizetype i = 0; i < live.size(); ++i) {
                const Head *head = live.at(i);
                if (head->Content->Book != book || head->Content->List != list.Kind())
                    continue;
                ListRow row = head->Content->Row;
                row.Id = id;
                row.Base = head->Rev;
                rows.append({position.value(id, std::numeric_limits<qsizetype>::max()),
                             i == 0 ? record.First : head->Came, std::move(row)});
            }
        }
    }
    std::sort(rows.begin(), rows.end(), [](const Placed &a, const Placed &b) {
        return a.Position != b.Position ? a.Position < b.Position : a.At < b.At;
    });
    list.ReserveRows(rows.size());
    for (Placed &placed : rows)
        list.AddRow(std::move(placed.Row));
    list.SortByCaption(regional);
}

void LedgerState::BookLists(const QString &book, const Regional &regional, BookingList &income,
                            BookingList &expend) const
{
    income = BookingList(ListKind::Income);
    expend = BookingList(ListKind::Expend);
    FillList(income, book, regional);
    FillList(expend, book, regional);
}

BookingList LedgerState::RegularList(const Regional &regional) const
{
    BookingList regular(ListKind::Regular);
    FillList(regular, QString(), regional);
    return regular;
}

BudgetList LedgerState::Budgets() const
{
    struct Live
    {
        Order First;
        int From;
        const BudgetEntry *Entry;
    };
    QList<Live> live;
    for (auto it = Budgets_.cbegin(); it != Budgets_.cend(); ++it) {
        if (!it->Value)
            continue;
        const QString key = it.key().section(KeySeparator, 0, 0);
        live.append({BudgetFirst_.value(key), it->Value->From, &*it->Value});
    }
    std::sort(live.begin(), live.end(), [](const Live &a, const Live &b) {
        if (a.First < b.First || b.First < a.First)
            return a.First < b.First;
        return a.From < b.From;
    });
    QList<BudgetEntry> entries;
    entries.reserve(live.size());
    for (const Live &entry : std::as_const(live))
        entries.append(*entry.Entry);
    return BudgetList::Of(entries);
}

QList<LedgerState::Version> LedgerState::Versions(const QByteArrayView id) const
{
    QList<Version> versions;
    const auto record = Bookings_.constFind(id.toByteArray());
    if (record == Bookings_.cend())
        return versions;
    for (const Head *head : LiveHeads(*record))
        versions.append({record.key(), head->Rev, *head->Content});
    return versions;
}

bool LedgerState::IsHead(const QByteArray &id, const QByteArray &rev) const
{
    const auto record = Bookings_.constFind(id);
    if (record == Bookings_.cend())
        return false;
    return std::any_of(record->Heads.cbegin(), record->Heads.cend(), [&](const Head &head) { return head.Rev == rev; });
}

bool LedgerState::Knows(const QByteArray &id) const
{
    return Bookings_.contains(id);
}

std::optional<BudgetEntry> LedgerState::BudgetAt(const QString &key, int from) const
{
    const auto reg = Budgets_.constFind(BudgetKey(key, from));
    return reg == Budgets_.cend() ? std::nullopt : reg->Value;
}

QHash<QString, QList<LedgerState::Version>> LedgerState::RemovedByList() const
{
    QHash<QString, QList<Version>> removed;
    for (auto it = Bookings_.cbegin(); it != Bookings_.cend(); ++it) {
        if (it->Heads.isEmpty() || !LiveHeads(*it).isEmpty())
            continue;
        const Head &last = *std::max_element(it->Heads.cbegin(), it->Heads.cend(), [](const Head &a, const Head &b) {
            return a.Rev < b.Rev;
        });
        if (last.Was)
            removed[ListKey(last.Was->Book, last.Was->List)].append({it.key(), last.Rev, *last.Was});
    }
    return removed;
}

QList<QByteArray> LedgerState::HeadRevs(const QByteArray &id) const
{
    QList<QByteArray> revs;
    const auto record = Bookings_.constFind(id);
    if (record != Bookings_.cend()) {
        for (const Head &head : record->Heads)
            revs.append(head.Rev);
    }
    std::sort(revs.begin(), revs.end());
    return revs;
}

QList<LedgerState::Conflict> LedgerState::Conflicts() const
{
    QList<Conflict> conflicts;
    for (auto it = Bookings_.cbegin(); it != Bookings_.cend(); ++it) {
        if (it->Heads.size() < 2)
            continue;
        const QList<const Head *> live = LiveHeads(*it);
        if (live.isEmpty())
            continue; // removed on both: nothing to tell
        Conflict conflict;
        conflict.Id = it.key();
        for (const Head *head : live)
            conflict.Kept.append(*head->Content);
        conflict.RemovedToo = live.size() < it->Heads.size();
        conflicts.append(std::move(conflict));
    }
    std::sort(conflicts.begin(), conflicts.end(), [](const Conflict &a, const Conflict &b) { return a.Id < b.Id; });
    return conflicts;
}

QSet<QByteArray> LedgerState::ImportedBookings() const
{
    QSet<QByteArray> ids;
    for (const StatementRowOp &row : Rows_)
        ids.insert(row.Booking);
    return ids;
}

IdentityIndex LedgerState::BookedRows() const
{
    IdentityIndex index;
    for (const StatementRowOp &row : Rows_) {
        const auto record = Bookings_.constFind(row.Booking);
        bool booked = record == Bookings_.cend() || record->Heads.isEmpty();
        if (!booked) {
            for (const Head &head : record->Heads) {
                // Taken back by an undo or a restore: the row may come again.
                if (head.Content || (head.Kind != EntryKind::Undo && head.Kind != EntryKind::Restore))
                    booked = true;
            }
        }
        if (booked)
            index.Add(row.Identity);
    }
    return index;
}
