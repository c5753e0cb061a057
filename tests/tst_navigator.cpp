#include "controls/Fonts.h"
#include "dialogs/NavigatorUnit.h"
#include "ledger/CategoryTable.h"
#include "support/ResourceImages.h"

#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The category overview: its picture drawn into an image, and the window offscreen.
class TestNavigator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void heights_data();
    void heights();
    void picture_data();
    void picture();
    void showing_data();
    void showing();
    void dragScrolls();

private:
    void Show(TFormNavigator &window, int mode);
    void Drag(QWidget *image, QPoint from, QPoint to, Qt::MouseButton pressed, Qt::MouseButtons held);
    TFormNavigator *Dragged = nullptr;

    QTemporaryDir Home;
    CategoryTable Defaults;
    CategoryTable Empty;
};

void TestNavigator::initTestCase()
{
    QVERIFY(Home.isValid());
    qputenv("HOME", Home.path().toUtf8());
    RegisterFontSubstitutions();
    Defaults.FillDefaultCategories();
}

void TestNavigator::Show(TFormNavigator &window, int mode)
{
    window.NavigatorMode = mode;
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

// A press of a button, one move with the buttons the system reports held, and the release,
// sent as the window system would.
void TestNavigator::Drag(QWidget *image, QPoint from, QPoint to, Qt::MouseButton pressed, Qt::MouseButtons held)
{
    const auto send = [image](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, image->mapToGlobal(at), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(image, &event);
    };
    send(QEvent::MouseButtonPress, from, pressed, pressed);
    QCOMPARE(Dragged->DragPoint(), image->mapToGlobal(from));
    send(QEvent::MouseMove, to, Qt::NoButton, held);
    send(QEvent::MouseButtonRelease, to, pressed, Qt::NoButton);
    QCOMPARE(Dragged->DragPoint(), QPoint(-1, -1));
}

void TestNavigator::heights_data()
{
    QTest::addColumn<bool>("empty");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("height");
    QTest::newRow("income") << false << 1 << 235;
    QTest::newRow("expenses") << false << 2 << 1370;
    QTest::newRow("both") << false << 3 << 1585;
    QTest::newRow("empty table, both") << true << 3 << 80;
}

void TestNavigator::heights()
{
    QFETCH(bool, empty);
    QFETCH(int, mode);
    QFETCH(int, height);
    QCOMPARE(OverviewHeight(empty ? Empty : Defaults, mode), height);
}

void TestNavigator::picture_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("expenseTop"); // the expense strip's top; -1 without
    QTest::newRow("income") << 1 << -1;
    QTest::newRow("expenses") << 2 << 10;
    QTest::newRow("both") << 3 << 225;
}

void TestNavigator::picture()
{
    QFETCH(int, mode);
    QFETCH(int, expenseTop);
    QImage image(OverviewWidth, OverviewHeight(Defaults, mode), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    DrawOverview(painter, Defaults, mode);
    painter.end();

    QCOMPARE(image.pixelColor(OverviewWidth - 1, image.height() - 1), QColor(Qt::white));
    // The strips, compared right of their captions.
    const QImage income = ResourceBitmap(u"NAVIGATOR_INC"_s);
    QCOMPARE(image.pixel(20 + 200, 10 + 16) == income.pixel(200, 16), mode != 2);
    if (expenseTop < 0)
        return;
    QCOMPARE(image.pixel(20 + 200, expenseTop + 16), ResourceBitmap(u"NAVIGATOR_OUT"_s).pixel(200, 16));
    // The first group's grey rule, 280 pixels from the margin.
    const int rule = expenseTop + 25 + 15;
    QCOMPARE(image.pixelColor(20, rule), QColor(0x80, 0x80, 0x80));
    QCOMPARE(image.pixelColor(299, rule), QColor(0x80, 0x80, 0x80));
    QCOMPARE(image.pixelColor(300, rule), QColor(Qt::white));
}

void TestNavigator::showing_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("storedMode");
    QTest::newRow("income") << 1 << 1;
    QTest::newRow("expenses") << 2 << 2;
    QTest::newRow("zero becomes both") << 0 << 3;
    QTest::newRow("seven becomes both") << 7 << 3;
}

void TestNavigator::showing()
{
    QFETCH(int, mode);
    QFETCH(int, storedMode);
    TFormNavigator window(Defaults);
    QCOMPARE(window.windowTitle(), u"Kategorien-Übersicht"_s);
    QCOMPARE(window.size(), QSize(361, 365));
    auto *area = window.findChild<QScrollArea *>(u"ScrollBoxNavigator"_s);
    auto *image = window.findChild<QLabel *>(u"ImageNavigator"_s);

    // Reused: each showing starts at the top with a fresh picture; a close drops it.
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        Show(window, mode);
        QCOMPARE(window.NavigatorMode, storedMode);
        const int height = OverviewHeight(Defaults, storedMode);
        QCOMPARE(image->size(), QSize(OverviewWidth, height));
        QCOMPARE(image->pixmap().height(), height);
        QCOMPARE(area->verticalScrollBar()->value(), 0);
        QVERIFY(!area->horizontalScrollBar()->isVisible());
        area->verticalScrollBar()->setValue(100);
        QWidget *focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : &window, key);
        QVERIFY(!window.isVisible());
        QVERIFY(image->pixmap().isNull());
    }
}

void TestNavigator::dragScrolls()
{
    TFormNavigator window(Defaults);
    Dragged = &window;
    Show(window, 3);
    auto *image = window.findChild<QLabel *>(u"ImageNavigator"_s);
    QScrollBar *bar = window.findChild<QScrollArea *>(u"ScrollBoxNavigator"_s)->verticalScrollBar();
    QCOMPARE(bar->maximum(), 1585 - window.findChild<QScrollArea *>()->viewport()->height());

    Drag(image, {100, 200}, {100, 150}, Qt::LeftButton, Qt::LeftButton); // up 50: the view goes down 50
    QCOMPARE(bar->value(), 50);
    Drag(image, {100, 250}, {100, 150}, Qt::LeftButton, Qt::NoButton); // moved without the button
    QCOMPARE(bar->value(), 50);
    Drag(image, {100, 250}, {100, 150}, Qt::RightButton, Qt::RightButton); // only the left button drags
    QCOMPARE(bar->value(), 50);
    Drag(image, {100, 300}, {100, 400}, Qt::LeftButton, Qt::LeftButton); // down 100: stops at the top
    QCOMPARE(bar->value(), 0);
    Drag(image, {100, 1500}, {100, 0}, Qt::LeftButton, Qt::LeftButton); // stops at the end
    QCOMPARE(bar->value(), bar->maximum());
}

QTEST_MAIN(TestNavigator)
#include "tst_navigator.moc"
