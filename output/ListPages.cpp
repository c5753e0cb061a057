#include "output/ListPages.h"

#include "ledger/BookingList.h"
#include "ledger/FuncUnit.h"
#include "output/PagePrinter.h"

#include <QPainter>

#include <span>

namespace {

constexpr int Left = 300;
constexpr int Right = 2300;

struct PageColumn
{
    const char16_t *Heading; // nullptr: the amount heading
    int X;                   // left edge, or right edge of the amount
};

struct PageLayout
{
    int Points;
    std::span<const PageColumn> Columns; // caption, amount, then the other sub-items
    int SecondLine;
    int FirstRow;
    int RowHeight;
};

const PageColumn BookingColumns[] = {
    {u"Datum", 300}, {nullptr, 750}, {u"Kategorie", 800}, {u"Verwendung", 1500}};
const PageColumn RegularColumns[] = {
    {u"Tag", 300}, {nullptr, 700}, {u"Kategorie", 750}, {u"Verwendung", 1350}, {u"Buchungsart", 1950}};

const PageLayout BookingLayout{32, BookingColumns, 320, 330, 50};
const PageLayout RegularLayout{28, RegularColumns, 310, 320, 45};

const QColor IncomeBand(0xCE, 0xEA, 0xD7);
const QColor ExpenseBand(0xEF, 0xD6, 0xD6);

QFont Arial(int points, bool bold = false)
{
    return PageFont(QStringLiteral("Arial"), points, bold);
}

// Texts are placed by the top of their line, as the page's coordinates give them.
void TextAt(QPainter &painter, int x, int top, const QString &text)
{
    painter.drawText(x, top + painter.fontMetrics().ascent(), text);
}

void TextEndingAt(QPainter &painter, int right, int top, const QString &text)
{
    TextAt(painter, right - painter.fontMetrics().horizontalAdvance(text), top, text);
}

void RuleAt(QPainter &painter, int y)
{
    painter.setPen(QPen(QColor(0x80, 0x80, 0x80), 2, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(Left, y, Right, y);
    painter.setPen(Qt::black);
}

// One line of texts: the caption at its column, the amount ending at its column, the other
// sub-items from their columns on.
void DrawLine(QPainter &painter, const PageLayout &layout, int top, const QStringList &texts)
{
    qsizetype c = 0;
    for (const PageColumn &column : layout.Columns) {
        if (c >= texts.size())
            break;
        if (c == 1)
            TextEndingAt(painter, column.X, top, texts.at(c));
        else
            TextAt(painter, column.X, top, texts.at(c));
        ++c;
    }
}

void DrawPage(QPainter &painter, const BookingList &list, const QString &title, const QString &currencySymbol,
              const PageLayout &layout, bool bands)
{
    painter.save();
    painter.fillRect(QRect(0, 0, PageImage::Width, PageImage::Height), Qt::white);
    painter.setPen(Qt::black);
    painter.setBackgroundMode(Qt::TransparentMode);

    painter.setFont(Arial(52, true));
    TextAt(painter, Left, 100, title);
    RuleAt(painter, 250);

    QStringList headings;
    for (const PageColumn &column : layout.Columns)
        headings.append(column.Heading ? QString::fromUtf16(column.Heading)
                                       : QStringLiteral("Betrag (") + currencySymbol + u')');
    painter.setFont(Arial(layout.Points, true));
    DrawLine(painter, layout, 260, headings);
    RuleAt(painter, layout.SecondLine);

    painter.setFont(Arial(layout.Points));
    int top = layout.FirstRow;
    for (const ListRow &row : list.Rows()) {
        // Only rows that fit whole: one that the page's edge would cut is left off with the rest.
        if (top + layout.RowHeight > PageImage::Height)
            break;
        if (bands) {
            const bool income = row.SubItem(3) == IncomeKind();
            painter.fillRect(QRect(Left, top, Right - Left, 40), income ? IncomeBand : ExpenseBand);
        }
        QStringList texts{row.Caption};
        texts.append(row.SubItems);
        DrawLine(painter, layout, top, texts);
        top += layout.RowHeight;
    }
    painter.restore();
}

} // namespace

void DrawListPage(QPainter &painter, const BookingList &list, const QString &title, const QString &currencySymbol)
{
    DrawPage(painter, list, title, currencySymbol, BookingLayout, false);
}

void DrawRegularListPage(QPainter &painter, const BookingList &list, const QString &title,
                         const QString &currencySymbol)
{
    DrawPage(painter, list, title, currencySymbol, RegularLayout, true);
}
