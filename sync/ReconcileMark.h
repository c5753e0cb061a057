#pragma once

#include "changes/LogFolder.h"
#include "ledger/LedgerPaths.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

// What the data folder looked like the last time this computer had its files in line with the
// change logs: the names, sizes and times of the logs and of the ledger files, kept as a hash in
// the program data folder ("Abgleich.txt"). While the folder still looks so, nothing arrived,
// nothing was changed beside the program and no write was cut short, so the files need not be
// compared with the logs again (a start stays as quick as the plain book scan). Anything else
// (a synchronisation tool's delivery, a hand edit, a kill between an entry and its files)
// changes a size or a time.
namespace ReconcileMark {

QByteArray Snapshot(const QString &dataFolder);
bool InLine(const LedgerPaths &paths);
// In line, and nothing was left to tell then (no booking changed on two computers at once):
// the files say all the logs would, so a start may read the files alone and the logs only
// once the first change or an arrival needs them.
// Gives the logs' sizes then: what lies beyond arrived since.
std::optional<LogFolder::Sizes> FilesSayAll(const LedgerPaths &paths);
// Quietly: a mark that cannot be written only costs the next start a comparison.
// nothingToTell: no booking stands in two versions.
void Mark(const LedgerPaths &paths, bool nothingToTell);

// Marks the folder again after a change of this program: only the files it wrote and the logs
// are looked at anew, the other ledger files are taken as the last mark saw them. A file that
// changed beside the program meanwhile then no longer matches the mark, which costs the next
// start a comparison and never makes it skip one.
class Marker
{
public:
    // Looks at every file.
    void Mark(const LedgerPaths &paths, bool nothingToTell);
    // Looks at the written ledger files and the logs; at every file when there was no mark
    // before or it was forgotten.
    void MarkAfter(const LedgerPaths &paths, bool nothingToTell, const QStringList &written);
    // A write that failed: the files may lag behind the logs, so the next mark looks at all.
    void Forget() { Known_ = false; }

private:
    void Write(const LedgerPaths &paths, bool nothingToTell);

    QString Folder_;
    bool Known_ = false;
    QMap<QString, QByteArray> Lines_; // ledger file (and conflict copy) → its line
};

} // namespace ReconcileMark
