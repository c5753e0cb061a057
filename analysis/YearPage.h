#pragma once

#include "analysis/AnalysisPages.h"
#include "analysis/YearChart.h"
#include "analysis/BudgetReport.h"

#include <QRectF>

class QPainter;
class Regional;
struct YearOverview;

// The year overview as a page drawn like the analysis pages: the title, then under their bands
// (boxes on paper) the months with income, expense and result, the year's sum and the monthly
// average; the bar chart; income and expense by category for each month. A month without a
// book shows "–" and is left out of the average.
struct YearPage
{
    PageLayout Page;     // everything but the chart
    QRectF ChartArea;    // where the chart goes
    YearChartStyle Chart;
};

// On screen: 860 pixels wide like the analysis pages, as tall as it needs and at least as tall
// as they are; the categories in two blocks of six months, so that nothing lies right of
// x = 580. The budgets, when given, follow the categories: per category what was available and,
// red where it was more, what was spent.
YearPage ScreenYearPage(const YearOverview &year, const Regional &regional, const QList<BudgetYearLine> &budgets = {});
// On paper: 2400 × 3350, the twelve months of the categories side by side. What falls below
// the sheet is cut off, as on the analysis pages.
YearPage PrintedYearPage(const YearOverview &year, const Regional &regional,
                         const QList<BudgetYearLine> &budgets = {});

void PaintYearPage(QPainter &painter, const YearPage &page, const YearOverview &year);

void DrawYearPage(QPainter &painter, const YearOverview &year, const Regional &regional,
                  const QList<BudgetYearLine> &budgets = {});
void DrawPrintYearPage(QPainter &painter, const YearOverview &year, const Regional &regional);
void DrawPrintYearPage(QPainter &painter, const YearOverview &year, const Regional &regional,
                       const QList<BudgetYearLine> &budgets);
