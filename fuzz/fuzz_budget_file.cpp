// Budgets.dat from outside bytes: what reads must write back to the same entries and the same
// bytes, and a month of it computes without overflow.

#include "FuzzCommon.h"

#include "budget/BudgetFile.h"
#include "analysis/BudgetReport.h"
#include "ledger/Cents.h"
#include "ledger/QelError.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    BudgetList budgets;
    try {
        budgets = BudgetList::Parse(fuzz::Bytes(data, size));
    } catch (const QelError &) {
        return 0;
    }
    const QByteArray bytes = budgets.Bytes();
    if (BudgetList::Parse(bytes).Entries() != budgets.Entries() || BudgetList::Parse(bytes).Bytes() != bytes)
        fuzz::Fail("the budgets did not read back as written");

    // Every category overspent by the most a month can show, in every month of the run.
    MonthSpending spent;
    for (const QString &key : budgets.Keys())
        spent.insert(key, MaxCents);
    for (const BudgetEntry &entry : budgets.Entries()) {
        for (const BudgetLine &line : ComputeBudgetMonth(budgets, entry.From + 1, [&](int) { return &spent; })) {
            if (line.Rest < -MaxCents || line.Rest > MaxCents || line.Available < -MaxCents || line.Available > MaxCents)
                fuzz::Fail("a budget line left the bounds of cents");
        }
    }

    return 0;
}
