#include "controls/DialogKeyRouter.h"

#include "controls/OrvoSkinButton.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

TDialogKeyRouter::TDialogKeyRouter(QWidget *window)
    : QObject(window)
    , Window_(window)
{
    // Key events go to the focus widget, wherever it sits in the window, so the router
    // listens at the application and keeps to its own window.
    qApp->installEventFilter(this);
}

TDialogKeyRouter::~TDialogKeyRouter()
{
    qApp->removeEventFilter(this);
}

bool TDialogKeyRouter::IsDialogKey(int key, Qt::KeyboardModifiers modifiers)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape || key == Qt::Key_F10
           || (modifiers & Qt::AltModifier);
}

bool TDialogKeyRouter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyRelease) {
        if (watched == Offered_.Receiver && static_cast<QKeyEvent *>(event)->key() == Offered_.Key)
            Offered_ = {};
        return false;
    }
    // Every new press is first announced to the window's focus object. What is kept of the
    // last press ends there: its release may have gone to another window (the press closed
    // this dialog), and the next press may reuse the address of the last event, which must
    // not make it look like a step of that old one.
    if (event->type() == QEvent::ShortcutOverride && !Window_.isNull()) {
        const bool ours = watched->isWidgetType() ? static_cast<QWidget *>(watched)->window() == Window_
                                                  : watched == Window_->windowHandle();
        if (ours) {
            Offered_ = {};
            LastEvent_ = nullptr;
            LastReceiver_ = nullptr;
        }
        return false;
    }
    if (event->type() != QEvent::KeyPress || Window_.isNull() || !watched->isWidgetType())
        return false;
    auto *target = static_cast<QWidget *>(watched);
    if (target->window() != Window_)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (!IsDialogKey(key->key(), key->modifiers()))
        return false;
    // Qt hands a key that a widget ignores on to each parent in turn, through this filter
    // again. Such a step (the same event reaching the parent of its last receiver) is not a
    // new key: the buttons were offered it once already. The focus cannot tell the steps
    // apart, since a click may have moved it meanwhile.
    const bool passedOn = event == LastEvent_ && LastReceiver_ && target == LastReceiver_->parentWidget();
    // Qt walks its list of application filters by position; a filter installed meanwhile
    // (a click may open a dialog that installs one) moves this router on and Qt calls it
    // again with the same press. A widget cannot get the same key pressed twice before it
    // is released.
    const bool again = event == Offered_.Event && target == Offered_.Receiver && key->key() == Offered_.Key;
    LastEvent_ = event;
    LastReceiver_ = target;
    if (passedOn || again)
        return false;
    Offered_ = {event, target, key->key()};
    const int code = key->key();
    // A click may open a dialog or change the window; the list is taken first and each
    // button checked again before it is offered the key.
    QList<QPointer<TOrvoSkinButton>> buttons;
    for (TOrvoSkinButton *button : Window_->findChildren<TOrvoSkinButton *>())
        buttons.append(button);
    for (const QPointer<TOrvoSkinButton> &button : buttons) {
        if (button && button->window() == Window_)
            button->OfferDialogKey(code);
    }
    // Alt with a letter or digit is a command key, never text for the focused field (Ctrl+Alt
    // is kept: some keyboards type characters with it).
    const bool altText = (key->modifiers() & Qt::AltModifier) && !(key->modifiers() & Qt::ControlModifier)
                         && !key->text().isEmpty() && key->text().front().isPrint();
    return altText;
}
