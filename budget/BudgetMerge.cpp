#include "budget/BudgetMerge.h"

#include "analysis/AnalysisSums.h"
#include "budget/BudgetFile.h"
#include "ledger/QelError.h"

#include <QHash>

#include <optional>

namespace {

// An entry by what names it: the category as grouped and the month.
using Entries = QHash<std::pair<QString, int>, BudgetEntry>;

Entries ByName(const BudgetList &list)
{
    Entries entries;
    for (const BudgetEntry &e : list.Entries())
        entries.insert({GroupNameKey(e.Category), e.From}, e);
    return entries;
}

int Differences(const Entries &a, const Entries &b)
{
    int n = 0;
    for (auto it = a.cbegin(); it != a.cend(); ++it)
        n += b.value(it.key()) == it.value() ? 0 : 1;
    for (auto it = b.cbegin(); it != b.cend(); ++it)
        n += a.contains(it.key()) ? 0 : 1;
    return n;
}

// The newest noted versions are enough: the other machine started from a recent one.
constexpr qsizetype SearchedVersions = 50;

} // namespace

MergeOutcome MergeBudgetFiles(const QByteArray &ours, const QByteArray &theirs, const VersionHistory &history)
{
    const BudgetList ourList = BudgetList::Parse(ours);
    const Entries mine = ByName(ourList);
    const Entries other = ByName(BudgetList::Parse(theirs));

    std::optional<Entries> base;
    int nearest = 0;
    for (qsizetype i = history.Count - 1; i >= 0 && i >= history.Count - SearchedVersions; --i) {
        Entries version;
        try {
            version = ByName(BudgetList::Parse(history.Read(i)));
        } catch (const QelError &) {
            continue; // a damaged note only makes the merge less sure
        }
        const int distance = Differences(version, other);
        if (!base || distance < nearest) {
            base = std::move(version);
            nearest = distance;
        }
    }

    // Ours first, in its order, then what only the other side has.
    BudgetList merged = ourList;
    MergeOutcome outcome;
    for (auto it = other.cbegin(); it != other.cend(); ++it) {
        const std::optional<BudgetEntry> was = base && base->contains(it.key()) ? std::optional(base->value(it.key())) : std::nullopt;
        if (!mine.contains(it.key())) {
            // Removed here after the other machine saw it: it stays removed.
            if (was && *was == it.value())
                continue;
            merged.Put(it.value());
            ++outcome.Added;
        } else if (mine.value(it.key()) != it.value() && was && *was == mine.value(it.key())) {
            merged.Put(it.value());
            ++outcome.Changed;
        }
    }
    for (auto it = mine.cbegin(); it != mine.cend(); ++it) {
        // Removed there, unchanged here since the other machine saw it.
        if (!other.contains(it.key()) && base && base->contains(it.key()) && base->value(it.key()) == it.value()) {
            merged.Erase(it.key().first, it.key().second);
            ++outcome.Removed;
        }
    }
    outcome.Bytes = merged.Bytes();
    return outcome;
}
