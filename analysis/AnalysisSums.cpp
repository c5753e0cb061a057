#include "analysis/AnalysisSums.h"

#include "ledger/BookingList.h"
#include "ledger/FuncUnit.h"
#include "ledger/GroupName.h"

#include <QHash>

namespace {

using namespace GroupNames;

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
