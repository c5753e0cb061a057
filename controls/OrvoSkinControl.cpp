#include "controls/OrvoSkinControl.h"

#include <QMouseEvent>

TOrvoSkinControl::TOrvoSkinControl(QWidget *parent)
    : QWidget(parent)
{
    // Tab reaches the control; a click focuses it only while Enabled (mousePressEvent).
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TOrvoSkinControl::SetEnabled(bool enabled)
{
    if (Enabled_ == enabled)
        return;
    Enabled_ = enabled;
    update();
}

void TOrvoSkinControl::SetColor(QColor &member, const QColor &value)
{
    if (member == value)
        return;
    member = value;
    update();
}

void TOrvoSkinControl::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    if (!MouseOver_) {
        MouseOver_ = true;
        update();
    }
}

void TOrvoSkinControl::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    MouseOver_ = false;
    update();
}

void TOrvoSkinControl::mousePressEvent(QMouseEvent *event)
{
    QWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    if (FocusOnClick_ && !Focused_ && Enabled_)
        setFocus(Qt::MouseFocusReason);
    Pressed_ = true;
    update();
}

void TOrvoSkinControl::mouseMoveEvent(QMouseEvent *event)
{
    QWidget::mouseMoveEvent(event);
    // While the control holds the mouse, Qt sends no leave: follow the pointer ourselves.
    const bool inside = rect().contains(event->position().toPoint());
    if (inside != MouseOver_) {
        MouseOver_ = inside;
        update();
    }
}

void TOrvoSkinControl::mouseReleaseEvent(QMouseEvent *event)
{
    QWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const bool wasPressed = Pressed_;
    Pressed_ = false;
    update();
    if (wasPressed && rect().contains(event->position().toPoint()))
        Click();
}

void TOrvoSkinControl::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    if (Enabled_) {
        Focused_ = true;
        update();
    }
}

void TOrvoSkinControl::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    Focused_ = false;
    update();
}
