#include "calculator/CalculatorUnit.h"

#include "calculator/CalcButton.h"
#include "calculator/CalcDisplay.h"
#include "controls/MessageBoxes.h"
#include "ledger/QelError.h"
#include "support/HelpKey.h"
#include "support/ResourceImages.h"

#include <QBitmap>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace {

constexpr int KeyTops[] = {43, 81, 119, 157};
constexpr int KeyLefts[] = {8, 46, 84, 122, 160};

// The keys, one line each: name, caption, style, hint, picture, row, column, and the
// character the key stands for (none for the memory keys and "E").
struct KeyEntry
{
    const char *Name;
    const char16_t *Caption;
    TCalcButton::TStyle Style;
    const char16_t *Hint;
    const char *Picture;
    int Row;
    int Column;
    char16_t Key;
};

const KeyEntry Keys[] = {
    {"btn7", u"7", TCalcButton::sNORM, nullptr, nullptr, 0, 0, u'7'},
    {"btn8", u"8", TCalcButton::sNORM, nullptr, nullptr, 0, 1, u'8'},
    {"btn9", u"9", TCalcButton::sNORM, nullptr, nullptr, 0, 2, u'9'},
    {"btnOp1", u"/", TCalcButton::sBLUE, u"Division", "CALCPIC_DIV", 0, 3, u'/'},
    {"btnCE", u"C", TCalcButton::sRED, u"Alle Eingaben zurücksetzen", "CALCPIC_CLEAR", 0, 4, u'C'},
    {"btn4", u"4", TCalcButton::sNORM, nullptr, nullptr, 1, 0, u'4'},
    {"btn5", u"5", TCalcButton::sNORM, nullptr, nullptr, 1, 1, u'5'},
    {"btn6", u"6", TCalcButton::sNORM, nullptr, nullptr, 1, 2, u'6'},
    {"btnOp2", u"x", TCalcButton::sBLUE, u"Multiplikation", "CALCPIC_MUL", 1, 3, u'*'},
    {"btnMemCopy", u"MC", TCalcButton::sYELLOW, u"Aktuellen Wert speichern", "CALCPIC_MEMCOPY", 1, 4, 0},
    {"btn1", u"1", TCalcButton::sNORM, nullptr, nullptr, 2, 0, u'1'},
    {"btn2", u"2", TCalcButton::sNORM, nullptr, nullptr, 2, 1, u'2'},
    {"btn3", u"3", TCalcButton::sNORM, nullptr, nullptr, 2, 2, u'3'},
    {"btnOp3", u"-", TCalcButton::sBLUE, u"Subtraktion", "CALCPIC_SUB", 2, 3, u'-'},
    {"btnMemInsert", u"MR", TCalcButton::sYELLOW, u"Gespeicherten Wert einfügen", "CALCPIC_MEMINSERT", 2, 4, 0},
    {"btn0", u"0", TCalcButton::sNORM, nullptr, nullptr, 3, 0, u'0'},
    {"btnCom", u",", TCalcButton::sNORM, nullptr, "CALCPIC_COMMA", 3, 1, u','},
    {"btnSum", u"=", TCalcButton::sNORM, nullptr, "CALCPIC_EQUALS", 3, 2, u'='},
    {"btnOp4", u"+", TCalcButton::sBLUE, u"Addition", "CALCPIC_ADD", 3, 3, u'+'},
    {"btnClose", u"E", TCalcButton::sRED, u"Rechner schließen (ESC)", "CALCPIC_CLOSE", 3, 4, 0},
};

} // namespace

TFormCalculator::TFormCalculator(QWidget *mainWindow)
    : QWidget(mainWindow, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , ImageDesk_(QPixmap::fromImage(ResourceBitmap(u"CALC_DESK"_s)))
{
    setObjectName(u"FormCalculator"_s);
    SetHelpTopic(this, u"/rechner.html"_s);
    setWindowTitle(u"Rechner"_s);
    setFixedSize(200, 200);
    // Hints show while the main window is the active one, too.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    QBitmap region(size());
    region.fill(Qt::color0);
    {
        QPainter p(&region);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::color1);
        p.drawRoundedRect(rect(), 10, 10);
    }
    setMask(region);

    DisplayLabel = new TCalcDisplay(this);
    DisplayLabel->setObjectName(u"DisplayLabel"_s);
    DisplayLabel->move(8, 8);
    PopMenuDisplay = new QMenu(this);
    PopMenuDisplay->setObjectName(u"PopMenuDisplay"_s);
    // The key is only named in the menu, in German: the window's own key handling copies
    // on Ctrl+C.
    popCopy = PopMenuDisplay->addAction(u"&Kopieren\tStrg+C"_s, this, &TFormCalculator::popCopyClick);
    popCopy->setObjectName(u"popCopy"_s);
    DisplayLabel->SetPopupMenu(PopMenuDisplay);

    for (const KeyEntry &k : Keys) {
        auto *key = new TCalcButton(this);
        key->setObjectName(QString::fromLatin1(k.Name));
        key->move(KeyLefts[k.Column], KeyTops[k.Row]);
        key->SetCaption(QString::fromUtf16(k.Caption));
        key->SetStyle(k.Style);
        if (k.Hint)
            key->setToolTip(QString::fromUtf16(k.Hint));
        if (k.Picture)
            key->SetPicIdle(ResourceBitmap(QString::fromLatin1(k.Picture)));
        else
            key->SetTextSize(16);
        if (k.Key)
            connect(key, &TCalcButton::Clicked, this, [this, ch = QChar(k.Key)] { Step(ch); });
        Keys_.append(key);
    }
    connect(findChild<TCalcButton *>(u"btnMemCopy"_s), &TCalcButton::Clicked, this,
            &TFormCalculator::btnMemCopyClick);
    connect(findChild<TCalcButton *>(u"btnMemInsert"_s), &TCalcButton::Clicked, this,
            &TFormCalculator::btnMemInsertClick);
    connect(findChild<TCalcButton *>(u"btnClose"_s), &TCalcButton::Clicked, this, &QWidget::close);
    ShowDisplay();
}

void TFormCalculator::Open()
{
    show();
    raise();
    activateWindow();
}

void TFormCalculator::FormShow()
{
    // Placed afresh at every opening, so it follows a main window that was moved.
    if (const QWidget *main = parentWidget()) {
        const QRect frame = main->frameGeometry();
        move(frame.left() + 10, frame.top() + frame.height() - height() - 50);
    }
    Engine_.Clear();
    ShowDisplay();
}

void TFormCalculator::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    FormShow();
    emit ShownChanged(true);
}

void TFormCalculator::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    Dragging_ = false;
    if (!event->spontaneous())
        emit ShownChanged(false);
}

void TFormCalculator::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawPixmap(0, 0, ImageDesk_);
}

void TFormCalculator::Step(QChar key)
{
    try {
        Engine_.Press(key);
    } catch (const QelError &error) {
        ShowErrorReport(this, error.Message());
    }
    ShowDisplay();
}

void TFormCalculator::ShowDisplay()
{
    // The hint carries the whole number when the display cannot.
    DisplayLabel->SetCaption(Engine_.Display());
    DisplayLabel->setToolTip(Engine_.Display());
}

void TFormCalculator::btnMemCopyClick()
{
    Engine_.MemoryCopy();
}

void TFormCalculator::btnMemInsertClick()
{
    Engine_.MemoryInsert();
    ShowDisplay();
}

void TFormCalculator::popCopyClick()
{
    QGuiApplication::clipboard()->setText(Engine_.Display());
}

void TFormCalculator::keyPressEvent(QKeyEvent *event)
{
    const int code = event->key();
    if (code == Qt::Key_Return || code == Qt::Key_Enter || code == Qt::Key_Escape) {
        for (TCalcButton *key : std::as_const(Keys_)) {
            if (key->OfferDialogKey(code))
                return;
        }
    }
    if (event->matches(QKeySequence::Copy)) {
        popCopyClick();
        return;
    }
    if (code == Qt::Key_Escape) {
        close();
        return;
    }
    QChar ch;
    if (code == Qt::Key_Return || code == Qt::Key_Enter)
        ch = u'\r';
    else if (code == Qt::Key_Backspace)
        ch = u'\b';
    else if (event->text().size() == 1 && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        ch = event->text().front();
    if (ch.isNull()) {
        QWidget::keyPressEvent(event);
        return;
    }
    Step(ch); // characters the engine does not know change nothing
}

void TFormCalculator::mousePressEvent(QMouseEvent *event)
{
    // A press on the picture or the display grabs the window, as a title bar would.
    if (event->button() != Qt::LeftButton)
        return;
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    Dragging_ = true;
    DragOffset_ = event->globalPosition().toPoint() - pos();
}

void TFormCalculator::mouseMoveEvent(QMouseEvent *event)
{
    if (Dragging_)
        move(event->globalPosition().toPoint() - DragOffset_);
}

void TFormCalculator::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        Dragging_ = false;
}
