#include "controls/OrvoSkinPanel.h"

#include "controls/ColorRef.h"

#include <QMouseEvent>
#include <QPainter>

TOrvoSkinPanel::TOrvoSkinPanel(QWidget *parent)
    : QWidget(parent)
    , BackColor_(ColorFromRef(16769444))
    , TitleBackColor_(ColorFromRef(12615680))
    , FrameColor_(ColorFromRef(8673536))
{
    resize(120, 120);
    QFont f(QStringLiteral("MS Sans Serif"));
    setFont(f);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    pal.setColor(QPalette::Window, BackColor_);
    setPalette(pal);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TOrvoSkinPanel::SetTitle(const QString &title)
{
    if (Title_ == title)
        return;
    Title_ = title;
    update();
}

void TOrvoSkinPanel::SetShowTitle(bool show)
{
    if (ShowTitle_ == show)
        return;
    ShowTitle_ = show;
    update();
}

void TOrvoSkinPanel::SetBackColor(const QColor &color)
{
    if (BackColor_ == color)
        return;
    BackColor_ = color;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, color);
    setPalette(pal);
    update();
}

void TOrvoSkinPanel::SetTitleBackColor(const QColor &color)
{
    if (TitleBackColor_ == color)
        return;
    TitleBackColor_ = color;
    update();
}

void TOrvoSkinPanel::SetFrameColor(const QColor &color)
{
    if (FrameColor_ == color)
        return;
    FrameColor_ = color;
    update();
}

void TOrvoSkinPanel::paintEvent(QPaintEvent *)
{
    if (width() < 20 || height() < 20)
        resize(std::max(width(), 20), std::max(height(), 20));
    QPainter p(this);
    p.fillRect(rect(), BackColor_);
    p.setPen(QPen(FrameColor_, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, width() - 1, height() - 1);
    if (!ShowTitle_)
        return;
    p.fillRect(QRect(QPoint(2, 2), QPoint(width() - 3, 17)), TitleBackColor_);
    if (Title_.isEmpty())
        return;
    QFont f = font();
    f.setPointSize(8);
    p.setFont(f);
    p.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics fm(f);
    p.drawText(width() / 2 - fm.horizontalAdvance(Title_) / 2, 9 - fm.height() / 2 + fm.ascent(), Title_);
}

void TOrvoSkinPanel::mouseReleaseEvent(QMouseEvent *event)
{
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Clicked();
}
