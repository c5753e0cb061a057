#include "controls/SkinAccessible.h"

#include "controls/OrvoSkinControl.h"

#include <QAccessibleWidget>
#include <QString>

using namespace Qt::StringLiterals;

namespace {

class SkinControlAccessible : public QAccessibleWidget
{
public:
    explicit SkinControlAccessible(TOrvoSkinControl *control)
        : QAccessibleWidget(control, control->Checkable() ? QAccessible::CheckBox : QAccessible::Button)
    {
    }

    QString text(QAccessible::Text kind) const override
    {
        switch (kind) {
        case QAccessible::Name:
            // A picture button has no caption: its hint names it.
            if (const QString caption = SpokenCaption(Control()->AccessibleCaption()); !caption.isEmpty())
                return caption;
            return SpokenCaption(Control()->toolTip().section(u" ("_s, 0, 0));
        case QAccessible::Description:
            return Control()->toolTip();
        default:
            return QAccessibleWidget::text(kind);
        }
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        // The control's own Enabled flag: it stays a QWidget that is enabled, to follow the mouse.
        state.disabled = !Control()->Enabled();
        state.focusable = Control()->focusPolicy() != Qt::NoFocus;
        if (Control()->Checkable()) {
            state.checkable = true;
            state.checked = Control()->IsChecked();
        }
        return state;
    }

    QStringList actionNames() const override
    {
        return {Control()->Checkable() ? toggleAction() : pressAction()};
    }

    void doAction(const QString &action) override
    {
        if (action == pressAction() || action == toggleAction())
            Control()->Click();
    }

    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    TOrvoSkinControl *Control() const { return static_cast<TOrvoSkinControl *>(widget()); }
};

QAccessibleInterface *SkinFactory(const QString &, QObject *object)
{
    if (auto *control = qobject_cast<TOrvoSkinControl *>(object))
        return new SkinControlAccessible(control);
    return nullptr;
}

} // namespace

QString SpokenCaption(const QString &caption)
{
    // "#" breaks the caption's line; "&" marks the hot key's letter and "&&" stands for "&".
    QString spoken;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        const QChar ch = caption.at(i);
        if (ch == u'#')
            spoken += u' ';
        else if (ch != u'&')
            spoken += ch;
        else if (i + 1 < caption.size() && caption.at(i + 1) == u'&')
            spoken += caption.at(++i);
    }
    return spoken.simplified();
}

void InstallSkinAccessibility()
{
    static bool installed = false;
    if (!installed) {
        QAccessible::installFactory(SkinFactory);
        installed = true;
    }
}
