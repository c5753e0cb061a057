#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>

#include "ledger/BookMerge.h"

#include <optional>

// The versions of the ledger files (month books, Regular.dat) that this machine wrote or read,
// kept a while in its program data folder. A merge of a synchronisation tool's conflict copy
// learns from them which version the other machine started from. Each version is kept once,
// under its hash, with a list per file of when it was seen; a version not seen for KeptDays goes
// (the newest of each file always stays).
//
// Nothing here may stop a save or a read: a version that cannot be noted only makes a later
// merge less sure, so failures are swallowed.
class BookVersions
{
public:
    static constexpr int KeptDays = 90;

    // folder: the program data folder's "Versionen/".
    explicit BookVersions(QString folder);

    enum class How { Read, Written };
    // Notes a version of a data folder file ("März 2026.qel") that this machine read or wrote;
    // nothing when it is the newest one noted already (a write of it is still noted as such).
    void Record(const QString &fileName, QByteArrayView bytes, How how,
                const QDateTime &when = QDateTime::currentDateTimeUtc());
    // The versions noted of a file, oldest first, each once (a version seen again counts where it
    // was last seen), each read when asked for (a damaged one reads as empty).
    VersionHistory Lazily(const QString &fileName) const;
    // The version of a file this machine wrote last; nothing when none is noted.
    std::optional<QByteArray> LastWritten(const QString &fileName) const;
    // Forgets what was last seen before now - KeptDays.
    void Prune(const QDateTime &now = QDateTime::currentDateTimeUtc());

private:
    struct Seen
    {
        QDateTime When;
        QByteArray Hash;
        How Way = How::Read;
    };
    QByteArray Load(const QString &fileName, const QByteArray &hash) const;
    QString FileFolder(const QString &fileName) const;
    QList<Seen> History(const QString &fileName) const;
    void SaveHistory(const QString &fileName, const QList<Seen> &history) const;

    QString Folder_;
};
