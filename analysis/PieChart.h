#pragma once

#include <QColor>
#include <QList>
#include <QLocale>
#include <QString>
#include <QWidget>

class QPainter;

struct PieSlice
{
    double Value = 0;
    QString Label; // may be empty
    QColor Colour;
};

// What a pie chart shows: its title, the slices in order and the legend's texts for the values.
struct PieChartContent
{
    QString Title;
    QList<PieSlice> Slices;
    QLocale Locale;
    QString CurrencySymbol;
};

// A legend value as "#,##0.### €" in the locale: digit groups, at most three decimals, no
// trailing zeros (1234.5 -> "1.234,5 €" in German).
QString PieValueText(double value, const QLocale &locale, const QString &currencySymbol);

// Draws the chart into (0, 0)–size: white, the title in bold at the top, the legend (one
// entry per slice: colour, label, value right-aligned) at the right, and the pie seen from
// above at 45 degrees with its front wall, the first slice starting at twelve o'clock and the
// rest following clockwise. Slices with no positive value take no
// room on the pie but keep their legend entry.
void DrawPieChart(QPainter &painter, QSize size, const PieChartContent &chart);

// The chart as printed: drawn at its size on screen, scaled to fit the area (the printable
// area of the paper, in the device's units) inside margins of 15 percent of that area,
// proportions kept, centred.
void DrawPieChartOnArea(QPainter &painter, const QRect &area, QSize chartSize, const PieChartContent &chart);

// The program's pie chart control: at most 20 slices, repainted whenever its content changes.
// The same painter draws it on the screen and on paper.
class TQELPieChart : public QWidget
{
    Q_OBJECT

public:
    static constexpr int MaxSlices = 20;

    explicit TQELPieChart(QWidget *parent = nullptr);

    const PieChartContent &Content() const { return Content_; }
    const QString &Title() const { return Content_.Title; }
    void SetTitle(const QString &title);
    const QList<PieSlice> &Slices() const { return Content_.Slices; }
    void ClearSlices();
    // False, and nothing added, when the pie holds its 20 slices already.
    bool AddSlice(double value, const QString &label, const QColor &colour);
    void SetValueFormat(const QLocale &locale, const QString &currencySymbol);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    PieChartContent Content_{QStringLiteral("Ausgaben"), {}, QLocale(QLocale::German, QLocale::Germany),
                             QStringLiteral("€")};
};
