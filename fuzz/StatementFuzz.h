#pragma once

#include "FuzzCommon.h"

#include "statements/Statement.h"
#include "statements/StatementText.h"

#include <QSet>

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
        if (!row.BookingDate.isValid() && !row.Pending)
            Fail("booked row without booking date in line", QString::number(row.Line));
        if (row.Currency.isEmpty())
            Fail("row without currency in line", QString::number(row.Line));
    }
    // A line of a table ends in one outcome: a row or a reason, never both, never twice.
    QSet<int> lines;
    for (const StatementRow &row : statement.Rows) {
        if (!statement.Skipped.isEmpty() && (row.Line <= 0 || lines.contains(row.Line)))
            Fail("row without its own line:", QString::number(row.Line));
        lines.insert(row.Line);
    }
    for (const SkippedLine &line : statement.Skipped) {
        if (line.Line <= 0 || lines.contains(line.Line))
            Fail("line accounted for twice or not at all:", QString::number(line.Line));
        if ((line.Reason == LineSkip::Unreadable) == line.Why.isEmpty())
            Fail("unreadable line without its reason, or a reason without it:", QString::number(line.Line));
        lines.insert(line.Line);
    }
}

} // namespace fuzz
