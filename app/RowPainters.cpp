#include "app/RowPainters.h"

#include "controls/FillGradient.h"
#include "ledger/BookingList.h"
#include "ledger/FuncUnit.h"
#include "ledger/QelError.h"
#include "support/ResourceImages.h"

#include <QPixmapCache>
#include <QPainter>

namespace {

struct RowColors
{
    QColor Top;
    QColor Bottom;
};

constexpr RowColors PlainSelected{QColor(0, 120, 179), QColor(0, 105, 155)};
constexpr RowColors PlainIdle{QColor(240, 242, 244), QColor(226, 228, 233)};

// Fills the row and sets the text colour; the painter is left ready for the texts.
void PaintBackground(QPainter &painter, const QRect &rect, const RowColors &colors, bool selected)
{
    FillGradient(painter, rect, {colors.Top, colors.Bottom});
    painter.setFont(ListFont());
    painter.setPen(selected ? Qt::white : Qt::black);
    painter.setBrush(Qt::NoBrush);
}

void TextAt(QPainter &painter, const QRect &rect, int x, const QString &text)
{
    painter.drawText(rect.left() + x, rect.top() + painter.fontMetrics().ascent(), text);
}

void TextEndingAt(QPainter &painter, const QRect &rect, int right, const QString &text)
{
    TextAt(painter, rect, right - painter.fontMetrics().horizontalAdvance(text), text);
}

void Marker(QPainter &painter, const QPoint &at, const QString &bitmap)
{
    // Rows are painted often; Qt's pixmap cache keeps each marker decoded.
    const QString key = QStringLiteral("qel-marker-") + bitmap;
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        // The pictures are part of the program; one that failed to load leaves the row without it.
        try {
            pixmap = TransparentCornerPixmap(ResourceBitmap(bitmap));
        } catch (const QelError &) {
            return;
        }
        QPixmapCache::insert(key, pixmap);
    }
    painter.drawPixmap(at, pixmap);
}

// Green for income, red for expenses, grey for a kind the program never writes.
RowColors KindColors(const QString &kind, bool selected)
{
    if (kind == IncomeKind())
        return selected ? RowColors{QColor(0, 147, 99), QColor(0, 119, 81)}
                        : RowColors{QColor(224, 241, 228), QColor(206, 234, 215)};
    if (kind == ExpenseKind())
        return selected ? RowColors{QColor(204, 0, 0), QColor(166, 0, 0)}
                        : RowColors{QColor(243, 228, 228), QColor(239, 215, 214)};
    return selected ? PlainSelected : PlainIdle;
}

QString Euro(const QString &amount)
{
    return amount.isEmpty() ? amount : amount + QStringLiteral(" €");
}

QString Spoken(const QStringList &parts)
{
    QStringList shown;
    for (const QString &part : parts)
        if (!part.trimmed().isEmpty())
            shown << part.trimmed();
    return shown.join(QStringLiteral(", "));
}

} // namespace

QString SpokenBookingRow(const ListRow &row)
{
    return Spoken({row.Caption, Euro(row.SubItem(0)), row.SubItem(1), row.SubItem(2)});
}

QString SpokenRegularRow(const ListRow &row)
{
    return Spoken({QStringLiteral("Tag ") + row.Caption, Euro(row.SubItem(0)), row.SubItem(1), row.SubItem(2),
                   row.SubItem(3)});
}

QString SpokenBookRow(const ListRow &row, const QString &currentBook)
{
    const QString name = row.SubItem(0);
    return Spoken({BookMonthWord(name) + u' ' + BookYear(name),
                   name == currentBook ? QStringLiteral("geöffnet") : QString(),
                   QStringLiteral("letzte Änderung ") + row.SubItem(1),
                   QStringLiteral("Einnahmen ") + row.SubItem(2), QStringLiteral("Ausgaben ") + row.SubItem(3)});
}

QString SpokenSearchHitRow(const ListRow &row)
{
    return Spoken({row.Caption, row.SubItem(0), row.SubItem(1), Euro(row.SubItem(2)), row.SubItem(3),
                   row.SubItem(4)});
}

QFont ListFont()
{
    return QFont(QStringLiteral("MS Sans Serif"), 8);
}

void PaintBookingRow(QPainter &painter, const QRect &rect, const ListRow &row, bool selected)
{
    painter.save();
    PaintBackground(painter, rect, selected ? PlainSelected : PlainIdle, selected);
    TextAt(painter, rect, 6, row.Caption);
    TextEndingAt(painter, rect, 155, row.SubItem(0));
    TextAt(painter, rect, 166, row.SubItem(1));
    TextAt(painter, rect, 376, row.SubItem(2));
    painter.restore();
}

void PaintRegularRow(QPainter &painter, const QRect &rect, const ListRow &row, bool selected)
{
    const QString kind = row.SubItem(3);
    painter.save();
    PaintBackground(painter, rect, KindColors(kind, selected), selected);
    Marker(painter, rect.topLeft() + QPoint(508, 1),
           kind == IncomeKind() ? QStringLiteral("LISTBMP_INC") : QStringLiteral("LISTBMP_OUT"));
    TextAt(painter, rect, 12, row.Caption);
    TextEndingAt(painter, rect, 115, row.SubItem(0));
    TextAt(painter, rect, 126, row.SubItem(1));
    TextAt(painter, rect, 316, row.SubItem(2));
    TextAt(painter, rect, 522, kind);
    painter.restore();
}

void PaintBookRow(QPainter &painter, const QRect &rect, const ListRow &row, bool selected,
                  const QString &currentBook)
{
    const QString name = row.SubItem(0);
    painter.save();
    PaintBackground(painter, rect, selected ? PlainSelected : PlainIdle, selected);
    if (name == currentBook)
        Marker(painter, rect.topLeft() + QPoint(4, 1), QStringLiteral("BITMAP_POINT"));
    TextAt(painter, rect, 28, BookMonthWord(name));
    TextAt(painter, rect, 88, BookYear(name));
    TextAt(painter, rect, 190, row.SubItem(1));
    TextEndingAt(painter, rect, 482, row.SubItem(2));
    TextEndingAt(painter, rect, 582, row.SubItem(3));
    painter.restore();
}

void PaintSearchHitRow(QPainter &painter, const QRect &rect, const ListRow &row, bool selected)
{
    painter.save();
    PaintBackground(painter, rect, KindColors(row.SubItem(1), selected), selected);
    // "Regelmäßige Buchungen" fits; a longer name would run into the date.
    TextAt(painter, rect, 6, painter.fontMetrics().elidedText(row.Caption, Qt::ElideRight, 128));
    TextAt(painter, rect, 138, row.SubItem(0));
    TextAt(painter, rect, 202, row.SubItem(1));
    TextEndingAt(painter, rect, 314, row.SubItem(2));
    TextAt(painter, rect, 326, row.SubItem(3));
    TextAt(painter, rect, 456, row.SubItem(4));
    painter.restore();
}
