#include "analysis/AnalysisSums.h"

#include "ledger/BookingList.h"
#include "ledger/FuncUnit.h"

#include <QHash>

namespace {

// A group name as the breakdown compares it: letter case ignored, character by character.
// Views into the rows' own texts, so a row costs no copy; a name whose folding changes its
// length (ß -> ss) is viewed in its fully folded form instead.
struct FoldedName
{
    QStringView Text;
};

bool operator==(FoldedName a, FoldedName b)
{
    if (a.Text.size() != b.Text.size())
        return false;
    for (qsizetype i = 0; i < a.Text.size(); ++i) {
        if (a.Text[i] != b.Text[i] && a.Text[i].toCaseFolded() != b.Text[i].toCaseFolded())
            return false;
    }
    return true;
}

size_t qHash(FoldedName name, size_t seed = 0)
{
    size_t hash = seed ^ 0xcbf29ce484222325ULL;
    for (const QChar c : name.Text)
        hash = (hash ^ c.toCaseFolded().unicode()) * 0x100000001b3ULL;
    return hash;
}

// Folding character by character is the whole folding for Latin-1 but for "ß"; other
// characters (the capital sharp s, ligatures, Greek with iota) may fold to several.
bool NeedsFullFolding(QStringView name)
{
    for (const QChar c : name) {
        if (c.unicode() > 0xFF || c.unicode() == 0xDF)
            return true;
    }
    return false;
}

// Full folding: "ẞ" -> "ß" -> "SS" -> "ss", "ﬀ" -> "FF" -> "ff", "İ" -> "i̇".
QString FullyFolded(QStringView name)
{
    return name.toString().toCaseFolded().toUpper().toLower();
}

const QString &SubItemRef(const ListRow &row, int i)
{
    static const QString none;
    return i < row.SubItems.size() ? row.SubItems.at(i) : none;
}

} // namespace

bool IsNegativeResult(double value)
{
    return FormatAmount(value).startsWith(u'-');
}

QString GroupNameKey(QStringView name)
{
    QString key = NeedsFullFolding(name) ? FullyFolded(name) : name.toString();
    for (QChar &c : key)
        c = c.toCaseFolded();
    return key;
}

bool SameGroupName(QStringView a, QStringView b)
{
    if (!NeedsFullFolding(a) && !NeedsFullFolding(b))
        return FoldedName{a} == FoldedName{b};
    return GroupNameKey(a) == GroupNameKey(b);
}

AnalysisTotals ComputeAnalysisTotals(const BookingList &income, const BookingList &expend, const BookingList &regular)
{
    AnalysisTotals t;
    t.RegularIncome = ParseAmount(RegularIncomeSum(regular));
    t.RegularExpense = ParseAmount(RegularExpenseSum(regular));
    t.TotalIncome = ParseAmount(ListSum(income)) + t.RegularIncome;
    t.TotalExpense = ParseAmount(ListSum(expend)) + t.RegularExpense;
    t.Result = t.TotalIncome - t.TotalExpense;
    t.RegularResult = t.RegularIncome - t.RegularExpense;
    return t;
}

QList<GroupSum> SumGroups(const BookingList &main, const BookingList &regular, AnalysisSide side, GroupKey key)
{
    const int keyColumn = key == GroupKey::Category ? 1 : 2;
    const QString kind = side == AnalysisSide::Income ? IncomeKind() : ExpenseKind();

    QList<GroupSum> groups;
    // One group per name regardless of letter case, and every row of it adds to it: a row
    // written "miete" must not drop out of the breakdown because "Miete" came first.
    QHash<FoldedName, qsizetype> index;
    // Room for a group per row up front, so that a month of distinct purposes never rehashes.
    index.reserve(main.RowCount() + regular.RowCount());
    // The fully folded names that the index views; a QString keeps its characters in place
    // when the list grows.
    QList<QString> folded;
    const auto add = [&](const ListRow &row) {
        const QString &name = SubItemRef(row, keyColumn);
        const bool full = NeedsFullFolding(name);
        if (full)
            folded.append(FullyFolded(name));
        const QStringView key = full ? QStringView(folded.constLast()) : QStringView(name);
        auto it = index.constFind(FoldedName{key});
        if (it == index.cend()) {
            it = index.insert(FoldedName{key}, groups.size());
            groups.append({name, 0.0});
        } else if (full) {
            folded.removeLast(); // the group's first name is the one the index views
        }
        const QString &amount = SubItemRef(row, 0);
        if (!amount.isEmpty())
            groups[*it].Sum += ParseAmount(amount);
    };

    for (const ListRow &row : main.Rows())
        add(row);
    for (const ListRow &row : regular.Rows()) {
        if (SubItemRef(row, 3) == kind)
            add(row);
    }
    return groups;
}
