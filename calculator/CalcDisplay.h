#pragma once

#include <QPixmap>
#include <QWidget>

class QMenu;

// The calculator's read-out: 184 x 29, the stored display picture with the caption
// right-aligned on it; a text too wide runs out past the left edge. Mouse presses go on to
// the window, which is moved by them.
class TCalcDisplay : public QWidget
{
    Q_OBJECT

public:
    explicit TCalcDisplay(QWidget *parent = nullptr);

    const QString &Caption() const { return Caption_; }
    void SetCaption(const QString &caption);
    QMenu *PopupMenu() const { return PopupMenu_; }
    void SetPopupMenu(QMenu *menu) { PopupMenu_ = menu; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    QString Caption_ = QStringLiteral("0");
    QMenu *PopupMenu_ = nullptr;
    QPixmap Background_;
};
