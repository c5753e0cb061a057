#include "analysis/AnalysisPageImage.h"

#include <QMouseEvent>
#include <QPainter>

TAnalysisPageImage::TAnalysisPageImage(QSize size, QWidget *parent)
    : QWidget(parent)
    , Size_(size)
{
    setFixedSize(size);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
}

QImage TAnalysisPageImage::Picture() const
{
    if (!Picture_.isNull())
        return Picture_;
    QImage white(Size_, QImage::Format_RGB32);
    white.fill(Qt::white);
    return white;
}

void TAnalysisPageImage::Resize(QSize size)
{
    if (size == Size_)
        return;
    Size_ = size;
    Picture_ = QImage();
    setFixedSize(size);
    update();
}

void TAnalysisPageImage::Draw(const std::function<void(QPainter &)> &page)
{
    if (Picture_.size() != Size_)
        Picture_ = QImage(Size_, QImage::Format_RGB32);
    Picture_.fill(Qt::white);
    {
        QPainter painter(&Picture_);
        painter.setClipRect(Picture_.rect());
        page(painter);
    }
    update();
}

void TAnalysisPageImage::SetSpokenText(const QString &title, const QStringList &lines)
{
    setAccessibleName(title);
    setAccessibleDescription(lines.join(u'\n'));
}

void TAnalysisPageImage::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    if (Picture_.isNull())
        painter.fillRect(event->rect(), Qt::white);
    else
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
