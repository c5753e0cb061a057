#pragma once

#include <QString>

// QEL.ini, section "BACKUP": the folder last used for backups and the name of the
// backup folder made inside it.
struct BackupSettings
{
    QString BackupPath;
    QString BackupName = DefaultBackupName();

    static QString DefaultBackupName() { return QStringLiteral("OrvoHaushalt_Backup"); }
};

// Missing file or keys give the defaults.
BackupSettings LoadSettings(const QString &iniPath);
// Writes both keys; throws QelError when the file cannot be written.
void SaveSettings(const QString &iniPath, const BackupSettings &settings);
