#include "support/HelpKey.h"

#include "controls/OrvoSkinButton.h"
#include "support/HelpSystem.h"
#include "support/HelpWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace {

constexpr char TopicProperty[] = "HelpTopic";

} // namespace

void SetHelpTopic(QWidget *window, const QString &object)
{
    window->setProperty(TopicProperty, object);
}

THelpKey::THelpKey(HelpSystem &help, QString helpFile, QObject *parent)
    : QObject(parent)
    , Help_(help)
    , HelpFile_(std::move(helpFile))
{
    qApp->installEventFilter(this);
}

THelpKey::~THelpKey()
{
    qApp->removeEventFilter(this);
}

bool THelpKey::ShowHelpFor(QWidget *window)
{
    for (QWidget *w = window; w; w = w->parentWidget() ? w->parentWidget()->window() : nullptr) {
        if (qobject_cast<HelpWindow *>(w))
            return false;
        if (const QString topic = w->property(TopicProperty).toString(); !topic.isEmpty()) {
            Help_.ShowTopic(HelpFile_, topic);
            return true;
        }
        // The window's help button: F1 does what Alt+F1 does there.
        for (TOrvoSkinButton *button : w->findChildren<TOrvoSkinButton *>()) {
            if (button->window() == w && button->HotKey() == TSkinHotKey::QBAlt_F1
                && button->OfferDialogKey(Qt::Key_F1))
                return true;
        }
    }
    return false;
}

bool THelpKey::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() != Qt::Key_F1 || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    // Taken here, so that the key does not travel on to the parents and come back.
    ShowHelpFor(static_cast<QWidget *>(watched)->window());
    return true;
}
