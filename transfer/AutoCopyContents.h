#pragma once

#include "transfer/AutoBackup.h"

#include <QList>
#include <QString>
#include <QStringList>

// What an automatic copy holds, measured against the data folder as it is now: so that the
// user can tell the copy made after a slip from the one made before it.
struct AutoCopyContents
{
    QStringList Books;      // the copy's month books, by name, sorted
    QStringList Differing;  // in both, with other bytes
    QStringList OnlyInCopy; // gone from the data folder since (a restore brings them back)
    QStringList OnlyInData; // made since (a restore of the books removes them)
    bool RegularDiffers = false;

    bool SameAsData() const;
    // "3 Haushaltsbücher: März 2026, April 2026 (anders als jetzt), Mai 2026 (jetzt nicht mehr
    // da); nicht darin: Juni 2026"
    QString Text() const;
};

AutoCopyContents CompareAutoCopy(const QString &copyFolder, const QString &dataFolder);

// The copies of one day ("2026-12-09"), newest first.
QList<AutoBackupEntry> AutoCopiesOfDay(const QList<AutoBackupEntry> &copies, const QString &day);
// Whether the name given to "restore --auto" is a day alone rather than one copy.
bool IsDayName(const QString &name);
// "2 Haushaltsbücher", "1 Haushaltsbuch"
QString BookCountText(qsizetype count);
// What a restore from a copy does to the changes made since, for its messages.
QString RestoreUndoesChangesMessage(const QString &copyName);
