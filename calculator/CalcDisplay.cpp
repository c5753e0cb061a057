#include "calculator/CalcDisplay.h"

#include "support/ResourceImages.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>

using namespace Qt::StringLiterals;

TCalcDisplay::TCalcDisplay(QWidget *parent)
    : QWidget(parent)
    , Background_(TransparentCornerPixmap(ResourceBitmap(u"CALC_DISPLAY"_s)))
{
    setFixedSize(184, 29);
    setFocusPolicy(Qt::NoFocus);
}

void TCalcDisplay::SetCaption(const QString &caption)
{
    Caption_ = caption;
    update();
}

void TCalcDisplay::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawPixmap(0, 0, Background_);
    QFont f(u"Arial"_s);
    f.setPointSize(14);
    p.setFont(f);
    p.setPen(Qt::black);
    const QFontMetrics fm(f);
    const int x = width() - fm.horizontalAdvance(Caption_) - 8;
    const int y = height() / 2 - fm.height() / 2;
    p.drawText(x, y + fm.ascent(), Caption_);
}

void TCalcDisplay::contextMenuEvent(QContextMenuEvent *event)
{
    if (!PopupMenu_) {
        QWidget::contextMenuEvent(event);
        return;
    }
    PopupMenu_->popup(event->globalPos());
}
