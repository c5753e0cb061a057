#include "analysis/AnalysisPageImage.h"

#include <QMouseEvent>
#include <QPainter>

TAnalysisPageImage::TAnalysisPageImage(QSize size, QWidget *parent)
    : QWidget(parent)
    , Picture_(size, QImage::Format_RGB32)
{
    Picture_.fill(Qt::white);
    setFixedSize(size);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
}

void TAnalysisPageImage::Resize(QSize size)
{
    if (size == Picture_.size())
        return;
    Picture_ = QImage(size, QImage::Format_RGB32);
    Picture_.fill(Qt::white);
    setFixedSize(size);
}

void TAnalysisPageImage::Draw(const std::function<void(QPainter &)> &page)
{
    Picture_.fill(Qt::white);
    {
        QPainter painter(&Picture_);
        painter.setClipRect(Picture_.rect());
        page(painter);
    }
    update();
}

void TAnalysisPageImage::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.drawImage(event->rect(), Picture_, event->rect());
}

void TAnalysisPageImage::mousePressEvent(QMouseEvent *event)
{
    emit MouseDown(event->globalPosition().toPoint());
}

void TAnalysisPageImage::mouseMoveEvent(QMouseEvent *event)
{
    emit MouseMove(event->globalPosition().toPoint(), event->buttons());
}

void TAnalysisPageImage::mouseReleaseEvent(QMouseEvent *)
{
    emit MouseUp();
}
