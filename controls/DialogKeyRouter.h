#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

// Offers a window's dialog keys to its skin buttons: Return, Escape, F10 and every key
// pressed with Alt go to each TOrvoSkinButton of the window in control order, and every
// button whose rule matches clicks. The key is not consumed: it goes on to the widget
// that has the focus; only the text of an Alt key is never typed. One router per window.
class TDialogKeyRouter : public QObject
{
    Q_OBJECT

public:
    explicit TDialogKeyRouter(QWidget *window);
    ~TDialogKeyRouter() override;

    static bool IsDialogKey(int key, Qt::KeyboardModifiers modifiers);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> Window_;
    const QEvent *LastEvent_ = nullptr;
    QPointer<QWidget> LastReceiver_;
    // The press last offered to the buttons, until a key is released.
    struct
    {
        const QEvent *Event = nullptr;
        const QObject *Receiver = nullptr;
        int Key = 0;
    } Offered_;
};
