#pragma once

#include <QFont>
#include <QRect>
#include <QString>

class QPainter;
struct ListRow;

// How the program's lists paint a row: a two-colour gradient, then the texts at fixed offsets
// from the row's left edge, all with their top at the row's top. They draw into any painter,
// so a test can render a row into an image.

// Income and expense bookings: date, amount (right-aligned), category, purpose.
void PaintBookingRow(QPainter &painter, const QRect &rect, const ListRow &row, bool selected);
// Regular bookings: colours and marker by kind, then day, amount, category, purpose, kind.
void PaintRegularRow(QPainter &painter, const QRect &rect, const ListRow &row, bool selected);
// The book list: the open book's marker, month, year, last change and the two totals.
void PaintBookRow(QPainter &painter, const QRect &rect, const ListRow &row, bool selected,
                  const QString &currentBook);

// A hit of the search: book, date, kind, amount (right-aligned), category, purpose, coloured
// by kind like the regular bookings.
void PaintSearchHitRow(QPainter &painter, const QRect &rect, const ListRow &row, bool selected);

// What a screen reader reads of a row: the texts the painter shows, in its order, the
// amounts with their currency and the book's month as a word.
QString SpokenBookingRow(const ListRow &row);
QString SpokenRegularRow(const ListRow &row);
QString SpokenBookRow(const ListRow &row, const QString &currentBook);
QString SpokenSearchHitRow(const ListRow &row);

// The font every list paints its rows in.
QFont ListFont();
