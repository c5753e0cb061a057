#pragma once

#include <QColor>
#include <QFont>
#include <QLineF>
#include <QList>
#include <QLocale>
#include <QPointF>
#include <QRectF>
#include <QString>

class QPainter;
struct YearOverview;

// The year's bar chart: for each month with a book its income and expense as two bars side by
// side, the result as a line over the months, the amount axis labelled in euro in the
// locale's notation ("2.000 €"). Laid out first, then painted, so that the same layout serves
// the screen, the paper and a test.

// How the chart is drawn on one kind of page.
struct YearChartStyle
{
    QString FontFamily;
    int Points = 8;      // the axis labels and the legend
    qreal LineWidth = 1; // axis, grid and the result line
    qreal MarkRadius = 2.5;
    QLocale Locale;
    QString CurrencySymbol;
};

struct YearChartLayout
{
    QRectF Plot; // where the bars stand; the axis labels lie left of it, the months below

    struct Tick
    {
        qreal Y = 0;
        QString Label;
        bool Zero = false;
    };
    QList<Tick> Ticks; // from the bottom up

    struct Bar
    {
        int Month = 0; // 0 … 11
        bool Income = true;
        QRectF Rect;
    };
    QList<Bar> Bars;

    QList<QPointF> ResultPoints;  // one per month with a book
    QList<QLineF> ResultSegments; // between neighbouring months that both have a book

    struct MonthLabel
    {
        qreal CentreX = 0;
        QString Text; // "Jan", "Feb", …
        bool HasBook = false;
    };
    QList<MonthLabel> Months;

    QRectF Legend; // a line above the plot
};

// Where everything goes in area. The scale runs from the lowest to the highest figure, zero
// always included, in steps of 1, 2, 2.5 or 5 times a power of ten.
YearChartLayout LayoutYearChart(const QRectF &area, const YearOverview &year, const YearChartStyle &style);

void PaintYearChart(QPainter &painter, const YearChartLayout &layout, const YearChartStyle &style);

// The colours of the analysis bands: income green, expense red, the result line blue.
QColor IncomeBarColour();
QColor ExpenseBarColour();
QColor ResultLineColour();
