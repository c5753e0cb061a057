#include "ledger/Settings.h"

#include "ledger/QelError.h"

#include <QDir>
#include <QSettings>

namespace {

const QString PathKey = QStringLiteral("BACKUP/Path");
const QString NameKey = QStringLiteral("BACKUP/Name");

} // namespace

BackupSettings LoadSettings(const QString &iniPath)
{
    const QSettings ini(iniPath, QSettings::IniFormat);
    BackupSettings settings;
    settings.BackupPath = ini.value(PathKey).toString();
    settings.BackupName = ini.value(NameKey, BackupSettings::DefaultBackupName()).toString();
    return settings;
}

void SaveSettings(const QString &iniPath, const BackupSettings &settings)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.setValue(PathKey, settings.BackupPath);
    ini.setValue(NameKey, settings.BackupName);
    ini.sync();
    if (ini.status() != QSettings::NoError) {
        throw QelError(QStringLiteral("Die Einstellungen konnten nicht in \"%1\" gespeichert werden.")
                           .arg(QDir::toNativeSeparators(iniPath)));
    }
}
