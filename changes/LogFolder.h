#pragma once

#include "changes/ChangeEntry.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// Every computer's change log in the data folder's "Änderungen/", read as it grows: each call
// reads only what the logs gained since the last one. Files that are no log ("….log.defekt", a
// synchronisation tool's copies and temporary files) are left alone; a log whose first bytes are
// not what was read of them (made anew, cut short, or gone) is read again from its start and
// Rewritten says so.
class LogFolder
{
public:
    explicit LogFolder(QString dataFolder);

    struct Update
    {
        QList<ChangeEntry> Entries; // each log's new entries in their order
        bool Rewritten = false;
        QStringList Problems; // logs (or parts) that could not be read, named for the user
    };
    // How far each log is to be read: its name ("<id>.log") and its size in bytes.
    using Sizes = QHash<QString, qint64>;
    // upTo: only so far (a log not named is left for the next call), as when the logs had these
    // sizes; what lies beyond comes with the next call.
    Update ReadNew(const Sizes *upTo = nullptr);
    // Forgets what was read: the next ReadNew reads every log whole.
    void Reset() { Sources_.clear(); }
    // Whether any log changed since the last ReadNew (by size and time, without reading).
    bool Changed() const;

    // The host name each computer's log names.
    QHash<QByteArray, QString> Hosts() const;
    // Log files by computer, for backups: names relative to the data folder.
    QStringList Files() const;

private:
    struct Source
    {
        QByteArray Computer;
        QString Host;
        qint64 Size = 0;
        qint64 ModifiedNs = 0;
        qint64 Offset = 0;  // after the last whole entry read
        qint64 LastSeq = 0;
        QByteArray Tail;    // the bytes just before Offset
        QString Problem;
    };
    QStringList LogNames() const;

    QString Folder_;
    QHash<QString, Source> Sources_;
};
