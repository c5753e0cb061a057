#include "analysis/YearChart.h"

#include "analysis/AnalysisPages.h"
#include "analysis/PieChart.h"
#include "analysis/YearSums.h"
#include "ledger/Cents.h"
#include "output/PagePrinter.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace {

const char16_t *const MonthAbbreviations[12] = {u"Jan", u"Feb", u"Mär", u"Apr", u"Mai", u"Jun",
                                                u"Jul", u"Aug", u"Sep", u"Okt", u"Nov", u"Dez"};

const QColor Grey(0x80, 0x80, 0x80);
const QColor GridGrey(0xE0, 0xE0, 0xE0);

double Euros(qint64 cents)
{
    return double(cents) / 100;
}

// 1, 2, 2.5 or 5 times a power of ten, at least raw; never below a cent.
double NiceStep(double raw)
{
    if (!(raw > 0.01))
        return 0.01;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double normalised = raw / magnitude;
    for (const double nice : {1.0, 2.0, 2.5, 5.0}) {
        if (normalised <= nice * (1 + 1e-9))
            return nice * magnitude;
    }
    return 10 * magnitude;
}

QFont ChartFont(const YearChartStyle &style)
{
    return PageFont(style.FontFamily, style.Points);
}

} // namespace

QColor IncomeBarColour()
{
    return BandColour(QStringLiteral("GREEN"));
}

QColor ExpenseBarColour()
{
    return BandColour(QStringLiteral("RED"));
}

QColor ResultLineColour()
{
    return BandColour(QStringLiteral("BLUE"));
}

YearChartLayout LayoutYearChart(const QRectF &area, const YearOverview &year, const YearChartStyle &style)
{
    YearChartLayout layout;
    const QFontMetricsF metrics(ChartFont(style));
    const qreal line = metrics.height();
    layout.Legend = QRectF(area.left(), area.top(), area.width(), line);

    double low = 0;
    double high = 0;
    for (const std::optional<YearFigures> &month : year.Months) {
        if (!month)
            continue;
        for (const qint64 cents : {month->Income, month->Expense, month->Result}) {
            low = std::min(low, Euros(cents));
            high = std::max(high, Euros(cents));
        }
    }
    // An empty year still gets an axis to stand on.
    if (high - low <= 0)
        high = 100;
    const double step = NiceStep((high - low) / 5);
    const double bottom = std::floor(low / step + 1e-9) * step;
    const int steps = std::max(1, int(std::ceil((high - bottom) / step - 1e-9)));
    const double top = bottom + steps * step;

    qreal labelWidth = 0;
    QStringList labels;
    for (int k = 0; k <= steps; ++k) {
        // Zero exactly, never a tiny remainder that would print as "-0 €".
        const double value = std::fabs(bottom + k * step) < step * 1e-6 ? 0.0 : bottom + k * step;
        // As the money labels beside the chart write amounts: two decimals.
        labels.append(CentsText(ShownCents(value)) + u' ' + style.CurrencySymbol);
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(labels.back()));
    }
    const qreal gap = line / 2;
    layout.Plot = QRectF(QPointF(area.left() + labelWidth + gap, area.top() + 2 * line),
                         QPointF(area.right(), area.bottom() - 1.5 * line));
    const QRectF &plot = layout.Plot;
    const auto y = [&](double value) { return plot.bottom() - (value - bottom) / (top - bottom) * plot.height(); };
    for (int k = 0; k <= steps; ++k)
        layout.Ticks.append({y(bottom + k * step), labels.at(k), std::fabs(bottom + k * step) < step * 1e-6});

    const qreal slot = plot.width() / 12;
    const qreal barWidth = slot * 0.34;
    const qreal barGap = slot * 0.04;
    // The last month's result point while the months run without a gap.
    bool afterBook = false;
    QPointF previous;
    for (int m = 0; m < 12; ++m) {
        const qreal centre = plot.left() + (m + 0.5) * slot;
        const std::optional<YearFigures> &month = year.Months[m];
        layout.Months.append({centre, QString::fromUtf16(MonthAbbreviations[m]), month.has_value()});
        if (!month) {
            afterBook = false;
            continue;
        }
        const qreal zero = y(0);
        layout.Bars.append({m, true, QRectF(QPointF(centre - barGap / 2 - barWidth, y(Euros(month->Income))),
                                            QPointF(centre - barGap / 2, zero)).normalized()});
        layout.Bars.append({m, false, QRectF(QPointF(centre + barGap / 2, y(Euros(month->Expense))),
                                             QPointF(centre + barGap / 2 + barWidth, zero)).normalized()});
        const QPointF point(centre, y(Euros(month->Result)));
        layout.ResultPoints.append(point);
        // A month without a book breaks the line: it has no result to pass through.
        if (afterBook)
            layout.ResultSegments.append(QLineF(previous, point));
        previous = point;
        afterBook = true;
    }
    return layout;
}

void PaintYearChart(QPainter &painter, const YearChartLayout &layout, const YearChartStyle &style)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QFont font = ChartFont(style);
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    const qreal line = metrics.height();
    const QRectF &plot = layout.Plot;

    for (const YearChartLayout::Tick &tick : layout.Ticks) {
        painter.setPen(QPen(tick.Zero ? Grey : GridGrey, style.LineWidth));
        painter.drawLine(QPointF(plot.left(), tick.Y), QPointF(plot.right(), tick.Y));
        painter.setPen(Qt::black);
        const QRectF box(plot.left() - line / 2 - 10 * plot.width(), tick.Y - line / 2, 10 * plot.width(), line);
        painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, tick.Label);
    }
    painter.setPen(QPen(Grey, style.LineWidth));
    painter.drawLine(plot.topLeft(), plot.bottomLeft());

    painter.setPen(Qt::NoPen);
    for (const YearChartLayout::Bar &bar : layout.Bars)
        painter.fillRect(bar.Rect, bar.Income ? IncomeBarColour() : ExpenseBarColour());

    painter.setPen(QPen(ResultLineColour(), 2 * style.LineWidth));
    for (const QLineF &segment : layout.ResultSegments)
        painter.drawLine(segment);
    painter.setBrush(ResultLineColour());
    for (const QPointF &point : layout.ResultPoints)
        painter.drawEllipse(point, style.MarkRadius, style.MarkRadius);
    painter.setBrush(Qt::NoBrush);

    for (const YearChartLayout::MonthLabel &month : layout.Months) {
        painter.setPen(month.HasBook ? Qt::black : Grey);
        const QRectF box(month.CentreX - plot.width() / 24, plot.bottom() + line / 4, plot.width() / 12, line);
        painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop, month.Text);
    }

    // The legend, left to right: a swatch or a piece of the line, then its name.
    qreal x = plot.left();
    const qreal swatch = line * 0.7;
    const qreal middle = layout.Legend.center().y();
    const struct
    {
        QColor Colour;
        bool Line;
        const char16_t *Text;
    } entries[] = {{IncomeBarColour(), false, u"Einnahmen"},
                   {ExpenseBarColour(), false, u"Ausgaben"},
                   {ResultLineColour(), true, u"Ergebnis"}};
    for (const auto &entry : entries) {
        if (entry.Line) {
            painter.setPen(QPen(entry.Colour, 2 * style.LineWidth));
            painter.drawLine(QPointF(x, middle), QPointF(x + 2 * swatch, middle));
            painter.setBrush(entry.Colour);
            painter.drawEllipse(QPointF(x + swatch, middle), style.MarkRadius, style.MarkRadius);
            painter.setBrush(Qt::NoBrush);
            x += 2 * swatch;
        } else {
            painter.fillRect(QRectF(x, middle - swatch / 2, swatch, swatch), entry.Colour);
            x += swatch;
        }
        const QString text = QString::fromUtf16(entry.Text);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(x + line / 3, layout.Legend.top(), 10 * line, line), Qt::AlignLeft | Qt::AlignVCenter,
                         text);
        x += line / 3 + metrics.horizontalAdvance(text) + 1.5 * line;
    }
    painter.restore();
}
