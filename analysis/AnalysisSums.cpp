#include "analysis/AnalysisSums.h"

#include "ledger/BookingList.h"
#include "ledger/FuncUnit.h"

#include <QHash>

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
    // Case-folded name -> its group. Adding by the folded name, not the exact one, keeps a
    // row written "miete" from dropping out of the breakdown when "Miete" came first.
    QHash<QString, qsizetype> index;
    const auto add = [&](const ListRow &row) {
        const QString name = row.SubItem(keyColumn);
        const QString folded = name.toCaseFolded();
        auto it = index.constFind(folded);
        if (it == index.cend()) {
            it = index.insert(folded, groups.size());
            groups.append({name, 0.0});
        }
        const QString amount = row.SubItem(0);
        if (!amount.isEmpty())
            groups[*it].Sum += ParseAmount(amount);
    };

    for (const ListRow &row : main.Rows())
        add(row);
    for (const ListRow &row : regular.Rows()) {
        if (row.SubItem(3) == kind)
            add(row);
    }
    return groups;
}
