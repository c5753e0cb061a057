#include "analysis/BudgetReport.h"

#include "analysis/AnalysisSums.h"
#include "analysis/YearSums.h"
#include "books/BookCache.h"
#include "ledger/BookingList.h"
#include "ledger/Cents.h"
#include "ledger/FuncUnit.h"
#include "ledger/Regional.h"

#include <algorithm>
#include <map>

using namespace Qt::StringLiterals;

namespace {

// Rests carried over many months of crafted amounts stay within what cents can add.
qint64 Bounded(qint64 cents)
{
    return std::clamp(cents, -MaxCents, MaxCents);
}

} // namespace

MonthSpending SpentByCategory(const BookingList &expend, const BookingList &regular)
{
    MonthSpending spent;
    for (const GroupSum &group : SumGroups(expend, regular, AnalysisSide::Expense, GroupKey::Category))
        spent[GroupNameKey(group.Name)] += ShownCents(group.Sum);
    return spent;
}

QList<BudgetLine> ComputeBudgetMonth(const BudgetList &budgets, int month,
                                     const std::function<const MonthSpending *(int month)> &spent)
{
    QList<BudgetLine> lines;
    for (const QString &key : budgets.Keys()) {
        const std::optional<int> start = budgets.RunStart(key, month);
        if (!start)
            continue;
        BudgetLine line;
        for (int m = *start; m <= month; ++m) {
            const BudgetEntry *entry = budgets.Holding(key, m);
            line.Category = entry->Category;
            const qint64 rest = line.Rest;
            line.Budget = *entry->Cents;
            line.CarryOver = m > *start && entry->CarryOver ? rest : 0;
            line.Available = Bounded(line.Budget + line.CarryOver);
            const MonthSpending *spending = spent(m);
            line.Spent = spending ? spending->value(key) : 0;
            line.Rest = Bounded(line.Available - line.Spent);
        }
        lines.append(line);
    }
    return lines;
}

std::optional<int> BookBudgetMonth(const QString &bookName, const Regional &regional)
{
    const QString year = BookYear(bookName);
    const QString month = MonthNumber(BookMonthWord(bookName), regional);
    if (month.isEmpty() || year.size() != 4 || !std::all_of(year.cbegin(), year.cend(), [](QChar c) { return c.isDigit(); }))
        return std::nullopt;
    return BudgetMonth(year.toInt(), month.toInt());
}

QList<BudgetLine> BudgetMonthFromCache(BookCache &cache, const BudgetList &budgets, int month,
                                       const BookingList &regular, const OpenBookLists &open, QStringList &errors)
{
    return BudgetCalculator().Month(cache, budgets, month, regular, open, errors);
}

QList<BudgetLine> BudgetCalculator::Month(BookCache &cache, const BudgetList &budgets, int month,
                                          const BookingList &regular, const OpenBookLists &open, QStringList &errors)
{
    int first = month;
    for (const QString &key : budgets.Keys()) {
        if (const std::optional<int> start = budgets.RunStart(key, month))
            first = std::min(first, *start);
    }
    const Regional regional;
    const auto inRange = [&](const QString &name) {
        const std::optional<int> m = BookBudgetMonth(name, regional);
        return m && *m >= first && *m <= month;
    };
    for (const QString &error : cache.Refresh(inRange)) {
        // The regular bookings come from the caller; a damaged Regular.dat is its business.
        if (error != cache.RegularError() && !errors.contains(error))
            errors.append(error);
    }

    // What is kept holds for this cache and these regular expenses only.
    size_t regularHash = 0;
    for (const ListRow &row : regular.Rows()) {
        if (row.SubItem(3) == ExpenseKind())
            regularHash = qHashMulti(regularHash, row.SubItem(0), row.SubItem(1));
    }
    if (Cache_ != &cache || Regular_ != regularHash) {
        Kept_.clear();
        Cache_ = &cache;
        Regular_ = regularHash;
    }

    // Two books of one month add up, as in the year overview.
    std::map<int, MonthSpending> spending;
    const auto add = [&](int m, const MonthSpending &spent) {
        MonthSpending &sum = spending[m];
        for (const auto &[key, cents] : spent.asKeyValueRange())
            sum[key] += cents;
    };
    bool openListed = false;
    for (const BookCache::Book *book : cache.Books()) {
        if (!inRange(book->Name))
            continue;
        const int m = *BookBudgetMonth(book->Name, regional);
        if (book->Name == open.Name && open.Expend) {
            // The open book changes in memory, unseen by the cache: computed every time.
            add(m, SpentByCategory(*open.Expend, regular));
            openListed = true;
        } else if (book->Loaded && book->Error.isEmpty()) {
            Kept &kept = Kept_[book->Name];
            if (kept.ReadNumber != book->ReadNumber)
                kept = {book->ReadNumber, SpentByCategory(book->Expend.Rows, regular)};
            add(m, kept.Spent);
        }
    }
    if (!openListed && open.Expend && inRange(open.Name))
        add(*BookBudgetMonth(open.Name, regional), SpentByCategory(*open.Expend, regular));

    return ComputeBudgetMonth(budgets, month, [&](int m) -> const MonthSpending * {
        const auto it = spending.find(m);
        return it == spending.end() ? nullptr : &it->second;
    });
}

QList<BudgetYearLine> BudgetYear(BudgetCalculator &calculator, BookCache &cache, const BudgetList &budgets, int year,
                                 const BookingList &regular, const OpenBookLists &open, QStringList &errors)
{
    QList<BudgetYearLine> lines;
    if (budgets.IsEmpty())
        return lines;
    QHash<QString, qsizetype> index; // by GroupNameKey
    for (int m = 0; m < 12; ++m) {
        for (const BudgetLine &line : calculator.Month(cache, budgets, BudgetMonth(year, m + 1), regular, open, errors)) {
            const QString key = GroupNameKey(line.Category);
            auto it = index.constFind(key);
            if (it == index.cend()) {
                it = index.insert(key, lines.size());
                lines.append({line.Category, {}, {}});
            }
            lines[*it].Available[m] = line.Available;
            lines[*it].Spent[m] = line.Spent;
        }
    }
    return lines;
}

BookingList BudgetTable(const QList<BudgetLine> &lines)
{
    BookingList table(ListKind::Books);
    QList<ListColumn> columns;
    for (const char16_t *caption :
         {u"Kategorie", u"Budget (€)", u"Übertrag (€)", u"Verfügbar (€)", u"Ausgaben (€)", u"Rest (€)"})
        columns.append({QString::fromUtf16(caption)});
    table.SetColumns(columns);
    for (const BudgetLine &l : lines) {
        table.AddRow(ListRow::Make(l.Category, {CentsText(l.Budget), CentsText(l.CarryOver), CentsText(l.Available),
                                                CentsText(l.Spent), CentsText(l.Rest)}));
    }
    return table;
}

std::optional<BudgetLine> OverspentLine(const QList<BudgetLine> &lines, const QString &category)
{
    const QString key = GroupNameKey(category);
    for (const BudgetLine &line : lines) {
        if (line.Rest < 0 && GroupNameKey(line.Category) == key)
            return line;
    }
    return std::nullopt;
}

QString OverspentMessage(const BudgetLine &line)
{
    return u"Das Budget „%1“ ist um %2 € überschritten."_s.arg(line.Category, CentsText(-line.Rest));
}
