#pragma once

#include <QString>

// The program's folders and the files in them, fixed once at start-up. Folder paths end
// in "/".
struct LedgerPaths
{
    QString ProgramFolder;     // beside the executable: help file, debug switch
    QString ProgramDataFolder; // settings, category table
    QString DataFolder;        // month books and Regular.dat

    // The per-user folders: "Orvo Haushaltsbuch/" in the configuration folder and
    // "Orvo Haushaltsbuch/Daten/" in the documents folder (both follow HOME and XDG_*).
    static LedgerPaths Standard(const QString &programFolder);
    static QString WithSlash(const QString &folder);

    // Beside the program (build tree), else where the installation puts it.
    QString HelpFile() const;
    QString SettingsFile() const { return ProgramDataFolder + QStringLiteral("QEL.ini"); }
    QString CategoryFile() const { return ProgramDataFolder + QStringLiteral("Entrys.dat"); }
    QString RegularFile() const { return DataFolder + QStringLiteral("Regular.dat"); }
    // The statement import's own store of what it booked and the user's rules.
    QString ImportStoreFile() const { return ProgramDataFolder + QStringLiteral("Kontoimport.sqlite"); }
    // The journals of backups and restores under way, and the automatic backups.
    QString TransferJournalFolder() const { return ProgramDataFolder + QStringLiteral("Sicherungen/Journal/"); }
    QString AutoBackupFolder() const { return ProgramDataFolder + QStringLiteral("Sicherungen/automatisch/"); }
    // The versions of the ledger files this machine read or wrote, for merging conflict copies,
    // and the conflict copies merged, kept out of the data folder.
    QString VersionsFolder() const { return ProgramDataFolder + QStringLiteral("Versionen/"); }
    QString MergedCopiesFolder() const { return ProgramDataFolder + QStringLiteral("Konfliktkopien/"); }
    // Removed books for a while, and the steps that undo and redo walk: per machine.
    QString TrashFolder() const { return ProgramDataFolder + QStringLiteral("Papierkorb/"); }
    QString HistoryFile() const { return ProgramDataFolder + QStringLiteral("Verlauf.dat"); }
    QString BookFile(const QString &bookName) const { return DataFolder + bookName + QStringLiteral(".qel"); }
    // Beside the data folder: printouts saved as PDF files when no printer is installed.
    QString PrintoutFolder() const;

    // Creates both folders with their parents; throws QelError with the start-up
    // message of the folder that could not be made.
    void CreateFolders() const;
};
