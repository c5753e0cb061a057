#pragma once

#include "dialogs/DialogFrame.h"

#include <QPoint>

class QPainter;
class QScrollArea;

// The overview picture of the category table: income categories (mode 1), expense groups
// with their sub-categories (mode 2) or both (mode 3), OverviewWidth wide.
constexpr int OverviewWidth = 400;
int OverviewHeight(const CategoryTable &table, int mode);
// Draws the picture from (0, 0) into any painter (the window, an image, a test).
void DrawOverview(QPainter &painter, const CategoryTable &table, int mode);

// The category overview ("Kategorien-Übersicht"): a read-only picture of the category table
// in a scrolling area that follows the mouse when the picture is dragged.
class TFormNavigator : public TDialogFrame
{
    Q_OBJECT

public:
    explicit TFormNavigator(const CategoryTable &table, QWidget *parent = nullptr);

    // Set before showing: 1 income, 2 expenses, 3 both; anything else becomes 3.
    int NavigatorMode = 3;

    // The pointer's screen position at the last drag step; (-1, -1) while no drag is on.
    QPoint DragPoint() const { return DragPoint_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormShow() override;
    void FormClose() override;
    void ShowOverview();
    void ImageNavigatorMouseDown(QPoint screen);
    void ImageNavigatorMouseMove(Qt::MouseButtons buttons, QPoint screen);
    void ImageNavigatorMouseUp();

    const CategoryTable &Table_;
    QScrollArea *ScrollBoxNavigator = nullptr;
    QLabel *ImageNavigator = nullptr;
    TOrvoSkinButton *btnOK = nullptr;
    QPoint DragPoint_{-1, -1};
};
