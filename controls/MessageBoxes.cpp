#include "controls/MessageBoxes.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

// Runs a box with German buttons; returns the role of the button pressed.
QMessageBox::ButtonRole Run(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
                            const QList<QPair<QString, QMessageBox::ButtonRole>> &buttons)
{
    QMessageBox box(icon, title, text, QMessageBox::NoButton, parent);
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
