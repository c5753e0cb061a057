#pragma once

#include "FuzzCommon.h"

#include "statements/Statement.h"
#include "statements/StatementText.h"

namespace fuzz {

// What every reader promises for any input it does not refuse.
inline void CheckStatement(const StatementReadResult &result)
{
    if (const auto *layout = std::get_if<UnknownCsvLayout>(&result)) {
        if (layout->Sample.size() > 5 || layout->Header.isEmpty())
            Fail("unknown layout without header or with too many sample rows");
        return;
    }
    const Statement &statement = std::get<Statement>(result);
    if (statement.Format.isEmpty())
        Fail("statement without format");
    if (statement.Rows.size() > StatementText::MaxRows)
        Fail("more rows than the limit:", QString::number(statement.Rows.size()));
    for (const StatementRow &row : statement.Rows) {
        if (row.AmountCents < 0 || row.AmountCents > StatementText::MaxAmountCents)
            Fail("amount out of range:", QString::number(row.AmountCents));
        if (!row.BookingDate.isValid())
            Fail("row without booking date in line", QString::number(row.Line));
        if (row.Currency.isEmpty())
            Fail("row without currency in line", QString::number(row.Line));
    }
}

} // namespace fuzz
