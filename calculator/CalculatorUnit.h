#pragma once

#include "calculator/CalculatorEngine.h"

#include <QPixmap>
#include <QWidget>

class QAction;
class QMenu;
class TCalcButton;
class TCalcDisplay;

// The desk calculator "Rechner": a borderless 200 x 200 window with rounded corners above the
// program's windows, shown without blocking beside the main window. It takes the keyboard
// itself (its keys never hold the focus) and hands results on only through the clipboard.
// Made once with the program; closing only hides it, and the memory outlives every opening.
class TFormCalculator : public QWidget
{
    Q_OBJECT

public:
    explicit TFormCalculator(QWidget *mainWindow);

    // Shows the window, cleared, beside the main window and gives it the keyboard.
    void Open();

    const CalculatorEngine &Engine() const { return Engine_; }

signals:
    // The main window's "Taschenrechner" button is disabled while the calculator is shown.
    void ShownChanged(bool shown);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void FormShow();
    // Runs one step of the engine; a failed step is reported and changed nothing.
    void Step(QChar key);
    void ShowDisplay();
    void btnMemCopyClick();
    void btnMemInsertClick();
    void popCopyClick();

    CalculatorEngine Engine_;
    QPixmap ImageDesk_;
    TCalcDisplay *DisplayLabel = nullptr;
    QMenu *PopMenuDisplay = nullptr;
    QAction *popCopy = nullptr;
    QList<TCalcButton *> Keys_;
    // Moving by hand where the window system cannot move the window for us.
    bool Dragging_ = false;
    QPoint DragOffset_;
};
