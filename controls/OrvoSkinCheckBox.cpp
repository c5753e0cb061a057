#include "controls/OrvoSkinCheckBox.h"

#include "controls/ColorRef.h"

#include <QKeyEvent>
#include <QPainter>

TOrvoSkinCheckBox::TOrvoSkinCheckBox(QWidget *parent)
    : TOrvoSkinControl(parent)
    , FontColor_(ColorFromRef(0))
    , BackColor_(ColorFromRef(14542828))
    , FrameColor_(ColorFromRef(8673536))
    , MoveBackColor_(ColorFromRef(6674424))
    , MoveFrameColor_(ColorFromRef(22639))
    , DisFontColor_(ColorFromRef(8421504))
    , DisBackColor_(ColorFromRef(15196122))
    , DisFrameColor_(ColorFromRef(10256496))
    , Color_(ColorFromRef(14926470))
{
    resize(100, 15);
    FitToLabel();
}

void TOrvoSkinCheckBox::SetCaption(const QString &caption)
{
    if (Caption_ == caption)
        return;
    Caption_ = caption;
    FitToLabel();
    update();
}

void TOrvoSkinCheckBox::SetFontName(const QString &name)
{
    if (FontName_ == name)
        return;
    FontName_ = name;
    FitToLabel();
    update();
}

void TOrvoSkinCheckBox::SetFontBold(bool bold)
{
    const QFont::Weight weight = bold ? QFont::Bold : QFont::Normal;
    if (FontWeight_ == weight)
        return;
    FontWeight_ = weight;
    FitToLabel();
    update();
}

void TOrvoSkinCheckBox::SetCheckSymbol(TCheckSymbol symbol)
{
    if (CheckSymbol_ == symbol)
        return;
    CheckSymbol_ = symbol;
    update();
}

void TOrvoSkinCheckBox::SetChecked(bool checked)
{
    if (Checked_ == checked)
        return;
    Checked_ = checked;
    update();
}

void TOrvoSkinCheckBox::SetAutosize(bool autosize)
{
    if (Autosize_ == autosize)
        return;
    Autosize_ = autosize;
    FitToLabel();
    update();
}

QFont TOrvoSkinCheckBox::LabelFont() const
{
    QFont f(FontName_);
    f.setPointSize(8);
    f.setWeight(FontWeight_);
    return f;
}

void TOrvoSkinCheckBox::FitToLabel()
{
    if (Autosize_)
        resize(QFontMetrics(LabelFont()).horizontalAdvance(Caption_) + 22, 15);
    else
        resize(std::max(width(), 15), std::max(height(), 15));
}

void TOrvoSkinCheckBox::Click()
{
    if (!Enabled())
        return;
    setFocus(Qt::OtherFocusReason);
    if (RadioCheck_) {
        // All radio check boxes of the window form one group, whatever panel holds them.
        for (TOrvoSkinCheckBox *box : window()->findChildren<TOrvoSkinCheckBox *>()) {
            if (box->RadioCheck() && box->window() == window())
                box->SetChecked(false);
        }
        SetChecked(true);
    } else {
        Checked_ = !Checked_;
        update();
    }
    emit Clicked();
}

void TOrvoSkinCheckBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Color_);
    const QFont font = LabelFont();
    const QFontMetrics fm(font);

    const bool hover = Enabled() && MouseOver() && !IsPressed();
    const QColor back = !Enabled() ? DisBackColor_ : hover ? MoveBackColor_ : BackColor_;
    const QColor frame = !Enabled() ? DisFrameColor_ : hover ? MoveFrameColor_ : FrameColor_;
    const QColor ink = Enabled() ? FontColor_ : DisFontColor_;
    // The box: (0,0)-(15,15) with a 1-pixel frame, (1,1)-(15,15) with 2 pixels under the mouse.
    p.fillRect(hover ? QRect(1, 1, 14, 14) : QRect(0, 0, 15, 15), back);
    if (hover) {
        p.fillRect(QRect(1, 1, 14, 2), frame);
        p.fillRect(QRect(1, 13, 14, 2), frame);
        p.fillRect(QRect(1, 1, 2, 14), frame);
        p.fillRect(QRect(13, 1, 2, 14), frame);
    } else {
        p.setPen(QPen(frame, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(0, 0, 14, 14);
    }

    if (Checked_) {
        p.setPen(QPen(ink, 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        if (CheckSymbol_ == TCheckSymbol::sCross) {
            p.drawLine(4, 4, 10, 10);
            p.drawLine(4, 10, 10, 4);
        } else {
            const QPoint hook[] = {{4, 6}, {7, 10}, {10, 4}};
            p.drawPolyline(hook, 3);
        }
    }

    if (!Caption_.isEmpty()) {
        p.setFont(font);
        p.setPen(ink);
        p.drawText(18, height() / 2 - fm.height() / 2 + fm.ascent(), Caption_);
    }
    if (Focused() && Enabled()) {
        p.setPen(QPen(FrameColor_, 1));
        p.drawLine(18, height() - 1, 18 + fm.horizontalAdvance(Caption_) - 1, height() - 1);
    }
}

void TOrvoSkinCheckBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space)
        Click();
    QWidget::keyPressEvent(event);
}
