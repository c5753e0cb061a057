#include "analysis/YearPage.h"

#include "analysis/YearSums.h"
#include "analysis/BudgetReport.h"
#include "ledger/Cents.h"
#include "ledger/FuncUnit.h"
#include "ledger/Regional.h"
#include "output/PagePrinter.h"

#include <QFontMetrics>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace {

const QColor Grey(0x80, 0x80, 0x80);
const QColor NegativeRed(0xFF, 0x00, 0x00);

// Where a kind of page puts things, in its own pixels.
struct YearGeometry
{
    bool Screen;
    QSize MinimumSize;
    int Left;
    int Right;
    int TitleY;
    int TitlePoints;
    int HeadingPoints; // white on the band or box
    int BandStep;      // from a band to the first line under it
    int TextPoints;    // the months
    int LineStep;
    int Columns[3];     // right edges of income, expense, result
    int TablePoints;    // the categories
    int TableStep;
    int MonthsPerBlock; // 6: two blocks on screen; 12: one on paper
    int CellWidth;
    int YearCellWidth;
    int SectionGap;
    int ChartHeight;
    int ChartPoints;
    qreal ChartLineWidth;
    qreal ChartMarkRadius;
};

constexpr YearGeometry ScreenGeometry{true, AnalysisPage::ScreenSize, 50, 580, 20, 12, 10, 20, 10, 15,
                                      {300, 440, 580}, 9, 15, 6, 58, 72, 30, 270, 8, 1, 2.5};
constexpr YearGeometry PaperGeometry{false, {PageImage::Width, PageImage::Height}, 300, 2240, 100, 52, 32, 60,
                                     28, 45, {1200, 1720, 2240}, 18, 32, 12, 118, 160, 60, 760, 20, 2, 7};

const char16_t *const ShortMonths[12] = {u"Jan", u"Feb", u"Mär", u"Apr", u"Mai", u"Jun",
                                         u"Jul", u"Aug", u"Sep", u"Okt", u"Nov", u"Dez"};

class YearPageBuilder
{
public:
    YearPageBuilder(const YearGeometry &geometry, const YearOverview &year, const Regional &regional,
                    const QList<BudgetYearLine> &budgets = {})
        : G_(geometry)
        , Year_(year)
        , Regional_(regional)
        , Budgets_(budgets)
    {
        Page_.Page.Size = G_.MinimumSize;
        Page_.Page.FontFamily = G_.Screen ? u"MS Sans Serif"_s : u"Arial"_s;
        Page_.Page.LineWidth = G_.Screen ? 1 : 2;
        Text({G_.Left, G_.TitleY}, u"Haushaltsbuch - Jahresübersicht "_s + QString::number(year.Year), G_.TitlePoints,
             true);
    }

    YearPage Build()
    {
        int y = G_.Screen ? 60 : 300;
        y = Months(y) + G_.SectionGap;
        y = Chart(y) + G_.SectionGap;
        y = Categories(y, u"GREEN"_s, u"Einnahmen nach Kategorien"_s, Year_.IncomeByCategory) + G_.SectionGap;
        y = Categories(y, u"RED"_s, u"Ausgaben nach Kategorien"_s, Year_.ExpenseByCategory);
        if (!Budgets_.isEmpty())
            y = Budgets(y + G_.SectionGap);
        // The screen page grows with the categories; the sheet of paper does not.
        if (G_.Screen)
            Page_.Page.Size.setHeight(std::max(G_.MinimumSize.height(), y + 40));
        return std::move(Page_);
    }

private:
    int Months(int top)
    {
        Heading(top, u"BLUE"_s, u"Einnahmen/Ausgaben nach Monaten"_s);
        int y = top + G_.BandStep;
        Text({G_.Left, y}, u"Monat"_s, G_.TextPoints, true);
        const char16_t *captions[] = {u"Einnahmen", u"Ausgaben", u"Ergebnis"};
        for (int c = 0; c < 3; ++c)
            Right({G_.Columns[c], y}, QString::fromUtf16(captions[c]), G_.TextPoints, true);
        y += G_.LineStep;
        for (int m = 0; m < 12; ++m) {
            FigureRow(y, MonthNames().at(m), Year_.Months[m]);
            y += G_.LineStep;
        }
        y += G_.LineStep / 3;
        Rule(y, G_.Left);
        y += G_.LineStep / 3;
        FigureRow(y, u"Summe"_s, Year_.Total);
        y += G_.LineStep;
        FigureRow(y, u"Durchschnitt"_s, Year_.Average);
        return y + G_.LineStep;
    }

    // A month, the sum or the average: income, expense and result as money labels.
    void FigureRow(int y, const QString &caption, const std::optional<YearFigures> &figures)
    {
        Text({G_.Left, y}, caption, G_.TextPoints);
        if (!figures) {
            for (const int right : G_.Columns)
                Right({right, y}, NoBookMark(), G_.TextPoints);
            return;
        }
        Right({G_.Columns[0], y}, Money(figures->Income), G_.TextPoints);
        Right({G_.Columns[1], y}, Money(figures->Expense), G_.TextPoints);
        Right({G_.Columns[2], y}, Money(figures->Result), G_.TextPoints, false,
              IsShownNegative(figures->Result) ? NegativeRed : QColor(Qt::black));
    }

    int Chart(int top)
    {
        Heading(top, u"YELLOW"_s, u"Jahresverlauf"_s);
        const int y = top + G_.BandStep + G_.LineStep / 2;
        Page_.ChartArea = QRectF(G_.Left, y, G_.Right - G_.Left, G_.ChartHeight);
        Page_.Chart = {Page_.Page.FontFamily, G_.ChartPoints, G_.ChartLineWidth, G_.ChartMarkRadius,
                       Regional_.Locale(), Regional_.CurrencySymbol()};
        return y + G_.ChartHeight;
    }

    int Categories(int top, const QString &band, const QString &heading, const YearBreakdown &breakdown)
    {
        Heading(top, band, heading);
        // Beside the band on screen, inside the box on paper.
        Right({G_.Screen ? G_.Right : G_.Right - 10, top + (G_.Screen ? 2 : 12)},
              u"Beträge in "_s + Regional_.CurrencySymbol(), G_.TablePoints, false, G_.Screen ? Qt::black : Qt::white);
        int y = top + G_.BandStep;
        for (int first = 0; first < 12; first += G_.MonthsPerBlock) {
            const bool last = first + G_.MonthsPerBlock >= 12;
            y = CategoryBlock(y, first, last, breakdown);
            if (!last)
                y += G_.TableStep;
        }
        return y;
    }

    // Months first … first + MonthsPerBlock - 1; the last block adds the year's column.
    int CategoryBlock(int y, int first, bool withYear, const YearBreakdown &breakdown)
    {
        const int points = G_.TablePoints;
        Text({G_.Left, y}, u"Kategorie"_s, points, true);
        for (int m = first; m < first + G_.MonthsPerBlock; ++m)
            Right({CellRight(m - first), y}, QString::fromUtf16(ShortMonths[m]), points, true);
        if (withYear)
            Right({G_.Right, y}, u"Jahr"_s, points, true);
        y += G_.TableStep;

        const QFontMetrics metrics(PageFont(Page_.Page.FontFamily, points));
        const int nameWidth = CellRight(0) - G_.CellWidth - G_.Left - points / 2;
        const auto cells = [&](const MonthCells &months, std::optional<qint64> total) {
            for (int m = first; m < first + G_.MonthsPerBlock; ++m) {
                const QString text = months[m] ? CentsText(*months[m]) : Year_.Months[m] ? QString() : NoBookMark();
                if (!text.isEmpty())
                    Right({CellRight(m - first), y}, text, points);
            }
            if (withYear && total)
                Right({G_.Right, y}, CentsText(*total), points);
        };
        for (const YearGroup &group : breakdown.Groups) {
            // A long name is cut with "…" rather than run under the first month.
            const QString name = group.Name.isEmpty() && G_.Screen ? u"[Keine Angabe]"_s : group.Name;
            Text({G_.Left, y}, metrics.elidedText(name, Qt::ElideRight, nameWidth), points);
            cells(group.Months, group.Total);
            y += G_.TableStep;
        }
        y += G_.TableStep / 4;
        Rule(y, G_.Left);
        y += G_.TableStep / 4;
        Text({G_.Left, y}, u"Summe"_s, points);
        cells(breakdown.MonthSums, breakdown.Total);
        return y + G_.TableStep;
    }

    // Per category two lines: available, then spent, red in a month where it was more.
    int Budgets(int top)
    {
        Heading(top, u"BLUE"_s, u"Budgets: verfügbar und ausgegeben"_s);
        const int points = G_.TablePoints;
        int y = top + G_.BandStep;
        const QFontMetrics metrics(PageFont(Page_.Page.FontFamily, points));
        const int nameWidth = CellRight(0) - G_.CellWidth - G_.Left - points / 2;
        for (int first = 0; first < 12; first += G_.MonthsPerBlock) {
            Text({G_.Left, y}, u"Kategorie"_s, points, true);
            for (int m = first; m < first + G_.MonthsPerBlock; ++m)
                Right({CellRight(m - first), y}, QString::fromUtf16(ShortMonths[m]), points, true);
            y += G_.TableStep;
            for (const BudgetYearLine &line : Budgets_) {
                Text({G_.Left, y}, metrics.elidedText(line.Category, Qt::ElideRight, nameWidth), points);
                Text({G_.Left, y + G_.TableStep}, u"  ausgegeben"_s, points);
                for (int m = first; m < first + G_.MonthsPerBlock; ++m) {
                    if (!line.Available[m])
                        continue;
                    Right({CellRight(m - first), y}, CentsText(*line.Available[m]), points);
                    Right({CellRight(m - first), y + G_.TableStep}, CentsText(*line.Spent[m]), points, false,
                          *line.Spent[m] > *line.Available[m] ? NegativeRed : QColor(Qt::black));
                }
                y += 2 * G_.TableStep;
            }
            y += G_.TableStep;
        }
        return y;
    }

    // The right edge of a block's cell: the months end one cell left of the year's column.
    int CellRight(int index) const
    {
        return G_.Right - G_.YearCellWidth - (G_.MonthsPerBlock - 1 - index) * G_.CellWidth;
    }

    void Heading(int y, const QString &colour, const QString &text)
    {
        if (G_.Screen)
            Add({PageItem::Kind::Band, {G_.Left, y}, {}, colour});
        else
            Add({PageItem::Kind::Box, {G_.Left, y}, {G_.Right, y + 50}, {}, BandColour(colour)});
        Text({G_.Left, y}, text, G_.HeadingPoints, true, Qt::white);
    }

    void Rule(int y, int left)
    {
        if (G_.Screen || y < Page_.Page.Size.height())
            Add({PageItem::Kind::Line, {left, y}, {G_.Right, y}, {}, Grey});
    }

    void Add(PageItem item) { Page_.Page.Items.append(std::move(item)); }

    void Text(QPoint at, const QString &text, int points, bool bold = false, const QColor &colour = Qt::black)
    {
        if (Fits(at.y(), points))
            Add({PageItem::Kind::Text, at, {}, text, colour, points, bold});
    }

    void Right(QPoint at, const QString &text, int points, bool bold = false, const QColor &colour = Qt::black)
    {
        if (Fits(at.y(), points))
            Add({PageItem::Kind::RightText, at, {}, text, colour, points, bold});
    }

    // The sheet keeps whole lines only: a line that would be cut at its lower edge is left out
    // with all that follows, as on the analysis pages. The screen page grows instead.
    bool Fits(int top, int points) const
    {
        return G_.Screen || top + QFontMetrics(PageFont(Page_.Page.FontFamily, points)).height() <= Page_.Page.Size.height();
    }

    QString Money(qint64 cents) const { return MoneyLabel(CentsText(cents), Regional_); }

    const YearGeometry &G_;
    const YearOverview &Year_;
    const Regional &Regional_;
    QList<BudgetYearLine> Budgets_;
    YearPage Page_;
};

} // namespace

YearPage ScreenYearPage(const YearOverview &year, const Regional &regional, const QList<BudgetYearLine> &budgets)
{
    return YearPageBuilder(ScreenGeometry, year, regional, budgets).Build();
}

YearPage PrintedYearPage(const YearOverview &year, const Regional &regional, const QList<BudgetYearLine> &budgets)
{
    return YearPageBuilder(PaperGeometry, year, regional, budgets).Build();
}

void PaintYearPage(QPainter &painter, const YearPage &page, const YearOverview &year)
{
    PaintPage(painter, page.Page);
    PaintYearChart(painter, LayoutYearChart(page.ChartArea, year, page.Chart), page.Chart);
}

void DrawYearPage(QPainter &painter, const YearOverview &year, const Regional &regional,
                  const QList<BudgetYearLine> &budgets)
{
    PaintYearPage(painter, ScreenYearPage(year, regional, budgets), year);
}

void DrawPrintYearPage(QPainter &painter, const YearOverview &year, const Regional &regional)
{
    PaintYearPage(painter, PrintedYearPage(year, regional), year);
}

void DrawPrintYearPage(QPainter &painter, const YearOverview &year, const Regional &regional,
                       const QList<BudgetYearLine> &budgets)
{
    PaintYearPage(painter, PrintedYearPage(year, regional, budgets), year);
}
