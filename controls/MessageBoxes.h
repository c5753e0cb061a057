#pragma once

#include <QPoint>
#include <QSize>
#include <QString>

class QWidget;

// The program's message boxes: German titles and buttons, the program's title where a
// box speaks for the program as a whole. Each opens centred over the window of its parent.
QString ProgramTitle(); // "Orvo Haushaltsbuch"

void ShowInformation(QWidget *parent, const QString &text);       // "Informationen", OK
bool AskConfirmation(QWidget *parent, const QString &text);       // "Bestätigen", Ja / Nein
bool AskInformationYesNo(QWidget *parent, const QString &text);   // "Informationen", Ja / Nein
bool AskOkCancel(QWidget *parent, const QString &text);           // "Bestätigen", OK / Abbrechen
void ShowWarning(QWidget *parent, const QString &text);           // "Warnung", OK
bool AskWarningYesNo(QWidget *parent, const QString &text);       // "Warnung", Ja / Nein
void ShowError(QWidget *parent, const QString &text);             // "Fehler", OK
void ShowPlainMessage(QWidget *parent, const QString &text);      // program title, OK, no icon
// The report of an error that ended a user action: titled with the program's title, the
// text with a full stop appended when its last character sorts after ".".
void ShowErrorReport(QWidget *parent, const QString &text);
QString ErrorReportText(const QString &text);

// Where a window of the size goes to sit centred over another window, kept on its screen.
QPoint CentredOver(const QWidget *over, QSize size);
