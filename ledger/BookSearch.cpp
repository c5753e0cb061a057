#include "ledger/BookSearch.h"

#include "analysis/AnalysisSums.h"
#include "ledger/FuncUnit.h"

#include <algorithm>
#include <optional>

namespace {

// Digits with at most one decimal comma or point and at most two decimals: "12", "12,5", ",50".
std::optional<qint64> Cents(QStringView text)
{
    qint64 euros = 0;
    int digits = 0;
    qsizetype i = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i, ++digits) {
        // More digits than any booking holds is a number to look for in texts, not an amount.
        if (digits == 13)
            return std::nullopt;
        euros = euros * 10 + (text[i].unicode() - u'0');
    }
    int decimals = 0;
    qint64 cents = 0;
    if (i < text.size() && (text[i] == u',' || text[i] == u'.')) {
        for (++i; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i, ++decimals) {
            if (decimals == 2)
                return std::nullopt;
            cents = cents * 10 + (text[i].unicode() - u'0');
        }
    }
    if (i != text.size() || digits + decimals == 0)
        return std::nullopt;
    return euros * 100 + (decimals == 1 ? cents * 10 : cents);
}

const BookCache::List &ListOf(const BookCache &cache, const SearchHit &hit)
{
    switch (hit.List) {
    case SearchList::Income:
        return hit.Book->Income;
    case SearchList::Expend:
        return hit.Book->Expend;
    default:
        return cache.Regular();
    }
}

void Scan(const BookCache::List &list, const SearchQuery &query, const BookCache::Book *book, SearchList which,
          QList<SearchHit> &hits)
{
    const qsizetype rows = std::min(list.Rows.RowCount(), list.Keys.size());
    for (qsizetype i = 0; i < rows; ++i) {
        const BookCache::RowKey &key = list.Keys.at(i);
        const bool amount = query.HasAmount() && key.Cents != BookCache::NoAmount && key.Cents >= query.MinCents
                            && key.Cents <= query.MaxCents;
        if (amount || key.Folded.contains(query.Folded))
            hits.append({book, which, i});
    }
}

} // namespace

SearchQuery ParseSearchQuery(const QString &typed)
{
    SearchQuery query;
    const QString text = typed.trimmed();
    query.Folded = GroupNameKey(text);
    if (const std::optional<qint64> single = Cents(text)) {
        query.MinCents = query.MaxCents = *single;
        return query;
    }
    const qsizetype dash = text.indexOf(u'-', 1);
    if (dash > 0) {
        const std::optional<qint64> low = Cents(QStringView(text).left(dash).trimmed());
        const std::optional<qint64> high = Cents(QStringView(text).mid(dash + 1).trimmed());
        if (low && high) {
            query.MinCents = std::min(*low, *high);
            query.MaxCents = std::max(*low, *high);
        }
    }
    return query;
}

const ListRow &SearchHit::Booking(const BookCache &cache) const
{
    return ListOf(cache, *this).Rows.Row(Row);
}

QList<SearchHit> FindBookings(const BookCache &cache, const SearchQuery &query)
{
    QList<SearchHit> hits;
    if (query.Folded.isEmpty())
        return hits;
    Scan(cache.Regular(), query, nullptr, SearchList::Regular, hits);
    const std::vector<const BookCache::Book *> &books = cache.Books();
    for (auto it = books.rbegin(); it != books.rend(); ++it) {
        Scan((*it)->Income, query, *it, SearchList::Income, hits);
        Scan((*it)->Expend, query, *it, SearchList::Expend, hits);
    }
    return hits;
}

SearchHitText HitText(const BookCache &cache, const SearchHit &hit)
{
    const ListRow &row = hit.Booking(cache);
    SearchHitText text;
    switch (hit.List) {
    case SearchList::Regular:
        text.Book = QStringLiteral("Regelmäßige Buchungen");
        text.Kind = row.SubItem(3);
        break;
    case SearchList::Income:
        text.Book = hit.Book->Name;
        text.Kind = IncomeKind();
        break;
    case SearchList::Expend:
        text.Book = hit.Book->Name;
        text.Kind = ExpenseKind();
        break;
    }
    text.Date = row.Caption;
    text.Amount = row.SubItem(0);
    text.Category = row.SubItem(1);
    text.Purpose = row.SubItem(2);
    return text;
}
