#pragma once

#include "books/BookCache.h"

#include <QList>
#include <QString>

// The search over every month book and the regular bookings: by text in the category or the
// purpose, letter case ignored as the analysis ignores it when it groups names (GroupNameKey:
// "ß" and "ss" alike, umlauts as typed), or by amount. Several words must all match, each in
// any field.
struct SearchTerm
{
    QString Folded; // the word (or the amount as typed), folded
    // An amount as banks and people write it ("12,50", "12.5", "2.044,85", "12,50 €") or a
    // range of two ("10-20", "1.000,00 - 2.000,00 €"), in cents; both ends count.
    qint64 MinCents = BookCache::NoAmount;
    qint64 MaxCents = BookCache::NoAmount;

    bool HasAmount() const { return MinCents != BookCache::NoAmount; }
    bool operator==(const SearchTerm &) const = default;
};

struct SearchQuery
{
    QList<SearchTerm> Terms; // none: nothing typed, nothing found

    bool IsEmpty() const { return Terms.isEmpty(); }
};

// The typed text split at blanks into words, except where blanks belong to an amount or a
// range ("12,50 €", "10 - 20"). A number or range also finds the texts it occurs in ("4711"
// in a purpose).
SearchQuery ParseSearchQuery(const QString &typed);

enum class SearchList { Regular, Income, Expend };

struct SearchHit
{
    const BookCache::Book *Book = nullptr; // none for a regular booking
    SearchList List = SearchList::Regular;
    qsizetype Row = 0;

    const ListRow &Booking(const BookCache &cache) const;
};

// Every booking that matches: the regular bookings first, then the books from the newest,
// each book's income before its expenses, in list order. Hits point into the cache and hold
// until its next refresh. Books that could not be read have no rows to find.
QList<SearchHit> FindBookings(const BookCache &cache, const SearchQuery &query);

// A hit as the hit list and the command line show it.
struct SearchHitText
{
    QString Book;     // the book's name, or "Regelmäßige Buchungen"
    QString Kind;     // "Einnahme" or "Ausgabe"
    QString Date;     // the date, or the day of a regular booking
    QString Amount;
    QString Category;
    QString Purpose;
};
SearchHitText HitText(const BookCache &cache, const SearchHit &hit);
