#include "ledger/LedgerPaths.h"

#include "ledger/QelError.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString Location(QStandardPaths::StandardLocation location, const QString &fallbackBelowHome)
{
    QString folder = QStandardPaths::writableLocation(location);
    if (folder.isEmpty())
        folder = QDir::homePath() + u'/' + fallbackBelowHome;
    return LedgerPaths::WithSlash(folder);
}

} // namespace

QString LedgerPaths::WithSlash(const QString &folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

LedgerPaths LedgerPaths::Standard(const QString &programFolder)
{
    LedgerPaths paths;
    paths.ProgramFolder = WithSlash(programFolder);
    paths.ProgramDataFolder = Location(QStandardPaths::GenericConfigLocation, QStringLiteral(".config"))
                              + QStringLiteral("Orvo Haushaltsbuch/");
    paths.DataFolder = Location(QStandardPaths::DocumentsLocation, QStringLiteral("Documents"))
                       + QStringLiteral("Orvo Haushaltsbuch/Daten/");
    return paths;
}

QString LedgerPaths::PrintoutFolder() const
{
    return WithSlash(QDir::cleanPath(DataFolder + QStringLiteral("../Ausdrucke")));
}

QString LedgerPaths::HelpFile() const
{
    const QString beside = ProgramFolder + QStringLiteral("QEL.chm");
#ifdef QEL_DATA_FROM_BIN
    if (!QFileInfo::exists(beside)) {
        const QString installed =
            QDir::cleanPath(ProgramFolder + QStringLiteral(QEL_DATA_FROM_BIN "/QEL.chm"));
        if (QFileInfo::exists(installed))
            return installed;
    }
#endif
    return beside;
}

void LedgerPaths::CreateFolders() const
{
    if (!QDir().mkpath(ProgramDataFolder))
        throw QelError(QStringLiteral("Verzeichnis für Programmdaten konnte nicht angelegt werden!"));
    if (!QDir().mkpath(DataFolder))
        throw QelError(QStringLiteral("Verzeichnis für Daten konnte nicht angelegt werden!"));
}
