#include "controls/ColorRef.h"
#include "controls/DialogKeyRouter.h"
#include "controls/FillGradient.h"
#include "controls/Fonts.h"
#include "controls/MessageBoxes.h"
#include "controls/OrvoSkinButton.h"
#include "controls/OrvoSkinCheckBox.h"
#include "controls/OrvoSkinPanel.h"

#include <QApplication>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QSignalSpy>
#include <QLineEdit>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QImage Gradient(int height, const QList<QColor> &colors)
{
    QImage image(4, height, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter p(&image);
    FillGradient(p, image.rect(), colors);
    return image;
}

// Rows of the image that hold a pixel darker than the threshold.
QList<int> DarkRows(const QImage &image, const QRect &area, int threshold = 80)
{
    QList<int> rows;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (qGray(image.pixel(x, y)) < threshold) {
                rows.append(y);
                break;
            }
        }
    }
    return rows;
}

bool HasColor(const QImage &image, QRgb color)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (color & 0xFFFFFF))
                return true;
    return false;
}

} // namespace

class TestSkinControls : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterFontSubstitutions(); }
    void gradientBands_data();
    void gradientBands();
    void gradientNeedsTwoColors();
    void buttonDefaults();
    void faceColorRules_data();
    void faceColorRules();
    void twoLineCaption();
    void disabledButtonLooksAndActsDisabled();
    void focusFrame();
    void pressDragOutReleaseDoesNotClick();
    void dialogKeys();
    void hotKeysOnlyForVisibleEnabledButtons();
    void checkBoxToggleAndSpace();
    void radioGroupIsTheWindow();
    void disabledCheckBoxIgnoresInput();
    void checkBoxAutosize();
    void panelWithoutTitle();
    void errorReportFullStop_data();
    void errorReportFullStop();
    void messageBoxOverItsWindow_data();
    void messageBoxOverItsWindow();
};

void TestSkinControls::gradientBands_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("colors");
    QTest::addColumn<QList<int>>("boundaries"); // rows that carry exactly the colours c0..cn
    QTest::newRow("two colours, 22 rows") << 22 << 2 << QList<int>{0, 21};
    QTest::newRow("three colours, 22 rows") << 22 << 3 << QList<int>{0, 11, 21};
    QTest::newRow("three colours, 5 rows: half rounds to even 2") << 5 << 3 << QList<int>{0, 2, 4};
    QTest::newRow("three colours, 7 rows: half rounds to even 4") << 7 << 3 << QList<int>{0, 4, 6};
    QTest::newRow("four colours, 40 rows") << 40 << 4 << QList<int>{0, 13, 26, 39};
}

void TestSkinControls::gradientBands()
{
    QFETCH(int, height);
    QFETCH(int, colors);
    QFETCH(QList<int>, boundaries);
    const QList<QColor> palette = {QColor(0, 0, 0), QColor(200, 100, 50), QColor(10, 250, 90), QColor(255, 255, 255)};
    const QImage image = Gradient(height, palette.mid(0, colors));
    for (int i = 0; i < boundaries.size(); ++i)
        QCOMPARE(QColor(image.pixel(0, boundaries.at(i))), palette.at(i));
    for (int y = 0; y < height; ++y)
        QVERIFY2(image.pixel(3, y) != qRgb(255, 0, 255), qPrintable(u"row %1 unpainted"_s.arg(y)));
    if (colors == 2 && height == 22) {
        // t = q / 21, channel = integer part of c0 + (c1 - c0) * t
        QCOMPARE(qRed(image.pixel(0, 10)), int(200 * 10 / 21.0));
        QCOMPARE(qGreen(image.pixel(0, 20)), int(100 * 20 / 21.0));
    }
}

void TestSkinControls::gradientNeedsTwoColors()
{
    const QImage image = Gradient(10, {Qt::red});
    QVERIFY(!HasColor(image, qRgb(255, 0, 0)));
    QVERIFY(!HasColor(Gradient(10, {}), qRgb(0, 0, 0)));
}

void TestSkinControls::buttonDefaults()
{
    TOrvoSkinButton b;
    QCOMPARE(b.size(), QSize(120, 22));
    QCOMPARE(b.TextSize(), 10);
    QVERIFY(b.Enabled() && !b.Disabled() && !b.Downed() && !b.Default() && !b.Cancel());
    QVERIFY(b.ShowFrame() && !b.RoundEdge());
    QCOMPARE(b.HotKey(), TSkinHotKey::None);
    QCOMPARE(b.UpColor1(), ColorFromRef(0xE1D7D0));
    QCOMPARE(b.FrameColor(), ColorFromRef(0x928172));
    QCOMPARE(b.cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(HotKeyCode(TSkinHotKey::QBAlt_F10), int(Qt::Key_F10));
    QCOMPARE(HotKeyCode(TSkinHotKey::QBAlt_Z), int(Qt::Key_Z));
    QCOMPARE(HotKeyCode(TSkinHotKey::QBAlt_F11), int(Qt::Key_F11));
}

void TestSkinControls::faceColorRules_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("downed");
    QTest::addColumn<bool>("over");
    QTest::addColumn<bool>("press");
    QTest::addColumn<QString>("face");
    QTest::newRow("normal") << true << false << false << false << u"up"_s;
    QTest::newRow("hover") << true << false << true << false << u"move"_s;
    QTest::newRow("pressed inside") << true << false << true << true << u"down"_s;
    QTest::newRow("downed under mouse") << true << true << true << false << u"down"_s;
    QTest::newRow("downed") << true << true << false << false << u"down"_s;
    QTest::newRow("disabled beats downed") << false << true << true << false << u"dis"_s;
}

void TestSkinControls::faceColorRules()
{
    QFETCH(bool, enabled);
    QFETCH(bool, downed);
    QFETCH(bool, over);
    QFETCH(bool, press);
    QFETCH(QString, face);
    QWidget window;
    window.resize(300, 100);
    auto *b = new TOrvoSkinButton(&window);
    SkinButtonScheme::Menu().ApplyTo(*b);
    b->move(10, 10);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    b->SetEnabled(enabled);
    b->SetDowned(downed);
    if (over)
        QTest::mouseMove(b, QPoint(5, 5));
    if (press)
        QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
    const QMap<QString, QColor> expected = {{u"up"_s, b->UpColor1()},
                                            {u"move"_s, b->MoveColor1()},
                                            {u"down"_s, b->DownColor1()},
                                            {u"dis"_s, b->DisColor1()}};
    QTRY_COMPARE(b->FaceColor1(), expected.value(face));
    // The middle row carries colour 1.
    const QImage image = b->grab().toImage();
    QCOMPARE(QColor(image.pixel(60, 11)), b->FaceColor1());
    if (press)
        QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(5, 5));
}

void TestSkinControls::twoLineCaption()
{
    TOrvoSkinButton b;
    b.resize(145, 40);
    b.SetCaption(u"Haushalt#berechnen"_s);
    const QImage image = b.grab().toImage();
    const QList<int> rows = DarkRows(image, QRect(2, 2, 141, 36));
    QVERIFY(!rows.isEmpty());
    QVERIFY2(rows.front() < 20 && rows.back() >= 20, "one line above and one below the middle row");

    b.SetCaption(u"#"_s); // two empty lines
    QVERIFY(DarkRows(b.grab().toImage(), QRect(2, 2, 141, 36)).isEmpty());
}

void TestSkinControls::disabledButtonLooksAndActsDisabled()
{
    QWidget window;
    auto *b = new TOrvoSkinButton(&window);
    b->SetCaption(u"Einnahmen"_s);
    b->SetHotKey(TSkinHotKey::QBAlt_F6);
    b->SetDefault(true);
    b->SetCancel(true);
    QImage picture(16, 16, QImage::Format_RGB888);
    picture.fill(QColor(255, 0, 0));
    picture.setPixel(0, 0, qRgb(0, 255, 0));
    b->SetPicIdle(picture);
    b->SetEnabled(false);
    QSignalSpy clicked(b, &TOrvoSkinButton::Clicked);
    b->Click();
    for (int key : {int(Qt::Key_Return), int(Qt::Key_Escape), int(Qt::Key_F6)})
        QVERIFY(!b->OfferDialogKey(key));
    QCOMPARE(clicked.count(), 0);

    const QImage image = b->grab().toImage();
    QVERIFY(DarkRows(image, QRect(30, 2, 80, 18), 60).isEmpty()); // grey text, nothing black
    QVERIFY(!HasColor(image, qRgb(255, 0, 0)));                    // the picture is greyed
    const int grey = (77 * 255) >> 8;
    QVERIFY(HasColor(image, qRgb(grey, grey, grey)));
    QVERIFY(!HasColor(image, qRgb(0, 255, 0)));                    // corner colour transparent
}

void TestSkinControls::focusFrame()
{
    QWidget window;
    window.resize(200, 60);
    auto *other = new TOrvoSkinButton(&window);
    auto *b = new TOrvoSkinButton(&window);
    b->move(0, 30);
    b->SetFocusColor(QColor(1, 2, 3));
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    other->setFocus();
    QTRY_VERIFY(other->Focused());
    QVERIFY(!HasColor(b->grab().toImage(), qRgb(1, 2, 3)));
    b->setFocus();
    QTRY_VERIFY(b->Focused());
    const QImage image = b->grab().toImage();
    QCOMPARE(image.pixel(1, 5) & 0xFFFFFF, qRgb(1, 2, 3) & 0xFFFFFF);
    QCOMPARE(QColor(image.pixel(0, 5)), b->FrameColor());
}

void TestSkinControls::pressDragOutReleaseDoesNotClick()
{
    QWidget window;
    window.resize(300, 100);
    auto *b = new TOrvoSkinButton(&window);
    b->move(10, 10);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy clicked(b, &TOrvoSkinButton::Clicked);

    QTest::mouseMove(b, QPoint(5, 5));
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(b->FaceColor1(), b->DownColor1());
    QMouseEvent move(QEvent::MouseMove, QPointF(200, 50), b->mapToGlobal(QPointF(200, 50)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(b, &move);
    QCOMPARE(b->FaceColor1(), b->UpColor1()); // normal colours while outside
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(200, 50));
    QCOMPARE(clicked.count(), 0);

    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(clicked.count(), 1);
}

void TestSkinControls::dialogKeys()
{
    QWidget window;
    window.resize(400, 100);
    new TDialogKeyRouter(&window);
    auto *focused = new TOrvoSkinButton(&window);
    auto *ok = new TOrvoSkinButton(&window);
    auto *cancel = new TOrvoSkinButton(&window);
    ok->move(130, 0);
    cancel->move(260, 0);
    ok->SetDefault(true);
    cancel->SetCancel(true);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    focused->setFocus();
    QTRY_VERIFY(focused->Focused());

    QStringList order;
    QObject::connect(focused, &TOrvoSkinButton::Clicked, [&] { order << u"focused"_s; });
    QObject::connect(ok, &TOrvoSkinButton::Clicked, [&] { order << u"ok"_s; });
    QObject::connect(cancel, &TOrvoSkinButton::Clicked, [&] { order << u"cancel"_s; });

    // Return clicks the focused button and the default button, in control order.
    QTest::keyClick(focused, Qt::Key_Return);
    QCOMPARE(order, QStringList({u"focused"_s, u"ok"_s}));
    order.clear();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QCOMPARE(order, QStringList({u"cancel"_s}));
    order.clear();
    // Space presses the focused button alone, as with any push button.
    focused->setFocus();
    QTRY_VERIFY(focused->Focused());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(order, QStringList({u"focused"_s}));
    order.clear();

    // A key that the focus widget ignores travels up to its parents; it must not click
    // again on the way, also when the click moved the focus meanwhile (as a dialog that
    // opens and closes does).
    auto *box = new QWidget(&window);
    auto *edit = new QLineEdit(box);
    box->show();
    edit->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), edit);
    QObject::connect(cancel, &TOrvoSkinButton::Clicked, [&] { cancel->clearFocus(); });
    order.clear();
    QTest::keyClick(edit, Qt::Key_Escape);
    QCOMPARE(order, QStringList({u"cancel"_s}));

    // An Alt key types nothing into the focused field, whether a button answers it or not.
    ok->SetHotKey(TSkinHotKey::QBAlt_K);
    edit->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), edit);
    order.clear();
    QTest::keyClick(edit, Qt::Key_K, Qt::AltModifier);
    QTest::keyClick(edit, Qt::Key_Q, Qt::AltModifier);
    QCOMPARE(order, QStringList({u"ok"_s}));
    QCOMPARE(edit->text(), QString());

    // A click that installs an application filter (a dialog with a listener of its own)
    // must not see the same press again; the next press of the key clicks again.
    QObject listener;
    QObject::connect(ok, &TOrvoSkinButton::Clicked, [&] { qApp->installEventFilter(&listener); });
    order.clear();
    QTest::keyClick(&window, Qt::Key_Return);
    QCOMPARE(order, QStringList({u"ok"_s}));
    QTest::keyClick(&window, Qt::Key_Return);
    QCOMPARE(order, QStringList({u"ok"_s, u"ok"_s}));
}

void TestSkinControls::hotKeysOnlyForVisibleEnabledButtons()
{
    QWidget window;
    window.resize(400, 100);
    new TDialogKeyRouter(&window);
    auto *shown = new TOrvoSkinButton(&window);
    auto *hidden = new TOrvoSkinButton(&window);
    auto *disabled = new TOrvoSkinButton(&window);
    for (TOrvoSkinButton *b : {shown, hidden, disabled})
        b->SetHotKey(TSkinHotKey::QBAlt_N);
    window.show();
    hidden->hide();
    disabled->SetEnabled(false);
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QSignalSpy s1(shown, &TOrvoSkinButton::Clicked);
    QSignalSpy s2(hidden, &TOrvoSkinButton::Clicked);
    QSignalSpy s3(disabled, &TOrvoSkinButton::Clicked);
    QWidget *focus = QApplication::focusWidget() ? QApplication::focusWidget() : &window;
    QTest::keyClick(focus, Qt::Key_N, Qt::AltModifier);
    QCOMPARE(s1.count(), 1);
    QCOMPARE(s2.count(), 0);
    QCOMPARE(s3.count(), 0);
    QTest::keyClick(focus, Qt::Key_N); // without Alt the key is no dialog key
    QCOMPARE(s1.count(), 1);
}

void TestSkinControls::checkBoxToggleAndSpace()
{
    QWidget window;
    auto *box = new TOrvoSkinCheckBox(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy clicked(box, &TOrvoSkinCheckBox::Clicked);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(box->Checked());
    QCOMPARE(clicked.count(), 1);
    QTest::keyClick(box, Qt::Key_Space);
    QVERIFY(!box->Checked());
    QCOMPARE(clicked.count(), 2);
}

void TestSkinControls::radioGroupIsTheWindow()
{
    QWidget window;
    auto *panelA = new TOrvoSkinPanel(&window);
    auto *panelB = new TOrvoSkinPanel(&window);
    auto *income = new TOrvoSkinCheckBox(panelA);
    auto *expense = new TOrvoSkinCheckBox(panelB);
    auto *plain = new TOrvoSkinCheckBox(&window);
    income->SetRadioCheck(true);
    expense->SetRadioCheck(true);
    plain->SetChecked(true);
    QWidget otherWindow;
    auto *elsewhere = new TOrvoSkinCheckBox(&otherWindow);
    elsewhere->SetRadioCheck(true);
    elsewhere->SetChecked(true);

    income->Click();
    QVERIFY(income->Checked() && !expense->Checked());
    expense->Click();
    QVERIFY(!income->Checked() && expense->Checked());
    QSignalSpy clicked(expense, &TOrvoSkinCheckBox::Clicked);
    expense->Click(); // a checked radio box stays checked
    QVERIFY(expense->Checked());
    QCOMPARE(clicked.count(), 1);
    QVERIFY(plain->Checked());
    QVERIFY(elsewhere->Checked());
}

void TestSkinControls::disabledCheckBoxIgnoresInput()
{
    QWidget window;
    auto *box = new TOrvoSkinCheckBox(&window);
    box->SetCaption(u"Seite 1"_s);
    box->SetEnabled(false);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::keyClick(box, Qt::Key_Space);
    QVERIFY(!box->Checked());
    const QImage image = box->grab().toImage();
    QCOMPARE(QColor(image.pixel(5, 5)), box->DisBackColor());
    QCOMPARE(QColor(image.pixel(0, 5)), box->DisFrameColor());
}

void TestSkinControls::checkBoxAutosize()
{
    TOrvoSkinCheckBox box;
    box.SetCaption(u"Haushaltsbücher"_s);
    QFont f(u"MS Sans Serif"_s);
    f.setPointSize(8);
    QCOMPARE(box.width(), QFontMetrics(f).horizontalAdvance(u"Haushaltsbücher"_s) + 22);
    QCOMPARE(box.height(), 15);
}

void TestSkinControls::panelWithoutTitle()
{
    TOrvoSkinPanel panel;
    panel.SetTitleBackColor(QColor(1, 2, 3));
    QVERIFY(HasColor(panel.grab().toImage(), qRgb(1, 2, 3)));
    panel.SetShowTitle(false);
    const QImage image = panel.grab().toImage();
    QVERIFY(!HasColor(image, qRgb(1, 2, 3)));
    QCOMPARE(QColor(image.pixel(0, 0)), panel.FrameColor());
    QCOMPARE(QColor(image.pixel(60, 10)), panel.BackColor());
}

void TestSkinControls::errorReportFullStop_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << u"Stream-Lesefehler"_s << u"Stream-Lesefehler."_s;
    QTest::newRow("digit") << u"Fehler 5"_s << u"Fehler 5."_s;
    QTest::newRow("full stop") << u"Eigenschaft X existiert nicht."_s << u"Eigenschaft X existiert nicht."_s;
    QTest::newRow("exclamation mark sorts before") << u"Fehler!"_s << u"Fehler!"_s;
    QTest::newRow("question mark sorts after") << u"Warum?"_s << u"Warum?."_s;
    QTest::newRow("empty") << QString() << QString();
}

void TestSkinControls::errorReportFullStop()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(ErrorReportText(text), shown);
}

void TestSkinControls::messageBoxOverItsWindow_data()
{
    QTest::addColumn<QPoint>("windowAt");
    QTest::addColumn<bool>("fromAField"); // raised by a field inside the window, not the window
    QTest::newRow("window") << QPoint(200, 150) << false;
    QTest::newRow("from a field") << QPoint(240, 180) << true;
    QTest::newRow("bottom right, kept on the screen") << QPoint(-1, -1) << false;
}

// A message box opens centred over the window that raised it, wholly on the screen.
void TestSkinControls::messageBoxOverItsWindow()
{
    QFETCH(QPoint, windowAt);
    QFETCH(bool, fromAField);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget window;
    window.resize(300, 160);
    auto *field = new QLineEdit(&window);
    field->move(150, 100);
    window.move(windowAt.x() < 0 ? screen.bottomRight() - QPoint(250, 100) : screen.topLeft() + windowAt);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QRect box;
    QTimer::singleShot(0, [&] {
        auto *shown = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(shown);
        box = shown->frameGeometry();
        shown->accept();
    });
    ShowInformation(fromAField ? static_cast<QWidget *>(field) : &window,
                    u"Eine Nachricht, die breiter ist als das Fenster, über dem sie erscheint."_s);
    QVERIFY(box.isValid());
    QVERIFY2(screen.contains(box), qPrintable(u"%1,%2 %3x%4"_s.arg(box.x()).arg(box.y()).arg(box.width()).arg(box.height())));
    if (windowAt.x() >= 0) {
        const QPoint offset = box.center() - window.frameGeometry().center();
        QVERIFY2(offset.manhattanLength() <= 2, qPrintable(u"%1,%2"_s.arg(offset.x()).arg(offset.y())));
    } else {
        // As near the window as the screen allows: against the screen's right and bottom edges.
        QCOMPARE(box.right(), screen.right());
        QCOMPARE(box.bottom(), screen.bottom());
    }
}

QTEST_MAIN(TestSkinControls)
#include "tst_skincontrols.moc"
