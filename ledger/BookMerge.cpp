#include "ledger/BookMerge.h"

#include "ledger/BookingList.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cstdlib>
#include <optional>
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

// Whether the step from one version to the next shows in the other machine's version: a
// booking it added is there, or a booking it removed is gone. A booking changed (one of a day
// gone, one of that day come) shows by its new form only: the old one may be gone over there
// because it was changed there, too.
bool Shows(const Counts &before, const Counts &after, const Counts &theirs)
{
    QHash<QString, bool> addedShows;   // by day
    QHash<QString, bool> removedShows; // by day
    for (const QString &key : KeysOf({&before, &after})) {
        const int was = before.value(key);
        const int is = after.value(key);
        const QString day = DayOfKey(key);
        if (is > was)
            addedShows[day] = addedShows.value(day) || theirs.value(key) >= is;
        else if (is < was)
            removedShows[day] = removedShows.value(day) || theirs.value(key) <= is;
    }
    for (auto it = addedShows.cbegin(); it != addedShows.cend(); ++it) {
        if (it.value())
            return true;
    }
    for (auto it = removedShows.cbegin(); it != removedShows.cend(); ++it) {
        if (it.value() && !addedShows.contains(it.key()))
            return true;
    }
    return false;
}

// This machine's versions, oldest first, read as counts when first needed (the search for the
// other machine's starting version mostly ends among the newest); one that cannot be read counts
// as empty and tells nothing.
class Versions
{
public:
    Versions(bool regular, const VersionHistory &history)
        : Regular_(regular)
        , History_(history)
        , Counts_(size_t(std::max<qsizetype>(history.Count, 0)))
    {
    }
    size_t Size() const { return Counts_.size(); }
    const Counts &At(size_t i)
    {
        if (!Counts_[i]) {
            try {
                Counts_[i] = CountsOf(Parse(Regular_, History_.Read(qsizetype(i))));
            } catch (const QelError &) {
                Counts_[i] = Counts();
            }
        }
        return *Counts_[i];
    }

private:
    bool Regular_;
    const VersionHistory &History_;
    std::vector<std::optional<Counts>> Counts_;
};

// Which of the versions the other machine started from: the newest whose step shows in theirs.
std::optional<size_t> BaseIndex(Versions &versions, const Counts &theirs)
{
    for (size_t i = versions.Size(); i-- > 0;) {
        if (versions.At(i).isEmpty())
            continue;
        if (Shows(i > 0 ? versions.At(i - 1) : Counts(), versions.At(i), theirs))
            return i;
    }
    return std::nullopt;
}

} // namespace

VersionHistory VersionHistory::Of(const QList<QByteArray> &versions)
{
    return {versions.size(), [versions](qsizetype i) { return versions.at(i); }};
}

MergeOutcome MergeLedgerFile(bool regular, const QByteArray &ours, const QByteArray &theirs,
                             const VersionHistory &history, const Regional &regional)
{
    std::vector<BookingList> lists = Parse(regular, ours);
    const std::vector<BookingList> other = Parse(regular, theirs);
    const Counts mine = CountsOf(lists);
    const Counts their = CountsOf(other);
    Versions versions(regular, history);
    const std::optional<size_t> baseIndex = BaseIndex(versions, their);
    // Without a version of this machine's in theirs, nothing is removed: the bookings both share.
    Counts base;
    if (baseIndex) {
        base = versions.At(*baseIndex);
    } else {
        for (const QString &key : KeysOf({&mine, &their}))
            base[key] = std::min(mine.value(key), their.value(key));
    }
    // Bookings this machine had since then that neither version holds now: changed on both
    // sides when both brought a booking of their day.
    Counts had = base;
    for (size_t i = baseIndex ? *baseIndex : versions.Size(); i < versions.Size(); ++i) {
        for (auto it = versions.At(i).cbegin(); it != versions.At(i).cend(); ++it)
            had[it.key()] = std::max(had.value(it.key()), it.value());
    }

    MergeOutcome outcome;
    Counts merged;
    QHash<QString, int> gainedByDay;
    QHash<QString, int> lostByDay;
    QHash<QString, int> lostOnBothByDay;
    QHash<QString, int> addedHereByDay;
    QHash<QString, int> addedThereByDay;
    for (const QString &key : KeysOf({&mine, &their, &base, &had})) {
        const int o = mine.value(key);
        const int t = their.value(key);
        const int b = base.value(key);
        const int m = std::max(0, o + t - b);
        merged[key] = m;
        const QString day = DayOfKey(key);
        gainedByDay[day] += std::max(0, m - o);
        lostByDay[day] += std::max(0, o - m);
        if (const int h = had.value(key); o < h && t < h)
            lostOnBothByDay[day] += h - std::max(o, t);
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
