#pragma once

#include <QColor>
#include <QWidget>

// What the skin button, the skin check box and the calculator keys share: their own Enabled flag (not QWidget's,
// so a disabled control keeps tracking the mouse and the focus but paints disabled and
// ignores clicks), the mouse-over, pressed and focus states, and the click on release.
class TOrvoSkinControl : public QWidget
{
    Q_OBJECT

public:
    explicit TOrvoSkinControl(QWidget *parent = nullptr);

    bool Enabled() const { return Enabled_; }
    void SetEnabled(bool enabled);

    bool MouseOver() const { return MouseOver_; }
    bool IsPressed() const { return Pressed_; }
    bool Focused() const { return Focused_; }

    // What a click does; does nothing while not Enabled.
    virtual void Click() = 0;

    // What a screen reader says of the control (SkinAccessible): its caption as shown, and
    // whether it is a check box and checked.
    virtual QString AccessibleCaption() const { return {}; }
    virtual bool Checkable() const { return false; }
    virtual bool IsChecked() const { return false; }

signals:
    void Clicked();

protected:
    // Sets a colour property and repaints when it changed.
    void SetColor(QColor &member, const QColor &value);
    // Keys of a window that takes the keyboard itself must not draw the focus to them.
    void SetFocusOnClick(bool focus) { FocusOnClick_ = focus; }

    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    bool Enabled_ = true;
    bool MouseOver_ = false;
    bool Pressed_ = false;
    bool Focused_ = false;
    bool FocusOnClick_ = true;
};
