#include "controls/OrvoSkinButton.h"

#include "controls/ColorRef.h"
#include "controls/FillGradient.h"
#include "support/ResourceImages.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

TOrvoSkinButton::TOrvoSkinButton(QWidget *parent)
    : TOrvoSkinControl(parent)
    , UpColor1_(ColorFromRef(14800848))
    , UpColor2_(ColorFromRef(13417909))
    , MoveColor1_(ColorFromRef(16118255))
    , MoveColor2_(ColorFromRef(14800848))
    , DownColor1_(ColorFromRef(13417909))
    , DownColor2_(ColorFromRef(14800848))
    , DisColor1_(ColorFromRef(14471369))
    , DisColor2_(ColorFromRef(14471369))
    , FrameColor_(ColorFromRef(9601394))
    , FocusColor_(ColorFromRef(13417909))
{
    resize(120, 22);
    QFont f = font();
    f.setFamily(QStringLiteral("MS Sans Serif"));
    setFont(f);
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
}

void TOrvoSkinButton::SetCaption(const QString &caption)
{
    Caption_ = caption;
    update();
}

void TOrvoSkinButton::SetTextBold(bool bold)
{
    if (TextBold_ == bold)
        return;
    TextBold_ = bold;
    update();
}

void TOrvoSkinButton::SetTextSize(int points)
{
    if (TextSize_ == points)
        return;
    TextSize_ = points;
    update();
}

void TOrvoSkinButton::SetDowned(bool downed)
{
    if (Downed_ == downed)
        return;
    Downed_ = downed;
    update();
}

void TOrvoSkinButton::SetShowFrame(bool show)
{
    if (ShowFrame_ == show)
        return;
    ShowFrame_ = show;
    update();
}

void TOrvoSkinButton::SetRoundEdge(bool round)
{
    if (RoundEdge_ == round)
        return;
    RoundEdge_ = round;
    update();
}

void TOrvoSkinButton::SetPicIdle(const QImage &picture)
{
    PicIdle_ = picture;
    update();
}

QColor TOrvoSkinButton::FaceColor1() const
{
    if (!Enabled())
        return DisColor1_;
    if (Downed_ || (IsPressed() && MouseOver()))
        return DownColor1_;
    if (MouseOver() && !IsPressed())
        return MoveColor1_;
    return UpColor1_;
}

QColor TOrvoSkinButton::FaceColor2() const
{
    if (!Enabled())
        return DisColor2_;
    if (Downed_ || (IsPressed() && MouseOver()))
        return DownColor2_;
    if (MouseOver() && !IsPressed())
        return MoveColor2_;
    return UpColor2_;
}

bool TOrvoSkinButton::HoverLook() const
{
    return MouseOver() && !IsPressed() && Enabled() && !Downed_;
}

void TOrvoSkinButton::Click()
{
    if (!Enabled())
        return;
    setFocus(Qt::OtherFocusReason);
    update();
    emit Clicked();
}

bool TOrvoSkinButton::OfferDialogKey(int key)
{
    if (!Enabled() || !isVisible())
        return false;
    const bool isReturn = key == Qt::Key_Return || key == Qt::Key_Enter;
    const bool matches = (isReturn && Default_) || (key == Qt::Key_Escape && Cancel_) || (isReturn && Focused())
                         || (HotKey_ != TSkinHotKey::None && key == HotKeyCode(HotKey_));
    if (matches)
        Click();
    return matches;
}

void TOrvoSkinButton::paintEvent(QPaintEvent *)
{
    const int w = width();
    const int h = height();
    ApplyRegion();

    // Composed off-screen and copied in one go, so hovering over the menu never flickers.
    QImage face(w, h, QImage::Format_RGB32);
    {
        QPainter fp(&face);
        FillGradient(fp, face.rect(), {FaceColor2(), FaceColor1(), FaceColor2()});
    }
    QPainter p(this);
    p.drawImage(0, 0, face);

    const bool hover = HoverLook();
    int pictureWidth = 0;
    if (!PicIdle_.isNull()) {
        const int pw = PicIdle_.width();
        const int ph = PicIdle_.height();
        pictureWidth = pw;
        const QRect target = hover ? QRect(QPoint(2, h / 2 - 1 - ph / 2), QPoint(pw + 2 - 1, h / 2 - 1 + ph / 2 - 1))
                                   : QRect(QPoint(3, h / 2 - ph / 2), QPoint(pw + 3 - 1, h / 2 + ph / 2 - 1));
        const QImage picture = Enabled() ? PicIdle_ : GreyImage(PicIdle_);
        p.drawPixmap(target, TransparentCornerPixmap(picture));
    }

    if (!Caption_.isEmpty()) {
        QFont f = font();
        f.setPointSize(TextSize_);
        f.setBold(TextBold_);
        p.setFont(f);
        p.setPen(Enabled() ? QColor(Qt::black) : ColorFromRef(0x808080));
        const QFontMetrics fm(f);
        const int cx = PicIdle_.isNull() ? w / 2 : (w - (pictureWidth + 6)) / 2 + (pictureWidth + 6);
        const int shift = hover ? -1 : 0;
        const auto drawLine = [&](const QString &line, int y) {
            p.drawText(cx - fm.horizontalAdvance(line) / 2 + shift, y + shift + fm.ascent(), line);
        };
        const qsizetype hash = Caption_.indexOf(u'#');
        if (hash < 0) {
            drawLine(Caption_, h / 2 - fm.height() / 2);
        } else {
            drawLine(Caption_.left(hash), h / 2 - fm.height());
            drawLine(Caption_.mid(hash + 1), h / 2);
        }
    }

    if (ShowFrame_) {
        const bool focusFrame = Focused() && Enabled() && focusPolicy() != Qt::NoFocus;
        p.setBrush(Qt::NoBrush);
        if (RegionApplied_) {
            p.setRenderHint(QPainter::Antialiasing, false);
            p.setPen(QPen(FrameColor_, 1));
            p.drawRoundedRect(QRectF(0, 0, w - 1, h - 1), 2, 2);
            if (focusFrame) {
                // Two pixels: a focus one can find at a glance.
                p.setPen(QPen(FocusColor_, 1));
                p.drawRoundedRect(QRectF(1, 1, w - 3, h - 3), 2, 2);
                p.drawRoundedRect(QRectF(2, 2, w - 5, h - 5), 1, 1);
            }
        } else {
            p.setPen(QPen(FrameColor_, 1));
            p.drawRect(0, 0, w - 1, h - 1);
            if (focusFrame) {
                p.setPen(QPen(FocusColor_, 1));
                p.drawRect(1, 1, w - 3, h - 3);
                p.drawRect(2, 2, w - 5, h - 5);
            }
        }
    }
}

void TOrvoSkinButton::keyPressEvent(QKeyEvent *event)
{
    // Space presses the focused button, as it does any push button.
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        if (!event->isAutoRepeat())
            Click();
        event->accept();
        return;
    }
    TOrvoSkinControl::keyPressEvent(event);
}

void TOrvoSkinButton::ApplyRegion()
{
    if (RoundEdge_ && !RegionApplied_) {
        QPainterPath path;
        path.addRoundedRect(QRectF(0, 0, width(), height()), 2, 2);
        setMask(QRegion(path.toFillPolygon().toPolygon()));
        RegionApplied_ = true;
    } else if (!RoundEdge_ && RegionApplied_) {
        clearMask();
        RegionApplied_ = false;
    }
}

SkinButtonScheme SkinButtonScheme::Menu()
{
    return {16766894, 16764057, 9693437, 7528700, 2533373, 1549053, 16759671, 10447616, 2533373};
}

SkinButtonScheme SkinButtonScheme::Panel()
{
    return {16768959, 16766894, 9693437, 7528700, 2533373, 5421566, 16764057, 13739384, 2533373};
}

void SkinButtonScheme::ApplyTo(TOrvoSkinButton &button) const
{
    button.SetUpColor1(ColorFromRef(Up1));
    button.SetUpColor2(ColorFromRef(Up2));
    button.SetMoveColor1(ColorFromRef(Move1));
    button.SetMoveColor2(ColorFromRef(Move2));
    button.SetDownColor1(ColorFromRef(Down1));
    button.SetDownColor2(ColorFromRef(Down2));
    button.SetDisColor1(ColorFromRef(Dis));
    button.SetDisColor2(ColorFromRef(Dis));
    button.SetFrameColor(ColorFromRef(Frame));
    button.SetFocusColor(ColorFromRef(Focus));
}
