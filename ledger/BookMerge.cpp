#include "ledger/BookMerge.h"

#include "ledger/BookingList.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <vector>

namespace {

using Counts = QHash<QString, int>;

constexpr QChar Separator(0x1F);

// A file's lists: income and expenses of a month book, or the regular bookings.
std::vector<BookingList> Parse(bool regular, const QByteArray &bytes)
{
    std::vector<BookingList> lists;
    if (regular) {
        lists.emplace_back(ListKind::Regular);
        ListFiles::ParseRegular(bytes, lists[0]);
    } else {
        lists.emplace_back(ListKind::Income);
        lists.emplace_back(ListKind::Expend);
        ListFiles::ParseMonthBook(bytes, lists[0], lists[1]);
    }
    return lists;
}

// The list, then the date: what makes two bookings "of one day".
QString DayOf(size_t list, const ListRow &row)
{
    return QString::number(list) + Separator + row.Caption;
}

QString KeyOf(size_t list, const ListRow &row)
{
    // Amount, category, purpose; and the kind of a regular booking.
    const int texts = row.SubItems.size() > 3 ? 4 : 3;
    QString key = DayOf(list, row);
    for (int i = 0; i < texts; ++i)
        key += Separator + row.SubItem(i);
    return key;
}

QString DayOfKey(const QString &key)
{
    return key.section(Separator, 0, 1);
}

Counts CountsOf(const std::vector<BookingList> &lists)
{
    Counts counts;
    for (size_t l = 0; l < lists.size(); ++l) {
        for (const ListRow &row : lists[l].Rows())
            ++counts[KeyOf(l, row)];
    }
    return counts;
}

QSet<QString> KeysOf(std::initializer_list<const Counts *> all)
{
    QSet<QString> keys;
    for (const Counts *counts : all) {
        for (auto it = counts->cbegin(); it != counts->cend(); ++it)
            keys.insert(it.key());
    }
    return keys;
}

// Whether the step from one version to the next shows in the other machine's version: a booking
// it added is there, or a booking it removed is gone.
bool Shows(const Counts &before, const Counts &after, const Counts &theirs)
{
    for (const QString &key : KeysOf({&before, &after})) {
        const int was = before.value(key);
        const int is = after.value(key);
        if ((is > was && theirs.value(key) >= is) || (is < was && theirs.value(key) <= is))
            return true;
    }
    return false;
}

// The version the other machine started from, as counts; the bookings both versions share when
// none of this machine's versions shows in theirs.
Counts Base(bool regular, const Counts &ours, const Counts &theirs, const QList<QByteArray> &history)
{
    std::vector<Counts> versions;
    for (const QByteArray &bytes : history) {
        try {
            versions.push_back(CountsOf(Parse(regular, bytes)));
        } catch (const QelError &) {
            // A version that cannot be read tells nothing.
        }
    }
    for (size_t i = versions.size(); i-- > 0;) {
        if (Shows(i > 0 ? versions[i - 1] : Counts(), versions[i], theirs))
            return versions[i];
    }
    Counts shared;
    for (const QString &key : KeysOf({&ours, &theirs}))
        shared[key] = std::min(ours.value(key), theirs.value(key));
    return shared;
}

} // namespace

MergeOutcome MergeLedgerFile(bool regular, const QByteArray &ours, const QByteArray &theirs,
                             const QList<QByteArray> &history, const Regional &regional)
{
    std::vector<BookingList> lists = Parse(regular, ours);
    const std::vector<BookingList> other = Parse(regular, theirs);
    const Counts mine = CountsOf(lists);
    const Counts their = CountsOf(other);
    const Counts base = Base(regular, mine, their, history);

    MergeOutcome outcome;
    Counts merged;
    QHash<QString, int> gainedByDay;
    QHash<QString, int> lostByDay;
    QHash<QString, int> lostOnBothByDay;
    QHash<QString, int> addedHereByDay;
    QHash<QString, int> addedThereByDay;
    for (const QString &key : KeysOf({&mine, &their, &base})) {
        const int o = mine.value(key);
        const int t = their.value(key);
        const int b = base.value(key);
        const int m = std::max(0, o + t - b);
        merged[key] = m;
        const QString day = DayOfKey(key);
        gainedByDay[day] += std::max(0, m - o);
        lostByDay[day] += std::max(0, o - m);
        if (o < b && t < b)
            lostOnBothByDay[day] += b - std::max(o, t);
        addedHereByDay[day] += std::max(0, o - b);
        addedThereByDay[day] += std::max(0, t - b);
    }
    for (auto it = gainedByDay.cbegin(); it != gainedByDay.cend(); ++it) {
        const int lost = lostByDay.value(it.key());
        const int changed = std::min(it.value(), lost);
        outcome.Changed += changed;
        outcome.Added += it.value() - changed;
        outcome.Removed += lost - changed;
        outcome.ChangedOnBoth += std::min({lostOnBothByDay.value(it.key()), addedHereByDay.value(it.key()),
                                           addedThereByDay.value(it.key())});
    }
    for (auto it = lostByDay.cbegin(); it != lostByDay.cend(); ++it) {
        if (!gainedByDay.contains(it.key()))
            outcome.Removed += it.value();
    }

    // This machine's rows stay as they are, less what goes, with the other's rows that come.
    for (size_t l = 0; l < lists.size(); ++l) {
        QList<ListRow> rows = lists[l].Rows();
        Counts left = mine;
        for (qsizetype r = rows.size(); r-- > 0;) {
            const QString key = KeyOf(l, rows.at(r));
            if (left.value(key) > merged.value(key)) {
                --left[key];
                rows.removeAt(r);
            }
        }
        for (const ListRow &row : other[l].Rows()) {
            const QString key = KeyOf(l, row);
            if (left.value(key) < merged.value(key)) {
                ++left[key];
                rows.append(row);
            }
        }
        lists[l].ClearRows();
        for (const ListRow &row : std::as_const(rows))
            lists[l].AddRow(row);
        lists[l].SortByCaption(regional);
    }
    outcome.Bytes = regular ? ListFiles::RegularBytes(lists[0]) : ListFiles::MonthBookBytes(lists[0], lists[1]);
    return outcome;
}
