#pragma once

#include "analysis/AnalysisSums.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

class BookCache;
class BookingList;
class Regional;

// The year at a glance: each month as its analysis computes it, added up over the year. All
// figures are whole cents, each month's exactly what the month's analysis shows, so the
// year's sums agree to the cent with the month pages and the book list.

struct YearFigures
{
    qint64 Income = 0;
    qint64 Expense = 0;
    qint64 Result = 0;

    bool operator==(const YearFigures &) const = default;
};

// A month's figure, or nothing for a month without a book.
using MonthCells = std::array<std::optional<qint64>, 12>;

// One category over the year.
struct YearGroup
{
    QString Name;      // as first met in the year
    MonthCells Months; // empty where the month's analysis has no line for it
    qint64 Total = 0;
};

struct YearBreakdown
{
    QList<YearGroup> Groups; // in order of first appearance over the months
    MonthCells MonthSums;    // of each month's cells; empty for a month without a book
    qint64 Total = 0;
};

struct YearOverview
{
    int Year = 0;
    std::array<std::optional<YearFigures>, 12> Months; // empty: no month book
    int BookMonths = 0;
    YearFigures Total;
    std::optional<YearFigures> Average; // over the months with a book, to the nearest cent
    YearBreakdown IncomeByCategory;
    YearBreakdown ExpenseByCategory;
};

// One month book of the year, with its lists as the analysis reads them.
struct YearBook
{
    int Month = 0; // 1 … 12
    const BookingList *Income = nullptr;
    const BookingList *Expend = nullptr;
};

// Each month from its books' totals (ComputeAnalysisTotals: the regular bookings count in
// every month that has a book) and their breakdowns by category (SumGroups), merged over the
// months by the analysis's grouping rule (GroupNameKey). Two books of one month add up.
YearOverview ComputeYearOverview(int year, const QList<YearBook> &books, const BookingList &regular);

// 1 … 12 when the book name is a month of that year, else 0.
int MonthOfYearBook(const QString &bookName, int year, const Regional &regional);

// The open book, whose lists in memory stand in for its file.
struct OpenBookLists
{
    QString Name;
    const BookingList *Income = nullptr;
    const BookingList *Expend = nullptr;
};

// The year from the cache, reading only the year's books that changed. Books that cannot be
// read are left out and their messages added to errors.
YearOverview YearFromCache(BookCache &cache, int year, const BookingList &regular, const OpenBookLists &open,
                           QStringList &errors);

// The overview as a table for the spreadsheet export: the months with their sums, then the
// income and the expense categories by month. Amounts as amount text, "–" for a month without
// a book.
BookingList YearTable(const YearOverview &year);

// "–": a month without a book.
QString NoBookMark();

// The month pages' rule for the year's cents: red when it shows as below zero
// (IsNegativeResult), so never for a figure that shows as 0.00.
bool IsShownNegative(qint64 cents);
