#include "controls/MessageBoxes.h"

#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace {

// A message box that opens centred over the window that raised it, as far as the screen
// allows; without such a window where the platform puts it.
class CentredMessageBox : public QMessageBox
{
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent *event) override
    {
        // The box has its final size only once its own show event has laid it out, and it is
        // not on the screen yet.
        QMessageBox::showEvent(event);
        QWidget *over = parentWidget() ? parentWidget()->window() : nullptr;
        if (!over || !over->isVisible() || over == this)
            return;
        move(CentredOver(over, size()));
    }
};

} // namespace

QPoint CentredOver(const QWidget *over, QSize size)
{
    // The frame offset of the window below stands for the one the box will get: the same
    // window manager draws both.
    const QRect client = over->geometry();
    const QPoint frame = client.topLeft() - over->pos();
    const QSize framed = size + over->frameGeometry().size() - client.size();
    QPoint at = client.center() + QPoint(1, 1) - QPoint(size.width() / 2, size.height() / 2) - frame;
    if (const QScreen *screen = over->screen()) {
        const QRect room = screen->availableGeometry();
        at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() + 1 - framed.width())));
        at.setY(std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() + 1 - framed.height())));
    }
    return at;
}

namespace {

// Runs a box with German buttons; returns the role of the button pressed.
QMessageBox::ButtonRole Run(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
                            const QList<QPair<QString, QMessageBox::ButtonRole>> &buttons)
{
    CentredMessageBox box(icon, title, text, QMessageBox::NoButton, parent);
    QPushButton *first = nullptr;
    for (const auto &[caption, role] : buttons) {
        QPushButton *b = box.addButton(caption, role);
        if (!first)
            first = b;
    }
    box.setDefaultButton(first);
    box.exec();
    return box.buttonRole(box.clickedButton());
}

const QPair<QString, QMessageBox::ButtonRole> Ok{QStringLiteral("OK"), QMessageBox::AcceptRole};

} // namespace

QString ProgramTitle()
{
    return QStringLiteral("Orvo Haushaltsbuch");
}

void ShowInformation(QWidget *parent, const QString &text)
{
    Run(parent, QMessageBox::Information, QStringLiteral("Informationen"), text, {Ok});
}

const QList<QPair<QString, QMessageBox::ButtonRole>> YesNo{{QStringLiteral("&Ja"), QMessageBox::YesRole},
                                                           {QStringLiteral("&Nein"), QMessageBox::NoRole}};

bool AskConfirmation(QWidget *parent, const QString &text)
{
    return Run(parent, QMessageBox::Question, QStringLiteral("Bestätigen"), text, YesNo) == QMessageBox::YesRole;
}

bool AskInformationYesNo(QWidget *parent, const QString &text)
{
    return Run(parent, QMessageBox::Information, QStringLiteral("Informationen"), text, YesNo)
           == QMessageBox::YesRole;
}

bool AskOkCancel(QWidget *parent, const QString &text)
{
    return Run(parent, QMessageBox::Question, QStringLiteral("Bestätigen"), text,
               {Ok, {QStringLiteral("Abbrechen"), QMessageBox::RejectRole}})
           == QMessageBox::AcceptRole;
}

void ShowWarning(QWidget *parent, const QString &text)
{
    Run(parent, QMessageBox::Warning, QStringLiteral("Warnung"), text, {Ok});
}

bool AskWarningYesNo(QWidget *parent, const QString &text)
{
    return Run(parent, QMessageBox::Warning, QStringLiteral("Warnung"), text, YesNo) == QMessageBox::YesRole;
}

void ShowError(QWidget *parent, const QString &text)
{
    Run(parent, QMessageBox::Critical, QStringLiteral("Fehler"), text, {Ok});
}

void ShowPlainMessage(QWidget *parent, const QString &text)
{
    Run(parent, QMessageBox::NoIcon, ProgramTitle(), text, {Ok});
}

QString ErrorReportText(const QString &text)
{
    if (!text.isEmpty() && text.back() > u'.')
        return text + u'.';
    return text;
}

void ShowErrorReport(QWidget *parent, const QString &text)
{
    Run(parent, QMessageBox::Critical, ProgramTitle(), ErrorReportText(text), {Ok});
}
