#pragma once

#include "analysis/BudgetReport.h"

#include <QColor>
#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

class BookingList;
class QPainter;
class Regional;

// What the analysis pages are drawn from: the three lists as they stand, the open book's
// name for the title and the regional settings of the money labels.
struct AnalysisSource
{
    const BookingList &Income;
    const BookingList &Expend;
    const BookingList &Regular;
    QString BookName;
    const Regional &RegionalSettings;
};

// One thing drawn on a page, in page pixels.
struct PageItem
{
    enum class Kind {
        Text,      // Text with its top-left corner at At
        RightText, // Text ending at At.x(), its top at At.y()
        Band,      // the band bitmap "CALCULATE_" + Text at its own size, top-left at At
        Box,       // filled rectangle At–To (right and bottom edges exclusive), no outline
        Line,      // grey rule from At to To.x(), LineWidth thick
    };
    Kind What = Kind::Text;
    QPoint At;
    QPoint To;
    QString Text;
    QColor Colour = Qt::black;
    int Points = 10;
    bool Bold = false;
};

// A page as the list of what is drawn on it, over a white background of the page's size.
// Anything below the page is cut off: a page is never continued on another.
struct PageLayout
{
    QSize Size;
    QString FontFamily;
    int LineWidth = 1;
    QList<PageItem> Items;
};

namespace AnalysisPage {
constexpr QSize ScreenSize(860, 1200);
} // namespace AnalysisPage

// The screen pages (860 × 1200): page 1 the totals and the breakdowns by category, page 2
// the month's budgets (when there are any) above the breakdowns by purpose.
PageLayout AnalysisPage1Layout(const AnalysisSource &source);
PageLayout AnalysisPage2Layout(const AnalysisSource &source, const QList<BudgetLine> &budgets = {});
// The printed pages (2400 × 3350): the same figures, larger, with plain coloured boxes for
// the bands.
PageLayout PrintPage1Layout(const AnalysisSource &source);
PageLayout PrintPage2Layout(const AnalysisSource &source, const QList<BudgetLine> &budgets = {});

// The page's texts as lines a screen reader can read: the texts whose tops lie within a few
// pixels of each other form a line, read left to right; lines from top to bottom.
QStringList PageTextLines(const PageLayout &page);

// Paints a page: white, then its items. The band bitmaps come from the program's resources
// (QelError when one is missing).
void PaintPage(QPainter &painter, const PageLayout &page);

void DrawAnalysisPage1(QPainter &painter, const AnalysisSource &source);
void DrawAnalysisPage2(QPainter &painter, const AnalysisSource &source);
void DrawAnalysisPage2(QPainter &painter, const AnalysisSource &source, const QList<BudgetLine> &budgets);
void DrawPrintPage1(QPainter &painter, const AnalysisSource &source);
void DrawPrintPage2(QPainter &painter, const AnalysisSource &source);
void DrawPrintPage2(QPainter &painter, const AnalysisSource &source, const QList<BudgetLine> &budgets);
// The band bitmap "CALCULATE_" + colour name (BLUE, YELLOW, GREEN or RED), 250 × 18.
void DrawBand(QPainter &painter, int x, int y, const QString &colourName);
// The left-end colour of a band bitmap: the paper's boxes are filled with it.
QColor BandColour(const QString &colourName);
