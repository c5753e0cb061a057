#pragma once

#include <QImage>
#include <QWidget>

#include <functional>

class QPainter;

// One analysis page in the scroll box: a picture of the page, drawn when the month is
// computed and shown unchanged until it is computed again. The picture takes its memory
// when it is first drawn; until then the page is white. The mouse over it is passed on,
// so that the window can scroll the box by dragging the page.
class TAnalysisPageImage : public QWidget
{
    Q_OBJECT

public:
    TAnalysisPageImage(QSize size, QWidget *parent = nullptr);

    // The page as drawn; a white picture of the page's size before the first drawing.
    QImage Picture() const;
    // A page of another size (the year overview grows with its categories); white until drawn.
    void Resize(QSize size);
    // Draws the page afresh on a white picture of the page's size.
    void Draw(const std::function<void(QPainter &)> &page);
    // What a screen reader reads of the page: its title as name, its lines as description.
    void SetSpokenText(const QString &title, const QStringList &lines);

signals:
    void MouseDown(QPoint globalPosition);
    void MouseMove(QPoint globalPosition, Qt::MouseButtons buttons);
    void MouseUp();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QSize Size_;
    QImage Picture_; // null until drawn
};
