#pragma once

#include "budget/BudgetFile.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

class BookCache;
class BookingList;
class Regional;
struct OpenBookLists;

// A month's budgets against what was spent. Spent is the month's expense breakdown by category
// exactly as the analysis shows it (SumGroups with the regular expenses, each group to the
// cent), so a budget's figure and the analysis line of its category always agree.

struct BudgetLine
{
    QString Category;
    qint64 Budget = 0;
    qint64 CarryOver = 0; // the previous month's rest, when the budget carries over
    qint64 Available = 0; // Budget + CarryOver
    qint64 Spent = 0;
    qint64 Rest = 0;      // Available - Spent; below zero when overspent

    bool operator==(const BudgetLine &) const = default;
};

// A month's expenses by category (GroupNameKey), in cents as the analysis shows them.
using MonthSpending = QHash<QString, qint64>;
MonthSpending SpentByCategory(const BookingList &expend, const BookingList &regular);

// The lines of the month for each category with a budget then, in the order of the budgets.
// Carry-over runs from the first month of the budget's unbroken run; spent(month) gives a
// month's spending, nothing for a month without a book (nothing spent).
QList<BudgetLine> ComputeBudgetMonth(const BudgetList &budgets, int month,
                                     const std::function<const MonthSpending *(int month)> &spent);

// The BudgetMonth of a book name ("März 2026"); nothing for a name that is no month's.
std::optional<int> BookBudgetMonth(const QString &bookName, const Regional &regional);

// The month of a book from the cache, reading only the books of the months the carry-overs
// reach back to; the open book's lists stand in for its file. Books that cannot be read are
// left out and their messages added to errors. Each book's spending is kept until the cache
// reads the book again or the regular expenses change, so that a report after the scan adds up
// only what changed.
class BudgetCalculator
{
public:
    QList<BudgetLine> Month(BookCache &cache, const BudgetList &budgets, int month, const BookingList &regular,
                            const OpenBookLists &open, QStringList &errors);

private:
    struct Kept
    {
        int ReadNumber = 0;
        MonthSpending Spent;
    };
    const BookCache *Cache_ = nullptr;
    size_t Regular_ = 0;
    QHash<QString, Kept> Kept_; // by book name
};

// A category's budget over a year: what was available and what was spent each month it had a
// budget; empty cells for the months without one.
struct BudgetYearLine
{
    QString Category;
    std::array<std::optional<qint64>, 12> Available;
    std::array<std::optional<qint64>, 12> Spent;
};
// The twelve months of the year, each as BudgetCalculator::Month gives it.
QList<BudgetYearLine> BudgetYear(BudgetCalculator &calculator, BookCache &cache, const BudgetList &budgets, int year,
                                 const BookingList &regular, const OpenBookLists &open, QStringList &errors);

// The same once, keeping nothing.
QList<BudgetLine> BudgetMonthFromCache(BookCache &cache, const BudgetList &budgets, int month,
                                       const BookingList &regular, const OpenBookLists &open, QStringList &errors);

// The lines as a table for the spreadsheet export: Kategorie, Budget, Übertrag, Verfügbar,
// Ausgaben, Rest, amounts as amount text.
BookingList BudgetTable(const QList<BudgetLine> &lines);

// The line of the category's budget (grouped as the analysis groups), when it is overspent.
std::optional<BudgetLine> OverspentLine(const QList<BudgetLine> &lines, const QString &category);
// „Das Budget „Lebensmittel“ ist um 90.00 € überschritten.“
QString OverspentMessage(const BudgetLine &line);
