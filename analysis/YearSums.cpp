#include "analysis/YearSums.h"

#include "books/BookCache.h"
#include "ledger/BookingList.h"
#include "ledger/Cents.h"
#include "ledger/FuncUnit.h"
#include "ledger/Regional.h"

#include <QHash>

#include <algorithm>

namespace {

void Add(std::optional<qint64> &cell, qint64 cents)
{
    cell = cell.value_or(0) + cents;
}

// To the nearest cent, halves away from zero.
qint64 Average(qint64 total, int count)
{
    const qint64 half = count / 2;
    return total >= 0 ? (total + half) / count : -((-total + half) / count);
}

class BreakdownBuilder
{
public:
    explicit BreakdownBuilder(YearBreakdown &target)
        : Target_(target)
    {
    }

    void AddMonth(int month, const QList<GroupSum> &groups)
    {
        for (const GroupSum &group : groups) {
            const QString key = GroupNameKey(group.Name);
            auto it = Index_.constFind(key);
            if (it == Index_.cend()) {
                it = Index_.insert(key, Target_.Groups.size());
                Target_.Groups.append({group.Name, {}, 0});
            }
            Add(Target_.Groups[*it].Months[month], ShownCents(group.Sum));
        }
    }

    void Finish(const std::array<std::optional<YearFigures>, 12> &months)
    {
        for (int m = 0; m < 12; ++m) {
            if (months[m])
                Target_.MonthSums[m] = 0;
        }
        for (YearGroup &group : Target_.Groups) {
            for (int m = 0; m < 12; ++m) {
                if (group.Months[m]) {
                    group.Total += *group.Months[m];
                    Add(Target_.MonthSums[m], *group.Months[m]);
                }
            }
            Target_.Total += group.Total;
        }
    }

private:
    YearBreakdown &Target_;
    QHash<QString, qsizetype> Index_;
};

} // namespace

bool IsShownNegative(qint64 cents)
{
    return IsNegativeResult(double(cents) / 100);
}

QString NoBookMark()
{
    return QStringLiteral("–");
}

YearOverview ComputeYearOverview(int year, const QList<YearBook> &books, const BookingList &regular)
{
    YearOverview overview;
    overview.Year = year;
    // Categories are listed in the order the months meet them.
    QList<YearBook> ordered = books;
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const YearBook &a, const YearBook &b) { return a.Month < b.Month; });

    BreakdownBuilder income(overview.IncomeByCategory);
    BreakdownBuilder expense(overview.ExpenseByCategory);
    for (const YearBook &book : ordered) {
        if (book.Month < 1 || book.Month > 12)
            continue;
        const int m = book.Month - 1;
        const AnalysisTotals t = ComputeAnalysisTotals(*book.Income, *book.Expend, regular);
        YearFigures &figures = overview.Months[m] ? *overview.Months[m] : overview.Months[m].emplace();
        figures.Income += ShownCents(t.TotalIncome);
        figures.Expense += ShownCents(t.TotalExpense);
        figures.Result += ShownCents(t.Result);
        income.AddMonth(m, SumGroups(*book.Income, regular, AnalysisSide::Income, GroupKey::Category));
        expense.AddMonth(m, SumGroups(*book.Expend, regular, AnalysisSide::Expense, GroupKey::Category));
    }

    for (const std::optional<YearFigures> &month : overview.Months) {
        if (!month)
            continue;
        ++overview.BookMonths;
        overview.Total.Income += month->Income;
        overview.Total.Expense += month->Expense;
        overview.Total.Result += month->Result;
    }
    if (overview.BookMonths > 0) {
        const int n = overview.BookMonths;
        overview.Average = YearFigures{Average(overview.Total.Income, n), Average(overview.Total.Expense, n),
                                       Average(overview.Total.Result, n)};
    }
    income.Finish(overview.Months);
    expense.Finish(overview.Months);
    return overview;
}

int MonthOfYearBook(const QString &bookName, int year, const Regional &regional)
{
    if (BookYear(bookName) != QString::number(year))
        return 0;
    const QString number = MonthNumber(BookMonthWord(bookName), regional);
    return number.isEmpty() ? 0 : number.toInt();
}

YearOverview YearFromCache(BookCache &cache, int year, const BookingList &regular, const OpenBookLists &open,
                           QStringList &errors)
{
    const Regional regional;
    const auto inYear = [&](const QString &name) { return MonthOfYearBook(name, year, regional) > 0; };
    // Only the year's files are looked at: a year needs twelve books, not the whole folder.
    for (const QString &error : cache.Refresh(inYear)) {
        // The regular bookings come from the caller; a damaged Regular.dat is its business.
        if (error != cache.RegularError() && !errors.contains(error))
            errors.append(error);
    }

    QList<YearBook> books;
    bool openListed = false;
    for (const BookCache::Book *book : cache.Books()) {
        const int month = MonthOfYearBook(book->Name, year, regional);
        if (month == 0)
            continue;
        if (book->Name == open.Name && open.Income) {
            books.append({month, open.Income, open.Expend});
            openListed = true;
        } else if (book->Loaded && book->Error.isEmpty()) {
            books.append({month, &book->Income.Rows, &book->Expend.Rows});
        }
    }
    // The open book counts even before its file is there.
    if (!openListed && open.Income && MonthOfYearBook(open.Name, year, regional) > 0)
        books.append({MonthOfYearBook(open.Name, year, regional), open.Income, open.Expend});
    return ComputeYearOverview(year, books, regular);
}

BookingList YearTable(const YearOverview &year)
{
    constexpr int Columns = 14; // a category, twelve months, the year
    BookingList table(ListKind::Books);
    QList<ListColumn> columns;
    for (const char16_t *caption : {u"Monat", u"Einnahmen (€)", u"Ausgaben (€)", u"Ergebnis (€)"})
        columns.append({QString::fromUtf16(caption)});
    while (columns.size() < Columns)
        columns.append({QString()});
    table.SetColumns(columns);

    const auto cell = [](const std::optional<qint64> &cents) { return cents ? CentsText(*cents) : NoBookMark(); };
    const auto figures = [&](const QString &caption, const std::optional<YearFigures> &f) {
        table.AddRow(ListRow::Make(caption, {cell(f ? std::optional(f->Income) : std::nullopt),
                                             cell(f ? std::optional(f->Expense) : std::nullopt),
                                             cell(f ? std::optional(f->Result) : std::nullopt)}));
    };
    for (int m = 0; m < 12; ++m)
        figures(MonthNames().at(m), year.Months[m]);
    figures(QStringLiteral("Summe"), year.Total);
    figures(QStringLiteral("Durchschnitt"), year.Average);

    const auto breakdown = [&](const QString &title, const YearBreakdown &b) {
        table.AddRow(ListRow::Make(QString(), {}));
        QStringList heading = MonthNames();
        heading.append(QStringLiteral("Summe"));
        table.AddRow(ListRow::Make(title, heading));
        for (const YearGroup &group : b.Groups) {
            QStringList cells;
            for (int m = 0; m < 12; ++m)
                cells.append(group.Months[m] ? CentsText(*group.Months[m]) : year.Months[m] ? QString() : NoBookMark());
            cells.append(CentsText(group.Total));
            table.AddRow(ListRow::Make(group.Name, cells));
        }
        QStringList sums;
        for (int m = 0; m < 12; ++m)
            sums.append(cell(b.MonthSums[m]));
        sums.append(CentsText(b.Total));
        table.AddRow(ListRow::Make(QStringLiteral("Summe"), sums));
    };
    breakdown(QStringLiteral("Einnahmen nach Kategorien (€)"), year.IncomeByCategory);
    breakdown(QStringLiteral("Ausgaben nach Kategorien (€)"), year.ExpenseByCategory);
    return table;
}
