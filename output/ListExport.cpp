#include "output/ListExport.h"

#include "controls/MessageBoxes.h"
#include "ledger/QelError.h"
#include "output/ExportEXCEL.h"
#include "support/HelpKey.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace {

// Qt's own dialog (not the desktop's), so that it looks the same everywhere and tests can
// drive it; it asks nothing about existing files, the export does.
QString AskFileName(QWidget *parent, const QString &proposedFileName, const QString &folder)
{
    QFileDialog dialog(parent, QStringLiteral("Excel-Tabelle speichern unter..."),
                       folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) : folder,
                       QStringLiteral("Excel-Tabelle (*.xls)"));
    dialog.setObjectName(QStringLiteral("XlsSaveDialog"));
    SetHelpTopic(&dialog, QStringLiteral("/drucken.html"));
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Speichern in:"));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("Dateiname:"));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Dateityp:"));
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("&Speichern"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Abbrechen"));
    dialog.selectFile(proposedFileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

void ExportListToXls(QWidget *parent, const BookingList &list, const QString &proposedFileName, QString &folder,
                     XlsCells cells)
{
    const QString chosen = AskFileName(parent, proposedFileName, folder);
    if (chosen.isEmpty())
        return;
    const QString fileName = WithXlsExtension(chosen);
    const QFileInfo target(fileName);
    folder = target.absolutePath();
    // A folder of that name is no file to replace; the save below says what is wrong.
    if (target.exists() && !target.isDir()
        && !AskWarningYesNo(parent, QStringLiteral("Es existiert bereits eine Datei unter diesem Namen!\n"
                                                   "Soll diese Datei überschrieben werden?")))
        return;
    try {
        SaveXlsFile(fileName, list, cells);
    } catch (const QelError &error) {
        ShowErrorReport(parent, error.Message());
        return;
    }
    if (!AskConfirmation(parent, QStringLiteral("Soll die Exel-Tabelle jetzt angezeigt werden?")))
        return;
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(target.absoluteFilePath())))
        ShowError(parent, QStringLiteral("Programm konnte nicht gestartet werden!"));
}
