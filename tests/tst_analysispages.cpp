// The analysis pages and the pie, painted into images: what stands where, in which colour,
// and how the pie keeps readable from one slice to twenty.

#include "analysis/AnalysisPages.h"
#include "analysis/DiaUnit.h"
#include "analysis/PieChart.h"
#include "controls/Fonts.h"
#include "ledger/BookingList.h"
#include "ledger/Regional.h"
#include "output/PagePrinter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

BookingList Rows(ListKind kind, const QStringList &rows)
{
    BookingList list(kind);
    for (const QString &row : rows)
        list.AddRow(ListRow::Make(u"01.03.2008"_s, row.split(u'|')));
    return list;
}

QImage Render(QSize size, const std::function<void(QPainter &)> &draw)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    draw(painter);
    return image;
}

// Pixels in the rectangle for which the test holds.
int Count(const QImage &image, const QRect &area, const std::function<bool(QColor)> &test)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += test(image.pixelColor(x, y)) ? 1 : 0;
    return n;
}

bool IsRed(QColor c)
{
    return c.red() > 200 && c.green() < 90 && c.blue() < 90;
}

bool IsInk(QColor c)
{
    return c.lightness() < 160;
}

// The right-most column with ink in the rectangle, or -1.
int RightmostInk(const QImage &image, const QRect &area)
{
    for (int x = area.right(); x >= area.left(); --x) {
        if (Count(image, QRect(x, area.top(), 1, area.height()), IsInk) > 0)
            return x;
    }
    return -1;
}

// The smallest rectangle holding every pixel of exactly this colour in the area.
QRect Bounds(const QImage &image, QColor colour, const QRect &area)
{
    QRect seen;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) == colour)
                seen |= QRect(x, y, 1, 1);
    return seen;
}

// The texts of a layout with their positions, "x,y text" (right-aligned: "..x,y text").
QStringList Texts(const PageLayout &page)
{
    QStringList texts;
    for (const PageItem &item : page.Items) {
        if (item.What == PageItem::Kind::Text)
            texts.append(u"%1,%2 %3"_s.arg(item.At.x()).arg(item.At.y()).arg(item.Text));
        else if (item.What == PageItem::Kind::RightText)
            texts.append(u"..%1,%2 %3"_s.arg(item.At.x()).arg(item.At.y()).arg(item.Text));
    }
    return texts;
}

} // namespace

class TestAnalysisPages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterFontSubstitutions(); }
    void screenPage1();
    void emptyMonth();
    void unnamedGroup();
    void printedPage1();
    void longNamesEndBeforeTheAmount_data();
    void longNamesEndBeforeTheAmount();
    void onlyWholeLines();
    void pieFromLists();
    void pieValueText_data();
    void pieValueText();
    void pieStaysReadable_data();
    void pieStaysReadable();
    void printedPieKeepsItsProportions_data();
    void printedPieKeepsItsProportions();

private:
    Regional Regional_;
    // An expense surplus: the month's result is negative, the regular one positive.
    BookingList Income_ = Rows(ListKind::Income, {u"100.00|Gehalt|Lohn"_s});
    BookingList Expend_ = Rows(ListKind::Expend, {u"250.00|Wohnen|Miete"_s});
    BookingList Regular_ = Rows(ListKind::Regular, {u"50.00|Zinsen|Sparbuch|Einnahme"_s});
    AnalysisSource Source() const { return {Income_, Expend_, Regular_, u"März 2008"_s, Regional_}; }
};

void TestAnalysisPages::screenPage1()
{
    const QStringList texts = Texts(AnalysisPage1Layout(Source()));
    QCOMPARE(texts.first(), u"50,20 Haushaltsbuch - Berechnung für März 2008"_s);
    for (const QString &expected : {u"50,80 Einnahmen:"_s, u"..300,80 150.00 €"_s, u"..580,80 50.00 €"_s,
                                    u"..300,95 250.00 €"_s, u"..300,120 -100.00 €"_s, u"..580,120 50.00 €"_s,
                                    u"50,180 Gehalt:"_s, u"..300,180 100.00 €"_s, u"50,195 Zinsen:"_s,
                                    u"330,180 Wohnen:"_s})
        QVERIFY2(texts.contains(expected), qPrintable(expected));

    const QImage page = Render(AnalysisPage::ScreenSize, [&](QPainter &p) { DrawAnalysisPage1(p, Source()); });
    // The bands at their places, seen at their right ends where no heading covers them.
    QCOMPARE(page.pixelColor(299, 77), QColor(0xB5, 0xBD, 0xD4));
    QCOMPARE(page.pixelColor(579, 77), QColor(0xCE, 0xC7, 0xAF));
    QCOMPARE(page.pixelColor(299, 177), QColor(0xB3, 0xCA, 0xBB));
    QCOMPARE(page.pixelColor(579, 177), QColor(0xD8, 0xBB, 0xBB));
    QCOMPARE(page.pixelColor(300, 77), QColor(Qt::white));
    // The grey rules, one pixel high, from 50 to 300 and from 330 to 580.
    QCOMPARE(page.pixelColor(50, 115), QColor(0x80, 0x80, 0x80));
    QCOMPARE(page.pixelColor(299, 115), QColor(0x80, 0x80, 0x80));
    QCOMPARE(page.pixelColor(450, 115), QColor(0x80, 0x80, 0x80));
    QCOMPARE(page.pixelColor(175, 116), QColor(Qt::white));
    QCOMPARE(page.pixelColor(310, 115), QColor(Qt::white));
    // The negative result is red, its label and the positive regular result are not.
    QVERIFY(Count(page, {200, 120, 100, 16}, IsRed) > 10);
    QCOMPARE(Count(page, {50, 120, 100, 16}, IsRed), 0);
    QCOMPARE(Count(page, {480, 120, 100, 16}, IsRed), 0);
    // Amounts end at their column's right edge.
    QVERIFY(qAbs(RightmostInk(page, {200, 80, 120, 13}) - 299) <= 2);
    QVERIFY(qAbs(RightmostInk(page, {480, 80, 120, 13}) - 579) <= 2);
}

void TestAnalysisPages::emptyMonth()
{
    const BookingList none(ListKind::Income);
    const AnalysisSource empty{none, none, none, u"März 2008"_s, Regional_};
    const QStringList page1 = Texts(AnalysisPage1Layout(empty));
    QCOMPARE(page1.filter(u"0.00 €"_s).size(), 6);
    QCOMPARE(page1.size(), 1 + 4 + 12); // title, four headings, six labelled amounts
    QCOMPARE(Texts(AnalysisPage2Layout(empty)),
             (QStringList{u"50,20 Haushaltsbuch - Berechnung für März 2008"_s, u"50,60 Einnahmen nach Verwendung"_s,
                          u"330,60 Ausgaben nach Verwendung"_s}));
}

void TestAnalysisPages::unnamedGroup()
{
    const BookingList income = Rows(ListKind::Income, {u"12.00||Geschenk"_s});
    const AnalysisSource source{income, Expend_, Regular_, u"März 2008"_s, Regional_};
    QVERIFY(Texts(AnalysisPage1Layout(source)).contains(u"50,180 [Keine Angabe]:"_s));
    QVERIFY(Texts(PrintPage1Layout(source)).contains(u"300,680 :"_s));
    QVERIFY(Texts(PrintPage1Layout(source)).contains(u"..1200,680 12.00 €"_s));
}

void TestAnalysisPages::printedPage1()
{
    const QStringList texts = Texts(PrintPage1Layout(Source()));
    for (const QString &expected : {u"300,100 Haushaltsbuch - Berechnung für März 2008"_s,
                                    u"300,300 Einnahmen/Ausgaben gesamt"_s, u"1340,300 Regelmäßige Buchungen"_s,
                                    u"..1200,360 150.00 €"_s, u"..2240,410 0.00 €"_s, u"..1200,480 -100.00 €"_s,
                                    u"300,620 Einnahmen nach Kategorien"_s, u"300,730 Zinsen:"_s})
        QVERIFY2(texts.contains(expected), qPrintable(expected));

    const QImage page = RenderPageImage([&](QPainter &p) { DrawPrintPage1(p, Source()); });
    // Boxes with their right and bottom edges exclusive, in the bands' left-end colours.
    QCOMPARE(page.pixelColor(1199, 349), QColor(0x30, 0x48, 0x87));
    QCOMPARE(page.pixelColor(1200, 349), QColor(Qt::white));
    QCOMPARE(page.pixelColor(1199, 350), QColor(Qt::white));
    QCOMPARE(page.pixelColor(2239, 349), QColor(0x7A, 0x67, 0x25));
    QCOMPARE(page.pixelColor(1199, 669), QColor(0x30, 0x6D, 0x44));
    QCOMPARE(page.pixelColor(2239, 669), QColor(0x8C, 0x37, 0x37));
    // Two-pixel rules.
    QCOMPARE(page.pixelColor(700, 470), QColor(0x80, 0x80, 0x80));
    QCOMPARE(page.pixelColor(700, 471), QColor(0x80, 0x80, 0x80));
    QCOMPARE(page.pixelColor(700, 472), QColor(Qt::white));
    QVERIFY(Count(page, {900, 480, 300, 45}, IsRed) > 50);
    QCOMPARE(Count(page, {300, 480, 300, 45}, IsRed), 0);
    QVERIFY(qAbs(RightmostInk(page, {900, 360, 320, 40}) - 1199) <= 3);
}

void TestAnalysisPages::longNamesEndBeforeTheAmount_data()
{
    QTest::addColumn<bool>("paper");
    QTest::newRow("screen") << false;
    QTest::newRow("paper") << true;
}

// A name that would reach the amount column ends in "…" before it; short names stay whole.
void TestAnalysisPages::longNamesEndBeforeTheAmount()
{
    QFETCH(bool, paper);
    const BookingList income = Rows(ListKind::Income, {u"767.20|Steuer|Einkommensteuerbescheid Finanzamt"_s,
                                                       u"1.00|Lohn|Gehalt"_s});
    const BookingList expend = Rows(ListKind::Expend, {u"1234.56|Auto|WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"_s});
    const BookingList regular(ListKind::Regular);
    const AnalysisSource source{income, expend, regular, u"März 2008"_s, Regional_};
    const PageLayout page = paper ? PrintPage2Layout(source) : AnalysisPage2Layout(source);
    const QFontMetricsF metrics(PageFont(page.FontFamily, paper ? 32 : 10));
    QStringList names;
    for (qsizetype i = 0; i + 1 < page.Items.size(); ++i) {
        const PageItem &name = page.Items.at(i);
        const PageItem &amount = page.Items.at(i + 1);
        if (name.What != PageItem::Kind::Text || amount.What != PageItem::Kind::RightText)
            continue;
        names << name.Text;
        const qreal nameEnd = name.At.x() + metrics.horizontalAdvance(name.Text);
        const qreal amountStart = amount.At.x() - metrics.horizontalAdvance(amount.Text);
        QVERIFY2(nameEnd < amountStart, qPrintable(name.Text + u" / "_s + amount.Text));
    }
    QCOMPARE(names.size(), 3);
    QVERIFY2(names.at(0).startsWith(u"Einkommensteuer"_s) && names.at(0).endsWith(u"…:"_s), qPrintable(names.at(0)));
    QCOMPARE(names.at(1), u"Gehalt:"_s);
    QVERIFY2(names.at(2).startsWith(u"WWW"_s) && names.at(2).endsWith(u"…:"_s), qPrintable(names.at(2)));
    // The breakdown itself keeps the whole name, as the command-line tool shows it.
    QCOMPARE(SumGroups(income, regular, AnalysisSide::Income, GroupKey::Purpose).first().Name,
             u"Einkommensteuerbescheid Finanzamt"_s);
}

// A breakdown line that the page's edge would cut is left off with the rest.
void TestAnalysisPages::onlyWholeLines()
{
    QStringList rows;
    for (int i = 0; i < 100; ++i)
        rows << u"1.00|K%1|V%1"_s.arg(i);
    const BookingList income = Rows(ListKind::Income, rows);
    const AnalysisSource source{income, Expend_, Regular_, u"März 2008"_s, Regional_};
    // Paper: lines every 50 pixels from 680 on a page of 3350; the line at 3330 would be cut.
    const QStringList printed = Texts(PrintPage1Layout(source));
    QVERIFY(printed.contains(u"300,3280 K52:"_s));
    QVERIFY(printed.filter(u"K53:"_s).isEmpty());
    // Screen: every 15 pixels from 180 on a page of 1200; the line at 1185 is the last.
    const QStringList shown = Texts(AnalysisPage1Layout(source));
    QVERIFY(shown.contains(u"50,1185 K67:"_s));
    QVERIFY(shown.filter(u"K68:"_s).isEmpty());
}

void TestAnalysisPages::pieFromLists()
{
    TQELPieChart chart;
    const BookingList income = Rows(ListKind::Income, {u"300.00|B|x"_s, u"1.00|A|x"_s, u"2.00||x"_s});
    const BookingList regular = Rows(ListKind::Regular, {u"5.00|C|x|Einnahme"_s, u"9.00|D|x|Ausgabe"_s});
    FillPieFromList(chart, income, regular, AnalysisSide::Income, u"März 2008"_s);
    QCOMPARE(chart.Title(), u"Haushaltsbuch - Einnahmen März 2008"_s);
    QCOMPARE(chart.Slices().size(), 4);
    const QStringList labels{u"B"_s, u"A"_s, QString(), u"C"_s};
    const QList<double> values{300, 1, 2, 5};
    const QList<QColor> colours{QColor(0xFF5555), QColor(0x4DE344), QColor(0xFAEE12), QColor(0x246FEA)};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(chart.Slices().at(i).Label, labels.at(i));
        QCOMPARE(chart.Slices().at(i).Value, values.at(i));
        QCOMPARE(chart.Slices().at(i).Colour, colours.at(i));
    }

    QStringList rows;
    for (int i = 1; i <= 25; ++i)
        rows.append(u"%1.00|Kategorie %1|x"_s.arg(i));
    FillPieFromList(chart, Rows(ListKind::Expend, rows), regular, AnalysisSide::Expense, u"März 2008"_s);
    QCOMPARE(chart.Title(), u"Haushaltsbuch - Ausgaben März 2008"_s);
    QCOMPARE(chart.Slices().size(), 20);
    QCOMPARE(chart.Slices().last().Label, u"Kategorie 20"_s);
    QCOMPARE(chart.Slices().last().Colour, QColor(0xC6C246));

    FillPieFromList(chart, BookingList(ListKind::Expend), BookingList(ListKind::Regular), AnalysisSide::Expense,
                    u"April 2008"_s);
    QCOMPARE(chart.Title(), u"Haushaltsbuch - Ausgaben April 2008"_s);
    QVERIFY(chart.Slices().isEmpty());
}

void TestAnalysisPages::pieValueText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("groups and one decimal") << 1234.5 << u"1.234,5 €"_s;
    QTest::newRow("whole") << 1000.0 << u"1.000 €"_s;
    QTest::newRow("three decimals at most") << 12.3456 << u"12,346 €"_s;
    QTest::newRow("zero") << 0.0 << u"0 €"_s;
    QTest::newRow("millions") << 1234567.25 << u"1.234.567,25 €"_s;
}

void TestAnalysisPages::pieValueText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(PieValueText(value, Regional_.Locale(), Regional_.CurrencySymbol()), text);
}

void TestAnalysisPages::pieStaysReadable_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::newRow("one slice") << QList<double>{42};
    QTest::newRow("99 and 1 percent") << QList<double>{99, 1};
    QList<double> twenty;
    for (int i = 1; i <= 20; ++i)
        twenty.append(i);
    QTest::newRow("twenty slices") << twenty;
}

// Every slice shows on the pie, and below the pie's top the front wall shows in darker tones.
void TestAnalysisPages::pieStaysReadable()
{
    QFETCH(QList<double>, values);
    PieChartContent chart{u"Haushaltsbuch - Ausgaben März 2008"_s, {}, Regional_.Locale(), u"€"_s};
    for (int i = 0; i < values.size(); ++i)
        chart.Slices.append({values.at(i), u"K%1"_s.arg(i), PieSliceColour(i)});
    const QSize size(619, 515);
    const QImage image = Render(size, [&](QPainter &p) { DrawPieChart(p, size, chart); });
    // Left of the legend, whose colour symbols have dark grey frames.
    int legendLeft = size.width();
    for (int y = 40; y < size.height(); ++y)
        for (int x = 0; x < legendLeft; ++x)
            if (image.pixelColor(x, y) == QColor(0x40, 0x40, 0x40))
                legendLeft = x;
    QVERIFY(legendLeft > 400);
    const QRect pieArea(0, 30, legendLeft - 1, size.height() - 30);

    QRect top;
    for (int i = 0; i < values.size(); ++i) {
        const QRect seen = Bounds(image, PieSliceColour(i), pieArea);
        QVERIFY2(seen.width() * seen.height() >= 4, qPrintable(u"slice %1"_s.arg(i + 1)));
        top |= seen;
    }
    // Seen from above at an angle: wider than high.
    QVERIFY(top.width() > top.height() * 1.3);
    QVERIFY(top.width() > 250);
    // The wall: under the top's lowest point, a band of darker colour before the white.
    const int x = top.center().x();
    int wall = 0;
    for (int y = top.bottom() + 2; y < size.height() && image.pixelColor(x, y) != QColor(Qt::white); ++y)
        wall += image.pixelColor(x, y).value() < 230 ? 1 : 0;
    QVERIFY2(wall > 20, qPrintable(QString::number(wall)));
}

void TestAnalysisPages::printedPieKeepsItsProportions_data()
{
    // Printable areas at 100 dots per inch, with a quarter inch of margin all round.
    QTest::addColumn<QRect>("area");
    QTest::newRow("A4") << QRect(25, 25, 777, 1119);
    QTest::newRow("Letter") << QRect(25, 25, 800, 1050);
    QTest::newRow("landscape") << QRect(0, 0, 1169, 827);
}

// On any paper the pie keeps the proportions it has on the screen, inside margins of 15 % of
// the printable area, centred.
void TestAnalysisPages::printedPieKeepsItsProportions()
{
    QFETCH(QRect, area);
    const PieChartContent chart{u"Haushaltsbuch - Einnahmen März 2008"_s,
                                {{3, u"A"_s, PieSliceColour(0)}},
                                Regional_.Locale(),
                                u"€"_s};
    const QSize chartSize(619, 515);
    const QImage screen = Render(chartSize, [&](QPainter &p) { DrawPieChart(p, chartSize, chart); });
    const QImage paper = Render(QSize(2 * area.x() + area.width(), 2 * area.y() + area.height()),
                                [&](QPainter &p) { DrawPieChartOnArea(p, area, chartSize, chart); });
    const QRect onScreen = Bounds(screen, PieSliceColour(0), screen.rect());
    const QRect printed = Bounds(paper, PieSliceColour(0), paper.rect());
    const QRectF inside(area.x() + 0.15 * area.width(), area.y() + 0.15 * area.height(), 0.7 * area.width(),
                        0.7 * area.height());
    QVERIFY(inside.contains(printed));
    const double scale = std::min(inside.width() / chartSize.width(), inside.height() / chartSize.height());
    QVERIFY2(qAbs(printed.width() - onScreen.width() * scale) < 2 * scale
                 && qAbs(printed.height() - onScreen.height() * scale) < 2 * scale,
             qPrintable(u"%1x%2 against %3x%4 scaled by %5"_s.arg(printed.width()).arg(printed.height())
                            .arg(onScreen.width()).arg(onScreen.height()).arg(scale)));
    // Centred across: the chart's width fills the margins' width or sits in their middle.
    const double chartLeft = inside.center().x() - chartSize.width() * scale / 2;
    QVERIFY(qAbs(printed.left() - (chartLeft + onScreen.left() * scale)) < 2 * scale);
}

QTEST_MAIN(TestAnalysisPages)
#include "tst_analysispages.moc"
