#include "books/BookSearch.h"

#include "ledger/GroupName.h"
#include "ledger/FuncUnit.h"

#include <algorithm>
#include <optional>

namespace {

bool IsDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// More digits than any booking holds is a number to look for in texts, not an amount.
constexpr int MaxEuroDigits = 12;

// An amount as banks and people write it: "12", "12,5", ",50", "12.50", thousands points with
// a decimal comma ("2.044,85", "1.000"), a euro sign or "EUR" before or after, blanks between.
// At most two decimals. A point followed by exactly three digits groups thousands; the point
// has never stood for decimals of three places, so "12.505" is no longer a text.
std::optional<qint64> Cents(QStringView text)
{
    text = text.trimmed();
    for (const QStringView sign : {QStringView(u"€"), QStringView(u"EUR")}) {
        if (text.startsWith(sign, Qt::CaseInsensitive)) {
            text = text.mid(sign.size()).trimmed();
            break;
        }
        if (text.endsWith(sign, Qt::CaseInsensitive)) {
            text = text.chopped(sign.size()).trimmed();
            break;
        }
    }
    const qsizetype size = text.size();
    const auto isGroup = [&](qsizetype at) {
        return at + 3 < size && text[at] == u'.' && IsDigit(text[at + 1]) && IsDigit(text[at + 2])
               && IsDigit(text[at + 3]) && (at + 4 == size || !IsDigit(text[at + 4]));
    };
    qint64 euros = 0;
    int digits = 0;
    qsizetype i = 0;
    for (; i < size && IsDigit(text[i]); ++i, ++digits) {
        if (digits == MaxEuroDigits)
            return std::nullopt;
        euros = euros * 10 + (text[i].unicode() - u'0');
    }
    const bool grouped = digits >= 1 && digits <= 3 && isGroup(i);
    while (grouped && isGroup(i)) {
        for (qsizetype k = i + 1; k <= i + 3; ++k, ++digits) {
            if (digits == MaxEuroDigits)
                return std::nullopt;
            euros = euros * 10 + (text[k].unicode() - u'0');
        }
        i += 4;
    }
    int decimals = 0;
    qint64 cents = 0;
    // After thousands points only a comma can start the decimals.
    if (i < size && (text[i] == u',' || (text[i] == u'.' && !grouped))) {
        for (++i; i < size && IsDigit(text[i]); ++i, ++decimals) {
            if (decimals == 2)
                return std::nullopt;
            cents = cents * 10 + (text[i].unicode() - u'0');
        }
    }
    if (i != size || digits + decimals == 0)
        return std::nullopt;
    return euros * 100 + (decimals == 1 ? cents * 10 : cents);
}

bool IsDash(QChar c)
{
    return c == u'-' || c == u'\u2013'; // a hyphen or the en dash that word processors put in
}

// A word, or a run of words that make an amount or a range. Empty when mustBeAmount and the
// text is none.
std::optional<SearchTerm> TermOf(QStringView text, bool mustBeAmount)
{
    SearchTerm term;
    if (const std::optional<qint64> single = Cents(text)) {
        term.MinCents = term.MaxCents = *single;
    } else {
        // A dash at the start is no range: "-5" has no lower end.
        const auto dash = std::find_if(text.begin() + std::min<qsizetype>(1, text.size()), text.end(), IsDash);
        if (dash != text.end()) {
            const qsizetype at = dash - text.begin();
            const std::optional<qint64> low = Cents(text.left(at));
            const std::optional<qint64> high = Cents(text.mid(at + 1));
            if (low && high) {
                term.MinCents = std::min(*low, *high);
                term.MaxCents = std::max(*low, *high);
            }
        }
    }
    if (mustBeAmount && !term.HasAmount())
        return std::nullopt;
    term.Folded = GroupNameKey(text);
    return term;
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
        const auto matches = [&key](const SearchTerm &term) {
            return (term.HasAmount() && key.Cents != BookCache::NoAmount && key.Cents >= term.MinCents
                    && key.Cents <= term.MaxCents)
                   || key.Folded.contains(term.Folded);
        };
        if (std::all_of(query.Terms.cbegin(), query.Terms.cend(), matches))
            hits.append({book, which, i});
    }
}

} // namespace

SearchQuery ParseSearchQuery(const QString &typed)
{
    // The words as views into the text, so that a run of them is one view again.
    QList<QStringView> words;
    const QStringView text(typed);
    for (qsizetype i = 0; i < text.size();) {
        if (text[i].isSpace()) {
            ++i;
            continue;
        }
        const qsizetype from = i;
        while (i < text.size() && !text[i].isSpace())
            ++i;
        words.append(text.sliced(from, i - from));
    }
    // "€ 1.000,00 - € 2.000,00" is the longest run of words that an amount range takes.
    constexpr qsizetype LongestAmount = 5;
    SearchQuery query;
    for (qsizetype i = 0; i < words.size();) {
        qsizetype taken = 1;
        std::optional<SearchTerm> term;
        for (qsizetype run = std::min(LongestAmount, words.size() - i); run > 1 && !term; --run) {
            const QStringView first = words.at(i);
            const QStringView last = words.at(i + run - 1);
            term = TermOf(QStringView(first.begin(), last.end()), true);
            taken = run;
        }
        if (!term) {
            term = TermOf(words.at(i), false);
            taken = 1;
        }
        query.Terms.append(std::move(*term));
        i += taken;
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
    if (query.IsEmpty())
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
