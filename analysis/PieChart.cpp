#include "analysis/PieChart.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numbers>

using namespace Qt::StringLiterals;

namespace {

// Seen from 45 degrees above, the round pie is an ellipse sin 45° as high as it is wide; its
// depth shows as a wall below the front half.
const double Tilt = std::sin(std::numbers::pi / 4);
constexpr double WallPerRadius = 0.3;
constexpr int Margin = 10;

QFont ChartFont(int pixels, bool bold)
{
    QFont font(u"MS Sans Serif"_s);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

void DrawBevel(QPainter &p, QSize size)
{
    // Lowered: shadow at the top and left, light at the bottom and right.
    const QRectF r(0.5, 0.5, size.width() - 1, size.height() - 1);
    p.setPen(QPen(QColor(0xA0, 0xA0, 0xA0), 1));
    p.drawLine(r.bottomLeft(), r.topLeft());
    p.drawLine(r.topLeft(), r.topRight());
    p.setPen(QPen(Qt::white, 1));
    p.drawLine(r.topRight(), r.bottomRight());
    p.drawLine(r.bottomRight(), r.bottomLeft());
}

// Draws the legend at the right of the area and returns its left edge.
double DrawLegend(QPainter &p, const QRectF &area, const PieChartContent &chart)
{
    if (chart.Slices.isEmpty())
        return area.right();
    const QFont font = ChartFont(13, false);
    p.setFont(font);
    const QFontMetricsF fm(font, p.device());
    constexpr double Symbol = 11;
    constexpr double Gap = 6;
    const double row = std::ceil(fm.height()) + 3;

    QStringList values;
    double labelWidth = 0;
    double valueWidth = 0;
    for (const PieSlice &slice : chart.Slices) {
        values.append(PieValueText(slice.Value, chart.Locale, chart.CurrencySymbol));
        labelWidth = std::max(labelWidth, fm.horizontalAdvance(slice.Label));
        valueWidth = std::max(valueWidth, fm.horizontalAdvance(values.last()));
    }
    // Long labels are shortened rather than squeezing the pie away.
    const double fixed = Symbol + Gap + 2 * Gap + valueWidth;
    labelWidth = std::min(labelWidth, std::max(area.width() * 0.45 - fixed, 40.0));
    const double width = fixed + labelWidth;
    const double left = area.right() - width;
    double y = area.top() + std::max(0.0, (area.height() - row * chart.Slices.size()) / 2);

    for (qsizetype i = 0; i < chart.Slices.size(); ++i, y += row) {
        const PieSlice &slice = chart.Slices.at(i);
        const QRectF symbol(left, y + (row - Symbol) / 2, Symbol, Symbol);
        p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
        p.setBrush(slice.Colour);
        p.drawRect(symbol.adjusted(0.5, 0.5, -0.5, -0.5));
        p.setPen(Qt::black);
        const QRectF text(left + Symbol + Gap, y, width - Symbol - Gap, row);
        p.drawText(QRectF(text.left(), text.top(), labelWidth, row), Qt::AlignLeft | Qt::AlignVCenter,
                   fm.elidedText(slice.Label, Qt::ElideRight, labelWidth));
        p.drawText(text, Qt::AlignRight | Qt::AlignVCenter, values.at(i));
    }
    return left;
}

// The pie in the area: walls of the front half first, then the tops over them.
void DrawPie(QPainter &p, const QRectF &area, const QList<PieSlice> &slices)
{
    double total = 0;
    for (const PieSlice &slice : slices)
        total += std::max(0.0, slice.Value);
    if (total <= 0 || area.width() <= 0 || area.height() <= 0)
        return;

    const double rx = std::min(area.width() / 2, area.height() / (2 * Tilt + WallPerRadius));
    const double ry = rx * Tilt;
    const double wall = rx * WallPerRadius;
    const QPointF centre(area.center().x(), area.center().y() - wall / 2);
    const QRectF top(centre.x() - rx, centre.y() - ry, 2 * rx, 2 * ry);
    const QRectF bottom = top.translated(0, wall);

    // Angles in degrees clockwise from three o'clock, as they look on the screen; the painter
    // counts counter-clockwise.
    struct Span
    {
        double From, To;
        QColor Colour;
    };
    QList<Span> spans;
    double angle = -90;
    for (const PieSlice &slice : slices) {
        const double sweep = 360 * std::max(0.0, slice.Value) / total;
        if (sweep > 0)
            spans.append({angle, angle + sweep, slice.Colour});
        angle += sweep;
    }

    p.setPen(Qt::NoPen);
    for (const Span &s : spans) {
        // The front half of the wall lies between 0 and 180 degrees.
        const double from = std::max(s.From, 0.0);
        const double to = std::min(s.To, 180.0);
        if (to <= from)
            continue;
        QPainterPath path;
        path.arcMoveTo(top, -from);
        path.arcTo(top, -from, -(to - from));
        path.arcTo(bottom, -to, 0);
        path.arcTo(bottom, -to, to - from);
        path.closeSubpath();
        // Shaded across like a lit cylinder: darkest at the sides.
        QLinearGradient shade(top.left(), 0, top.right(), 0);
        shade.setColorAt(0, s.Colour.darker(185));
        shade.setColorAt(0.4, s.Colour.darker(125));
        shade.setColorAt(1, s.Colour.darker(175));
        p.setBrush(shade);
        p.drawPath(path);
    }
    for (const Span &s : spans) {
        QPainterPath path(centre);
        path.arcTo(top, -s.From, -(s.To - s.From));
        path.closeSubpath();
        // A hairline of the slice's own colour closes the seams between neighbours.
        p.setPen(QPen(s.Colour, 0.8));
        p.setBrush(s.Colour);
        p.drawPath(path);
    }
}

} // namespace

QString PieValueText(double value, const QLocale &locale, const QString &currencySymbol)
{
    QString text = locale.toString(value, 'f', 3);
    const QString point = locale.decimalPoint();
    if (text.contains(point)) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(point))
            text.chop(point.size());
    }
    if (text == u'-' + locale.toString(0))
        text = locale.toString(0);
    return text + u' ' + currencySymbol;
}

void DrawPieChart(QPainter &painter, QSize size, const PieChartContent &chart)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);

    const QFont titleFont = ChartFont(16, true);
    painter.setFont(titleFont);
    painter.setPen(Qt::black);
    const double titleHeight = QFontMetricsF(titleFont, painter.device()).height();
    painter.drawText(QRectF(Margin, 6, size.width() - 2 * Margin, titleHeight), Qt::AlignCenter, chart.Title);

    const QRectF plot(Margin, 6 + titleHeight + Margin, size.width() - 2 * Margin,
                      size.height() - titleHeight - 6 - 2 * Margin);
    const double legendLeft = DrawLegend(painter, plot, chart);
    DrawPie(painter, QRectF(plot.left(), plot.top(), legendLeft - plot.left() - 2 * Margin, plot.height()),
            chart.Slices);
    painter.restore();
}

void DrawPieChartOnArea(QPainter &painter, const QRect &area, QSize chartSize, const PieChartContent &chart)
{
    if (chartSize.isEmpty() || area.isEmpty())
        return;
    const QRectF inside(area.x() + area.width() * 0.15, area.y() + area.height() * 0.15, area.width() * 0.7,
                        area.height() * 0.7);
    const double scale = std::min(inside.width() / chartSize.width(), inside.height() / chartSize.height());
    const QSizeF scaled = QSizeF(chartSize) * scale;
    painter.save();
    painter.translate(inside.left() + (inside.width() - scaled.width()) / 2,
                      inside.top() + (inside.height() - scaled.height()) / 2);
    painter.scale(scale, scale);
    DrawPieChart(painter, chartSize, chart);
    painter.restore();
}

TQELPieChart::TQELPieChart(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TQELPieChart::SetTitle(const QString &title)
{
    if (Content_.Title == title)
        return;
    Content_.Title = title;
    update();
}

void TQELPieChart::ClearSlices()
{
    if (Content_.Slices.isEmpty())
        return;
    Content_.Slices.clear();
    update();
}

bool TQELPieChart::AddSlice(double value, const QString &label, const QColor &colour)
{
    if (Content_.Slices.size() >= MaxSlices)
        return false;
    Content_.Slices.append({value, label, colour});
    update();
    return true;
}

void TQELPieChart::SetValueFormat(const QLocale &locale, const QString &currencySymbol)
{
    Content_.Locale = locale;
    Content_.CurrencySymbol = currencySymbol;
    update();
}

void TQELPieChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    DrawPieChart(painter, size(), Content_);
    // The frame belongs to the control on the screen, not to the chart on paper.
    DrawBevel(painter, size());
}
