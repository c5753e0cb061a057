#include "analysis/AnalysisPages.h"

#include "analysis/AnalysisSums.h"
#include "analysis/YearSums.h"
#include "analysis/BudgetReport.h"
#include "ledger/Cents.h"
#include "ledger/FuncUnit.h"
#include "output/PagePrinter.h"
#include "support/ResourceImages.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QColor Grey(0x80, 0x80, 0x80);
const QColor NegativeRed(0xFF, 0x00, 0x00);

// Where a page puts things: two columns, their right edges, and the sizes that differ
// between the screen and the paper.
struct PageGeometry
{
    int Left[2];
    int Right[2];
    int TitleX;
    int TitleY;
    int TitlePoints;
    int TextPoints;
    int LineStep;    // breakdown lines
    bool Screen;     // bands and "[Keine Angabe]" on screen; boxes and the bare name on paper
};

constexpr PageGeometry ScreenPage{{50, 330}, {300, 580}, 50, 20, 12, 10, 15, true};
constexpr PageGeometry PaperPage{{300, 1340}, {1200, 2240}, 300, 100, 52, 32, 50, false};

class PageBuilder
{
public:
    PageBuilder(const PageGeometry &geometry, const AnalysisSource &source)
        : G_(geometry)
        , Source_(source)
    {
        Page_.Size = G_.Screen ? AnalysisPage::ScreenSize : QSize(PageImage::Width, PageImage::Height);
        Page_.FontFamily = G_.Screen ? u"MS Sans Serif"_s : u"Arial"_s;
        Page_.LineWidth = G_.Screen ? 1 : 2;
        Text({G_.TitleX, G_.TitleY}, u"Haushaltsbuch - Berechnung für "_s + Source_.BookName, G_.TitlePoints, true);
    }

    PageLayout Take() { return std::move(Page_); }

    // A column's heading band (screen) or box (paper) with its white heading.
    void Heading(int column, int y, const QString &colour, const QString &text)
    {
        const int x = G_.Left[column];
        if (G_.Screen)
            Add({PageItem::Kind::Band, {x, y}, {}, colour});
        else
            Add({PageItem::Kind::Box, {x, y}, {G_.Right[column], y + 50}, {}, BandColour(colour)});
        Text({x, y}, text, G_.TextPoints, true, Qt::white);
    }

    // name + ":" at the column's left edge, the money label ending at its right edge.
    void Figure(int column, int y, const QString &name, double value, const QColor &valueColour = Qt::black)
    {
        Text({G_.Left[column], y}, name + u':', G_.TextPoints);
        Add({PageItem::Kind::RightText, {G_.Right[column], y}, {}, Money(value), valueColour, G_.TextPoints});
    }

    void Rule(int column, int y)
    {
        Add({PageItem::Kind::Line, {G_.Left[column], y}, {G_.Right[column], y}, {}, Grey});
    }

    void Breakdown(int column, int top, AnalysisSide side, GroupKey key)
    {
        const BookingList &main = side == AnalysisSide::Income ? Source_.Income : Source_.Expend;
        const QFontMetricsF metrics(PageFont(Page_.FontFamily, G_.TextPoints));
        int y = top;
        for (const GroupSum &group : SumGroups(main, Source_.Regular, side, key)) {
            // Only whole lines: one that the page's edge would cut is left off with the rest.
            if (y + G_.LineStep > Page_.Size.height())
                break;
            const bool unnamed = group.Name.isEmpty() && G_.Screen;
            // A name that would reach the amount ends in "…" two blanks before it.
            const QString money = Money(group.Sum);
            const qreal room = G_.Right[column] - G_.Left[column] - metrics.horizontalAdvance(money)
                               - metrics.horizontalAdvance(u"  :"_s);
            const QString name = metrics.elidedText(unnamed ? u"[Keine Angabe]"_s : group.Name, Qt::ElideRight, room);
            Figure(column, y, name, group.Sum);
            y += G_.LineStep;
        }
    }

    // The budgets across both columns: a heading, a caption line, a line per category with its
    // five figures, the rest red when overspent. Returns the y below it.
    int Budgets(int headingY, int linesY, const QList<BudgetLine> &budgets)
    {
        Heading(0, headingY, u"BLUE"_s, u"Budgets"_s);
        const int left = G_.Left[0];
        const int span = G_.Right[1] - left;
        int right[5];
        for (int k = 0; k < 5; ++k)
            right[k] = left + span * (84 + 29 * k) / 200;
        const auto line = [&](int y, const QString &name, const QStringList &cells, const QColor &lastColour,
                              bool bold) {
            const QFontMetricsF metrics(PageFont(Page_.FontFamily, G_.TextPoints, bold));
            Text({left, y}, metrics.elidedText(name, Qt::ElideRight, right[0] - left - span * 29 / 200), G_.TextPoints,
                 bold);
            for (int k = 0; k < 5; ++k) {
                Add({PageItem::Kind::RightText, {right[k], y}, {}, cells.at(k), k == 4 ? lastColour : Qt::black,
                     G_.TextPoints, bold});
            }
        };
        line(linesY, u"Kategorie"_s, {u"Budget"_s, u"Übertrag"_s, u"Verfügbar"_s, u"Ausgaben"_s, u"Rest"_s}, Qt::black,
             true);
        int y = linesY + G_.LineStep;
        for (const BudgetLine &b : budgets) {
            if (y + G_.LineStep > Page_.Size.height())
                break;
            QStringList cells;
            for (const qint64 cents : {b.Budget, b.CarryOver, b.Available, b.Spent, b.Rest})
                cells.append(MoneyLabel(CentsText(cents), Source_.RegionalSettings));
            line(y, b.Category, cells, IsShownNegative(b.Rest) ? NegativeRed : Qt::black, false);
            y += G_.LineStep;
        }
        return y;
    }

private:
    void Add(PageItem item) { Page_.Items.append(std::move(item)); }

    void Text(QPoint at, const QString &text, int points, bool bold = false, const QColor &colour = Qt::black)
    {
        Add({PageItem::Kind::Text, at, {}, text, colour, points, bold});
    }

    QString Money(double value) const { return MoneyLabel(FormatAmount(value), Source_.RegionalSettings); }

    const PageGeometry &G_;
    const AnalysisSource &Source_;
    PageLayout Page_;
};

// The totals at the top of page 1, at the y of the headings, income, expense, rules and results.
void AddTotals(PageBuilder &page, const AnalysisSource &source, const int (&y)[5])
{
    const AnalysisTotals t = ComputeAnalysisTotals(source.Income, source.Expend, source.Regular);
    page.Heading(0, y[0], u"BLUE"_s, u"Einnahmen/Ausgaben gesamt"_s);
    page.Heading(1, y[0], u"YELLOW"_s, u"Regelmäßige Buchungen"_s);
    page.Figure(0, y[1], u"Einnahmen"_s, t.TotalIncome);
    page.Figure(1, y[1], u"Einnahmen"_s, t.RegularIncome);
    page.Figure(0, y[2], u"Ausgaben"_s, t.TotalExpense);
    page.Figure(1, y[2], u"Ausgaben"_s, t.RegularExpense);
    page.Rule(0, y[3]);
    page.Rule(1, y[3]);
    page.Figure(0, y[4], u"Ergebnis"_s, t.Result, IsNegativeResult(t.Result) ? NegativeRed : Qt::black);
    page.Figure(1, y[4], u"Ergebnis"_s, t.RegularResult, IsNegativeResult(t.RegularResult) ? NegativeRed : Qt::black);
}

PageLayout Page1(const PageGeometry &g, const AnalysisSource &source, const int (&totals)[5], int headingY, int linesY)
{
    PageBuilder page(g, source);
    AddTotals(page, source, totals);
    page.Heading(0, headingY, u"GREEN"_s, u"Einnahmen nach Kategorien"_s);
    page.Heading(1, headingY, u"RED"_s, u"Ausgaben nach Kategorien"_s);
    page.Breakdown(0, linesY, AnalysisSide::Income, GroupKey::Category);
    page.Breakdown(1, linesY, AnalysisSide::Expense, GroupKey::Category);
    return page.Take();
}

PageLayout Page2(const PageGeometry &g, const AnalysisSource &source, int headingY, int linesY,
                 const QList<BudgetLine> &budgets)
{
    PageBuilder page(g, source);
    if (!budgets.isEmpty()) {
        // The breakdowns move down below the budgets, two lines apart.
        const int below = page.Budgets(headingY, linesY, budgets) + 2 * g.LineStep;
        linesY += below - headingY;
        headingY = below;
    }
    page.Heading(0, headingY, u"GREEN"_s, u"Einnahmen nach Verwendung"_s);
    page.Heading(1, headingY, u"RED"_s, u"Ausgaben nach Verwendung"_s);
    page.Breakdown(0, linesY, AnalysisSide::Income, GroupKey::Purpose);
    page.Breakdown(1, linesY, AnalysisSide::Expense, GroupKey::Purpose);
    return page.Take();
}

} // namespace

PageLayout AnalysisPage1Layout(const AnalysisSource &source)
{
    return Page1(ScreenPage, source, {60, 80, 95, 115, 120}, 160, 180);
}

PageLayout AnalysisPage2Layout(const AnalysisSource &source, const QList<BudgetLine> &budgets)
{
    return Page2(ScreenPage, source, 60, 80, budgets);
}

PageLayout PrintPage1Layout(const AnalysisSource &source)
{
    return Page1(PaperPage, source, {300, 360, 410, 470, 480}, 620, 680);
}

PageLayout PrintPage2Layout(const AnalysisSource &source, const QList<BudgetLine> &budgets)
{
    return Page2(PaperPage, source, 300, 360, budgets);
}

QStringList PageTextLines(const PageLayout &page)
{
    struct Placed
    {
        int Top;
        int Left;
        QString Text;
    };
    QList<Placed> texts;
    for (const PageItem &item : page.Items) {
        if ((item.What != PageItem::Kind::Text && item.What != PageItem::Kind::RightText) ||
            item.Text.trimmed().isEmpty())
            continue;
        // A right-aligned text is read where it ends; within a line that keeps the columns' order.
        texts.append({item.At.y(), item.At.x(), item.Text.trimmed()});
    }
    std::stable_sort(texts.begin(), texts.end(), [](const Placed &a, const Placed &b) { return a.Top < b.Top; });
    // Texts of one line differ in font size, so their tops differ by a few pixels.
    const int sameLine = qMax(4, page.Size.height() / 300);
    QStringList lines;
    for (qsizetype i = 0; i < texts.size();) {
        qsizetype end = i + 1;
        while (end < texts.size() && texts[end].Top - texts[i].Top <= sameLine)
            ++end;
        QList<Placed> line(texts.begin() + i, texts.begin() + end);
        std::stable_sort(line.begin(), line.end(), [](const Placed &a, const Placed &b) { return a.Left < b.Left; });
        QStringList words;
        for (const Placed &text : line)
            words << text.Text;
        lines << words.join(u"  ");
        i = end;
    }
    return lines;
}

void PaintPage(QPainter &painter, const PageLayout &page)
{
    // Text boxes far wider than any text, so that alignment is left to the painter and holds
    // on every device the page is replayed on.
    constexpr int Wide = 100000;
    painter.save();
    painter.fillRect(QRect(QPoint(0, 0), page.Size), Qt::white);
    painter.setBackgroundMode(Qt::TransparentMode);
    for (const PageItem &item : page.Items) {
        switch (item.What) {
        case PageItem::Kind::Text:
        case PageItem::Kind::RightText: {
            painter.setFont(PageFont(page.FontFamily, item.Points, item.Bold));
            painter.setPen(item.Colour);
            const bool right = item.What == PageItem::Kind::RightText;
            const QRect box(right ? item.At.x() - Wide : item.At.x(), item.At.y(), Wide, Wide);
            painter.drawText(box, Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip | (right ? Qt::AlignRight : Qt::AlignLeft),
                             item.Text);
            break;
        }
        case PageItem::Kind::Band:
            DrawBand(painter, item.At.x(), item.At.y(), item.Text);
            break;
        case PageItem::Kind::Box:
            painter.fillRect(QRect(item.At, item.To - QPoint(1, 1)), item.Colour);
            break;
        case PageItem::Kind::Line:
            painter.fillRect(QRect(item.At.x(), item.At.y(), item.To.x() - item.At.x(), page.LineWidth), item.Colour);
            break;
        }
    }
    painter.restore();
}

void DrawAnalysisPage1(QPainter &painter, const AnalysisSource &source)
{
    PaintPage(painter, AnalysisPage1Layout(source));
}

void DrawAnalysisPage2(QPainter &painter, const AnalysisSource &source)
{
    PaintPage(painter, AnalysisPage2Layout(source));
}

void DrawAnalysisPage2(QPainter &painter, const AnalysisSource &source, const QList<BudgetLine> &budgets)
{
    PaintPage(painter, AnalysisPage2Layout(source, budgets));
}

void DrawPrintPage1(QPainter &painter, const AnalysisSource &source)
{
    PaintPage(painter, PrintPage1Layout(source));
}

void DrawPrintPage2(QPainter &painter, const AnalysisSource &source)
{
    PaintPage(painter, PrintPage2Layout(source));
}

void DrawPrintPage2(QPainter &painter, const AnalysisSource &source, const QList<BudgetLine> &budgets)
{
    PaintPage(painter, PrintPage2Layout(source, budgets));
}

QColor BandColour(const QString &name)
{
    if (name == u"BLUE")
        return QColor(0x30, 0x48, 0x87);
    if (name == u"YELLOW")
        return QColor(0x7A, 0x67, 0x25);
    if (name == u"GREEN")
        return QColor(0x30, 0x6D, 0x44);
    return QColor(0x8C, 0x37, 0x37);
}

void DrawBand(QPainter &painter, int x, int y, const QString &colourName)
{
    painter.drawImage(QPoint(x, y), ResourceBitmap(u"CALCULATE_"_s + colourName));
}
