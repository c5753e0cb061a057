#pragma once

#include <QString>

class BookingList;
class QPainter;

// The printed booking lists, drawn in page pixels (0, 0)–(2400, 3350) into any painter: an
// image in a test, the printer through TPagePrinter. Texts are drawn as the list holds
// them, in list order; only rows that fit whole are drawn, there is no second sheet. The
// amount column's heading is "Betrag (" + currency symbol + ")".

// Income or expense list: date, amount, category, purpose; 32 points, a row every 50
// pixels, 60 rows fit.
void DrawListPage(QPainter &painter, const BookingList &list, const QString &title, const QString &currencySymbol);

// Regular list: day, amount, category, purpose, kind; 28 points, a row every 45 pixels on
// a green band for "Einnahme" and a red one for any other kind, 67 rows fit.
void DrawRegularListPage(QPainter &painter, const BookingList &list, const QString &title,
                         const QString &currencySymbol);
