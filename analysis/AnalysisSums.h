#pragma once

#include "ledger/GroupName.h"

#include <QList>
#include <QString>
#include <QStringView>

class BookingList;

// The figures of the analysis pages and the pie: the month's totals and the breakdowns of
// one side by category or purpose. Computed afresh from the lists each time; nothing kept.

struct AnalysisTotals
{
    double TotalIncome = 0;  // income list + regular income
    double TotalExpense = 0; // expense list + regular expense
    double Result = 0;
    double RegularIncome = 0;
    double RegularExpense = 0;
    double RegularResult = 0;
};

// Built from the four list sums as amount texts, so every total adds values already rounded
// to two decimals, as the book list's totals do.
AnalysisTotals ComputeAnalysisTotals(const BookingList &income, const BookingList &expend, const BookingList &regular);

// A result is shown red (and with its sign) when it shows as below zero: the amount rounded
// to two decimals decides, so the -5.55e-17 that 0.30 - 0.10 - 0.20 leaves is a black 0.00.
bool IsNegativeResult(double value);


enum class AnalysisSide { Income, Expense };
enum class GroupKey { Category, Purpose };

struct GroupSum
{
    QString Name; // as first met; may be empty
    double Sum = 0;

    bool operator==(const GroupSum &) const = default;
};

// One line per group name, in order of first appearance: the main list's names first, then
// those met only among the regular rows of the side's kind. Names of one group (SameGroupName)
// are listed under the first form met, and all of their rows add to it. Regular rows
// of the other or of no kind count nowhere; an empty name is a group of its own.
// Linear in the number of rows.
QList<GroupSum> SumGroups(const BookingList &main, const BookingList &regular, AnalysisSide side, GroupKey key);
