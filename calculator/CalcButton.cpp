#include "calculator/CalcButton.h"

#include "ledger/QelError.h"
#include "support/ResourceImages.h"

#include <QPainter>
#include <QPixmapCache>

using namespace Qt::StringLiterals;

namespace {

// Every key draws the same few faces; they are made once. A face missing from the program
// files leaves the key blank rather than ending the program in a paint.
QPixmap Face(const QString &name)
{
    QPixmap face;
    if (QPixmapCache::find(name, &face))
        return face;
    try {
        face = TransparentCornerPixmap(ResourceBitmap(name));
    } catch (const QelError &) {
        return face;
    }
    QPixmapCache::insert(name, face);
    return face;
}

QString StyleFaceName(TCalcButton::TStyle style)
{
    switch (style) {
    case TCalcButton::sRED:
        return u"CALCBTN_RED"_s;
    case TCalcButton::sBLUE:
        return u"CALCBTN_BLUE"_s;
    case TCalcButton::sYELLOW:
        return u"CALCBTN_YELLOW"_s;
    case TCalcButton::sNORM:
        break;
    }
    return u"CALCBTN_NORM"_s;
}

} // namespace

TCalcButton::TCalcButton(QWidget *parent)
    : TOrvoSkinControl(parent)
{
    setFixedSize(32, 32);
    setFocusPolicy(Qt::NoFocus);
    SetFocusOnClick(false);
    // The corners show the window's picture; a press is the key's own, never a window drag.
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAttribute(Qt::WA_NoMousePropagation);
    setCursor(Qt::PointingHandCursor);
}

void TCalcButton::SetCaption(const QString &caption)
{
    Caption_ = caption;
    update();
}

void TCalcButton::SetTextBold(bool bold)
{
    if (TextBold_ == bold)
        return;
    TextBold_ = bold;
    update();
}

void TCalcButton::SetTextSize(int points)
{
    if (TextSize_ == points)
        return;
    TextSize_ = points;
    update();
}

void TCalcButton::SetDowned(bool downed)
{
    if (Downed_ == downed)
        return;
    Downed_ = downed;
    update();
}

void TCalcButton::SetStyle(TStyle style)
{
    if (Style_ == style)
        return;
    Style_ = style;
    update();
}

void TCalcButton::SetPicIdle(const QImage &picture)
{
    PicIdle_ = picture;
    Picture_ = TransparentCornerPixmap(picture);
    GreyPicture_ = TransparentCornerPixmap(GreyImage(picture));
    update();
}

void TCalcButton::Click()
{
    if (Enabled())
        emit Clicked();
}

bool TCalcButton::OfferDialogKey(int key)
{
    const bool matches = ((key == Qt::Key_Return || key == Qt::Key_Enter) && Default_)
                         || (key == Qt::Key_Escape && Cancel_);
    if (matches)
        Click();
    return matches;
}

QString TCalcButton::FaceName() const
{
    if (Enabled() && (Downed_ || (IsPressed() && MouseOver())))
        return u"CALCBTN_DOWN"_s;
    if (Enabled() && MouseOver() && !IsPressed())
        return u"CALCBTN_MOVE"_s;
    return StyleFaceName(Style_);
}

void TCalcButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawPixmap(0, 0, Face(FaceName()));
    const bool down = IsPressed() || Downed_;
    if (!PicIdle_.isNull()) {
        const int at = down ? 5 : 4;
        p.drawPixmap(at, at, Enabled() ? Picture_ : GreyPicture_);
        return;
    }
    if (Caption_.isEmpty())
        return;
    QFont f(u"Arial"_s);
    f.setPointSize(TextSize_);
    f.setBold(TextBold_);
    p.setFont(f);
    p.setPen(Enabled() ? QColor(Qt::black) : QColor(0x80, 0x80, 0x80));
    const QFontMetrics fm(f);
    const int shift = down ? 1 : 0;
    const int x = width() / 2 - fm.horizontalAdvance(Caption_) / 2 + shift;
    const int y = height() / 2 - fm.height() / 2 + shift;
    p.drawText(x, y + fm.ascent(), Caption_);
}
