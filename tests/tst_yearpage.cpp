// The year page and its chart, in page pixels: bars and the result line where the figures put
// them, the axis in German notation, "–" for a month without a book, red only for what shows
// negative, and texts of one line that never run into each other, on screen or on paper.

#include "analysis/YearChart.h"
#include "analysis/YearPage.h"
#include "analysis/YearSums.h"
#include "controls/Fonts.h"
#include "ledger/Regional.h"
#include "output/PagePrinter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Income, expense and result in euros for each month given (1 … 12).
YearOverview Year(const QList<std::tuple<int, qint64, qint64>> &months)
{
    YearOverview year;
    year.Year = 2008;
    for (const auto &[month, income, expense] : months) {
        year.Months[month - 1] = YearFigures{income * 100, expense * 100, (income - expense) * 100};
        ++year.BookMonths;
    }
    return year;
}

YearGroup Group(const QString &name, qint64 euros, const YearOverview &year)
{
    YearGroup group{name, {}, 0};
    for (int m = 0; m < 12; ++m) {
        if (year.Months[m]) {
            group.Months[m] = euros * 100;
            group.Total += euros * 100;
        }
    }
    return group;
}

const PageItem *FindText(const PageLayout &page, const QString &text, int y = -1)
{
    for (const PageItem &item : page.Items) {
        if (item.Text == text && (y < 0 || item.At.y() == y))
            return &item;
    }
    return nullptr;
}

// The row of the months table that starts with the caption.
QList<const PageItem *> Row(const PageLayout &page, const QString &caption)
{
    const PageItem *first = FindText(page, caption);
    QList<const PageItem *> row;
    if (!first)
        return row;
    for (const PageItem &item : page.Items) {
        if (item.At.y() == first->At.y() && item.What == PageItem::Kind::RightText)
            row.append(&item);
    }
    return row;
}

// Where a text item lies on its line.
std::pair<int, int> Extent(const PageLayout &page, const PageItem &item)
{
    const int width = QFontMetrics(PageFont(page.FontFamily, item.Points, item.Bold)).horizontalAdvance(item.Text);
    return item.What == PageItem::Kind::RightText ? std::pair(item.At.x() - width, item.At.x())
                                                  : std::pair(item.At.x(), item.At.x() + width);
}

} // namespace

class TestYearPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterFontSubstitutions(); }
    void chartPlacesBarsAndResults();
    void axisLabels_data();
    void axisLabels();
    void monthsTable();
    void textsNeverRunIntoEachOther_data();
    void textsNeverRunIntoEachOther();
    void pageIsPainted();
    void sheetKeepsWholeLines();
};

void TestYearPage::chartPlacesBarsAndResults()
{
    // January earns twice what it spends; February has no book; March spends more than it
    // earns; April follows it.
    const YearOverview year = Year({{1, 1000, 500}, {3, 200, 700}, {4, 100, 50}});
    const YearChartStyle style{u"Arial"_s, 8, 1, 2.5, QLocale(QLocale::German, QLocale::Germany), u"€"_s};
    const YearChartLayout chart = LayoutYearChart(QRectF(50, 300, 530, 260), year, style);

    QCOMPARE(chart.Bars.size(), 6);
    const qreal zero = std::find_if(chart.Ticks.cbegin(), chart.Ticks.cend(), [](const auto &t) { return t.Zero; })->Y;
    const auto bar = [&](int month, bool income) {
        return std::find_if(chart.Bars.cbegin(), chart.Bars.cend(),
                            [&](const auto &b) { return b.Month == month && b.Income == income; })->Rect;
    };
    QCOMPARE(bar(0, true).bottom(), zero);
    QVERIFY(qAbs(bar(0, true).height() - 2 * bar(0, false).height()) < 0.01);
    QVERIFY(bar(0, true).right() <= bar(0, false).left()); // side by side
    QVERIFY(bar(2, false).height() > bar(2, true).height());

    QCOMPARE(chart.ResultPoints.size(), 3);
    QVERIFY(chart.ResultPoints.at(0).y() < zero);
    QVERIFY(chart.ResultPoints.at(1).y() > zero); // March's loss below the axis
    // February breaks the line: only March to April is drawn.
    QCOMPARE(chart.ResultSegments.size(), 1);
    QCOMPARE(chart.ResultSegments.front().p1(), chart.ResultPoints.at(1));
    QCOMPARE(chart.Months.at(1).Text, u"Feb"_s);
    QVERIFY(!chart.Months.at(1).HasBook);
    QVERIFY(chart.Plot.left() >= 50 && chart.Plot.right() <= 580);
}

void TestYearPage::axisLabels_data()
{
    QTest::addColumn<QList<int>>("month"); // month, income, expense
    QTest::addColumn<QStringList>("labels"); // from the bottom up

    QTest::newRow("two decimals as the money labels")
        << QList<int>{1, 1234, 0}
        << QStringList{u"0.00 €"_s, u"250.00 €"_s, u"500.00 €"_s, u"750.00 €"_s, u"1000.00 €"_s, u"1250.00 €"_s};
    QTest::newRow("a loss below zero") << QList<int>{1, 0, 800}
                                       << QStringList{u"-1000.00 €"_s, u"-500.00 €"_s, u"0.00 €"_s, u"500.00 €"_s,
                                                      u"1000.00 €"_s};
    QTest::newRow("nothing booked") << QList<int>{5, 0, 0}
                                    << QStringList{u"0.00 €"_s, u"20.00 €"_s, u"40.00 €"_s, u"60.00 €"_s,
                                                   u"80.00 €"_s, u"100.00 €"_s};
}

void TestYearPage::axisLabels()
{
    QFETCH(QList<int>, month);
    QFETCH(QStringList, labels);
    const YearChartStyle style{u"Arial"_s, 8, 1, 2.5, QLocale(QLocale::German, QLocale::Germany), u"€"_s};
    QStringList shown;
    for (const YearChartLayout::Tick &tick : LayoutYearChart(QRectF(0, 0, 530, 260), Year({{month[0], month[1], month[2]}}), style).Ticks)
        shown.append(tick.Label);
    QCOMPARE(shown, labels);
}

void TestYearPage::monthsTable()
{
    YearOverview year = Year({{1, 1000, 500}, {3, 200, 700}, {4, 50, 50}});
    year.IncomeByCategory.Groups = {Group(QString(), 10, year)};
    const Regional regional;
    const PageLayout screen = ScreenYearPage(year, regional).Page;

    QVERIFY(FindText(screen, u"Haushaltsbuch - Jahresübersicht 2008"_s, 20));
    QList<const PageItem *> row = Row(screen, u"Februar"_s);
    QCOMPARE(row.size(), 3);
    for (const PageItem *cell : row)
        QCOMPARE(cell->Text, u"–"_s);
    row = Row(screen, u"März"_s);
    QCOMPARE(row.back()->Text, u"-500.00 €"_s);
    QCOMPARE(row.back()->Colour, QColor(Qt::red));
    // A result of nothing is black, without a sign.
    row = Row(screen, u"April"_s);
    QCOMPARE(row.back()->Text, u"0.00 €"_s);
    QCOMPARE(row.back()->Colour, QColor(Qt::black));
    // A category without a name, as the month pages write it.
    QVERIFY(FindText(screen, u"[Keine Angabe]"_s));
    QVERIFY(!FindText(PrintedYearPage(year, regional).Page, u"[Keine Angabe]"_s));
}

void TestYearPage::textsNeverRunIntoEachOther_data()
{
    QTest::addColumn<bool>("paper");
    QTest::newRow("screen") << false;
    QTest::newRow("paper") << true;
}

void TestYearPage::textsNeverRunIntoEachOther()
{
    QFETCH(bool, paper);
    // Every month booked, amounts far beyond a household's, long names: the widest year.
    QList<std::tuple<int, qint64, qint64>> months;
    for (int m = 1; m <= 12; ++m)
        months.append({m, 999999, 1000000});
    YearOverview year = Year(months);
    year.Total = {11999988'00, 12000000'00, -12'00};
    year.Average = YearFigures{999999'00, 1000000'00, -1'00};
    for (int i = 0; i < 10; ++i) {
        year.IncomeByCategory.Groups.append(Group(u"Kapitalerträge aus Beteiligung %1"_s.arg(i), 9999, year));
        year.ExpenseByCategory.Groups.append(Group(u"Haushalt und Garten %1"_s.arg(i), 9999, year));
    }
    for (YearBreakdown *b : {&year.IncomeByCategory, &year.ExpenseByCategory}) {
        for (int m = 0; m < 12; ++m)
            b->MonthSums[m] = 10 * 9999'00;
        b->Total = 120 * 9999'00;
    }
    const YearPage page = paper ? PrintedYearPage(year, Regional()) : ScreenYearPage(year, Regional());
    const int left = paper ? 300 : 50;
    const int right = paper ? 2240 : 580;

    QMap<int, QList<std::pair<int, int>>> lines;
    for (const PageItem &item : page.Page.Items) {
        if (item.What != PageItem::Kind::Text && item.What != PageItem::Kind::RightText)
            continue;
        const auto [from, to] = Extent(page.Page, item);
        QVERIFY2(from >= left && to <= right, qPrintable(item.Text));
        QVERIFY2(item.At.y() + item.Points < page.Page.Size.height(), qPrintable(item.Text));
        // Headings stand on their band; the amount note beside or inside it is a line of its own.
        if (item.Colour != QColor(Qt::white) && !item.Text.startsWith(u"Beträge"_s))
            lines[item.At.y()].append({from, to});
    }
    for (auto it = lines.cbegin(); it != lines.cend(); ++it) {
        QList<std::pair<int, int>> spans = it.value();
        std::sort(spans.begin(), spans.end());
        for (qsizetype i = 1; i < spans.size(); ++i)
            QVERIFY2(spans.at(i).first > spans.at(i - 1).second, qPrintable(u"line at y = %1"_s.arg(it.key())));
    }
    QVERIFY(page.ChartArea.bottom() < page.Page.Size.height());
}

void TestYearPage::pageIsPainted()
{
    const YearOverview year = Year({{1, 1000, 500}, {3, 200, 700}});
    const YearPage page = ScreenYearPage(year, Regional());
    QImage image(page.Page.Size, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        PaintYearPage(painter, page, year);
    }
    const YearChartLayout chart = LayoutYearChart(page.ChartArea, year, page.Chart);
    for (const YearChartLayout::Bar &bar : chart.Bars) {
        const QColor expected = bar.Income ? IncomeBarColour() : ExpenseBarColour();
        QCOMPARE(image.pixelColor(bar.Rect.center().toPoint()), expected);
    }
    QCOMPARE(image.pixelColor(chart.ResultPoints.front().toPoint()), ResultLineColour());
    // Nothing stands where February would be.
    const qreal february = chart.Months.at(1).CentreX;
    for (int y = int(chart.Plot.top()); y < int(chart.Plot.bottom()); y += 3) {
        const QColor pixel = image.pixelColor(int(february), y);
        QVERIFY(pixel != IncomeBarColour() && pixel != ExpenseBarColour());
    }
}

// More categories than the sheet holds: those that do not fit are left out whole, and every
// line printed lies wholly on the sheet.
void TestYearPage::sheetKeepsWholeLines()
{
    YearOverview year = Year({{1, 1000, 500}});
    for (int i = 0; i < 150; ++i)
        year.ExpenseByCategory.Groups.append(Group(u"Kategorie %1"_s.arg(i, 3, 10, QChar(u'0')), 1, year));
    const YearPage sheet = PrintedYearPage(year, Regional());
    QVERIFY(FindText(sheet.Page, u"Kategorie 000"_s));
    QVERIFY(!FindText(sheet.Page, u"Kategorie 149"_s));
    for (const PageItem &item : sheet.Page.Items) {
        if (item.What != PageItem::Kind::Text && item.What != PageItem::Kind::RightText)
            continue;
        const int height = QFontMetrics(PageFont(sheet.Page.FontFamily, item.Points, item.Bold)).height();
        QVERIFY2(item.At.y() + height <= sheet.Page.Size.height(), qPrintable(item.Text));
    }
    // The screen page grows instead and shows them all.
    QVERIFY(FindText(ScreenYearPage(year, Regional()).Page, u"Kategorie 149"_s));
}

QTEST_MAIN(TestYearPage)
#include "tst_yearpage.moc"
