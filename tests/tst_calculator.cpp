#include "MainWindowFixture.h"
#include "MessageBoxAnswerer.h"

#include "calculator/CalcButton.h"
#include "calculator/CalcDisplay.h"
#include "calculator/CalculatorUnit.h"
#include "controls/Fonts.h"
#include "support/ResourceImages.h"

#include <QClipboard>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

// The calculator through the main window's button, its real keys and the keyboard.
class TestCalculator : public QObject, protected MainWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterFontSubstitutions(); }
    void init();
    void cleanup() { TearDown(); }
    void opensBesideTheMainWindow();
    void computesByMouseAndKeyboard();
    void copiesToTheClipboard();
    void failureIsReportedAndChangesNothing();
    void movedByDraggingTheDisplay();
    void keyFaces_data();
    void keyFaces();
    void keyPainting();

private:
    TFormCalculator *Calc() const { return Child<TFormCalculator>("FormCalculator"); }
    TCalcButton *Key(const char *name) const { return Child<TCalcButton>(name); }
    QString Display() const { return Child<TCalcDisplay>("DisplayLabel")->Caption(); }
    void Click(std::initializer_list<const char *> keys) const
    {
        for (const char *key : keys)
            QTest::mouseClick(Key(key), Qt::LeftButton);
    }
    // Alt+F3 in the main window; the calculator then has the keyboard.
    void OpenCalculator()
    {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : Window.get(), Qt::Key_F3,
                        Qt::AltModifier);
        QTRY_VERIFY(Calc()->isVisible());
        QTRY_COMPARE(QApplication::activeWindow(), Calc());
    }
};

void TestCalculator::init()
{
    SetUp();
    QVERIFY(StartWindow());
}

void TestCalculator::opensBesideTheMainWindow()
{
    QVERIFY(!Calc()->isVisible());
    OpenCalculator();
    TFormCalculator *calc = Calc();
    QCOMPARE(calc->size(), QSize(200, 200));
    QVERIFY(calc->windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(calc->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!calc->mask().contains(QPoint(0, 0))); // rounded corners
    QVERIFY(calc->mask().contains(QPoint(100, 0)));
    const QRect main = Window->frameGeometry();
    QCOMPARE(calc->pos(), QPoint(main.left() + 10, main.top() + main.height() - 200 - 50));
    QVERIFY(!Button("btnCalculator")->Enabled());
    Window->Timer1Timer(); // the enabling tick leaves the button alone
    QVERIFY(!Button("btnCalculator")->Enabled());

    Click({"btn2", "btnOp4", "btn3", "btnSum", "btnMemCopy"});
    QCOMPARE(Display(), u"5.00"_s);
    Click({"btnClose"});
    QVERIFY(!calc->isVisible());
    QVERIFY(Button("btnCalculator")->Enabled());

    // Opened again after the main window moved: placed anew, cleared, the memory kept.
    Window->move(Window->pos() + QPoint(40, 30));
    Window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Window.get()));
    OpenCalculator();
    const QRect moved = Window->frameGeometry();
    QCOMPARE(calc->pos(), QPoint(moved.left() + 10, moved.top() + moved.height() - 200 - 50));
    QCOMPARE(Display(), u"0"_s);
    Click({"btnMemInsert"});
    QCOMPARE(Display(), u"5.00"_s);
    QTest::keyClick(QApplication::activeWindow(), Qt::Key_Escape);
    QVERIFY(!calc->isVisible());
    QVERIFY(Button("btnCalculator")->Enabled());
}

void TestCalculator::computesByMouseAndKeyboard()
{
    OpenCalculator();
    Click({"btn2", "btnOp4", "btn3", "btnOp2", "btn4", "btnSum"});
    QCOMPARE(Display(), u"20.00"_s);
    QCOMPARE(Child<TCalcDisplay>("DisplayLabel")->toolTip(), u"20.00"_s);
    // The keys never take the keyboard from the window.
    QVERIFY(!qobject_cast<TCalcButton *>(QApplication::focusWidget()));

    QWidget *keyboard = QApplication::activeWindow();
    QTest::keyClick(keyboard, Qt::Key_C, Qt::ShiftModifier, 0);
    QTest::keyClicks(keyboard, u"2+3*4"_s);
    QTest::keyClick(keyboard, Qt::Key_Return);
    QCOMPARE(Display(), u"20.00"_s);
    QTest::keyClicks(keyboard, u"c12,5"_s);
    QTest::keyClick(keyboard, Qt::Key_Backspace);
    QCOMPARE(Display(), u"12."_s);
    QTest::keyClicks(keyboard, u"7/2="_s);
    QCOMPARE(Display(), u"6.35"_s);

    // A number too long for the display: all of it in the hint.
    const QString digits(40, u'9');
    QTest::keyClicks(keyboard, u"c"_s + digits);
    QCOMPARE(Child<TCalcDisplay>("DisplayLabel")->toolTip(), digits);
}

void TestCalculator::copiesToTheClipboard()
{
    OpenCalculator();
    QTest::keyClicks(QApplication::activeWindow(), u"10/4="_s);
    QTest::keyClick(QApplication::activeWindow(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"2.50"_s);
    QCOMPARE(Display(), u"2.50"_s); // Ctrl+C is no "C"

    QGuiApplication::clipboard()->clear();
    auto *display = Child<TCalcDisplay>("DisplayLabel");
    QContextMenuEvent right(QContextMenuEvent::Mouse, QPoint(20, 10), display->mapToGlobal(QPoint(20, 10)));
    QApplication::sendEvent(display, &right);
    QMenu *menu = display->PopupMenu();
    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(menu->actions().size(), 1);
    QCOMPARE(menu->actions().front()->text(), u"&Kopieren\tStrg+C"_s);
    QTest::keyClick(menu, Qt::Key_K);
    QTRY_VERIFY(!menu->isVisible());
    QCOMPARE(QGuiApplication::clipboard()->text(), u"2.50"_s);
}

void TestCalculator::failureIsReportedAndChangesNothing()
{
    OpenCalculator();
    Click({"btn7", "btnOp1", "btn0"});
    {
        MessageBoxAnswerer ok(u"OK"_s);
        Click({"btnSum"});
        QCOMPARE(ok.Title, u"Orvo Haushaltsbuch"_s);
        QCOMPARE(ok.Text, u"Gleitkommadivision durch Null."_s);
    }
    QCOMPARE(Display(), u"0"_s);
    Click({"btn2", "btnSum"}); // still 7 / 02
    QCOMPARE(Display(), u"3.50"_s);
}

void TestCalculator::movedByDraggingTheDisplay()
{
    OpenCalculator();
    TFormCalculator *calc = Calc();
    auto *display = Child<TCalcDisplay>("DisplayLabel");
    const QPoint start = calc->pos();
    QTest::mousePress(display, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(display, QPoint(40, 30));
    QTest::mouseRelease(display, Qt::LeftButton, {}, QPoint(40, 30));
    QTRY_COMPARE(calc->pos(), start + QPoint(30, 20));
    // A key pressed moves nothing.
    QTest::mousePress(Key("btn5"), Qt::LeftButton);
    QTest::mouseMove(Key("btn5"), QPoint(60, 60));
    QTest::mouseRelease(Key("btn5"), Qt::LeftButton, {}, QPoint(60, 60));
    QCOMPARE(calc->pos(), start + QPoint(30, 20));
    QCOMPARE(Display(), u"0"_s); // released off the key: no click
}

void TestCalculator::keyFaces_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("downed");
    QTest::addColumn<bool>("over");
    QTest::addColumn<bool>("press");
    QTest::addColumn<bool>("dragOff");
    QTest::addColumn<QString>("face");
    QTest::newRow("rest") << true << false << false << false << false << u"CALCBTN_BLUE"_s;
    QTest::newRow("under the mouse") << true << false << true << false << false << u"CALCBTN_MOVE"_s;
    QTest::newRow("pressed") << true << false << true << true << false << u"CALCBTN_DOWN"_s;
    QTest::newRow("pressed, dragged off") << true << false << true << true << true << u"CALCBTN_BLUE"_s;
    QTest::newRow("held down under the mouse") << true << true << true << false << false << u"CALCBTN_DOWN"_s;
    QTest::newRow("disabled, held down, pressed") << false << true << true << true << false << u"CALCBTN_BLUE"_s;
}

void TestCalculator::keyFaces()
{
    QFETCH(bool, enabled);
    QFETCH(bool, downed);
    QFETCH(bool, over);
    QFETCH(bool, press);
    QFETCH(bool, dragOff);
    QFETCH(QString, face);
    TCalcButton key;
    key.SetStyle(TCalcButton::sBLUE);
    key.SetEnabled(enabled);
    key.SetDowned(downed);
    key.move(20, 20);
    QCursor::setPos(400, 400); // the pointer away from the key: only the events below move it
    key.show();
    QVERIFY(QTest::qWaitForWindowExposed(&key));
    QSignalSpy clicked(&key, &TCalcButton::Clicked);
    if (over) {
        QEnterEvent enter(QPointF(16, 16), QPointF(16, 16), key.mapToGlobal(QPointF(16, 16)));
        QApplication::sendEvent(&key, &enter);
    }
    if (press)
        QTest::mousePress(&key, Qt::LeftButton);
    if (dragOff)
        QTest::mouseMove(&key, QPoint(48, 16));
    QCOMPARE(key.FaceName(), face);
    // The face drawn is that bitmap: compare a pixel the caption never covers.
    const QImage shown = key.grab().toImage();
    QCOMPARE(shown.pixel(16, 3), ResourceBitmap(face).pixel(16, 3));
    if (press) {
        QTest::mouseRelease(&key, Qt::LeftButton, {}, dragOff ? QPoint(48, 16) : QPoint(16, 16));
        QCOMPARE(clicked.count(), enabled && !dragOff ? 1 : 0);
    }
}

void TestCalculator::keyPainting()
{
    const QImage picture = ResourceBitmap(u"CALCPIC_ADD"_s);
    TCalcButton plain;
    plain.SetPicIdle(picture);
    TCalcButton captioned;
    captioned.SetPicIdle(picture);
    captioned.SetCaption(u"Summe"_s);
    QCOMPARE(captioned.grab().toImage(), plain.grab().toImage()); // the picture hides the caption

    // The middle of the "+" is its ink colour, and grey on a disabled key.
    QCOMPARE(plain.grab().toImage().pixel(16, 16), picture.pixel(12, 12));
    plain.SetEnabled(false);
    const QRgb grey = plain.grab().toImage().pixel(16, 16);
    QVERIFY(qRed(grey) == qGreen(grey) && qGreen(grey) == qBlue(grey));

    // Sizes stay fixed.
    plain.resize(50, 40);
    QCOMPARE(plain.size(), QSize(32, 32));
    TCalcDisplay display;
    display.resize(300, 40);
    QCOMPARE(display.size(), QSize(184, 29));
}

QTEST_MAIN(TestCalculator)
#include "tst_calculator.moc"
