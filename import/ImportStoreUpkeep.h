#pragma once

#include "ledger/LedgerPaths.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

class ImportStore;

// Keeps the import store usable and true to the books.
//
// A restore can bring back books that lack bookings the store lists as imported (imported after
// the backup was made, or before it and removed since). The store then forgets those rows, so
// that importing the statement again books exactly what the restored books lack; a booking the
// user removed by hand, with no restore in between, stays away. A restore notes itself in a small
// file of the program data folder, with the state of the books before, before it touches them;
// the store is brought in line as soon as the restore is known to have happened (right after it,
// at the next start after a kill, or before the next import), and a restore that was undone
// leaves nothing to do. No import runs before the store is in line.
//
// A damaged store (empty, not a database, failing its check) is never used and never silently
// replaced: it is kept aside and the newest sound copy from the automatic backups takes its
// place; when none has one, imports are refused with a message that says what to do.
class ImportStoreUpkeep
{
public:
    explicit ImportStoreUpkeep(LedgerPaths paths);

    // Before a restore replaces the books. Throws QelError when the note cannot be written: the
    // restore must not start then.
    void NoteRestore() const;
    // After a restore's transfer, and at the start after a kill: decides whether the books were
    // restored, and if so brings the store in line; a message when rows were forgotten. Quietly
    // leaves what fails to the next import.
    std::optional<QString> SettleRestore() const;
    // Whether a restore waits to be decided (the start's recovery does it).
    bool RestoreUndecided() const;

    // Before an import uses the store: a damaged store taken back from the automatic backups, the
    // store brought in line with restored books. Messages for the user of what was done. Throws
    // QelError when the store cannot be used; nothing may be imported then.
    QStringList Prepare() const;
    // For a dry run, which writes nothing: the imported rows Prepare would forget.
    QSet<qint64> PendingForgets(ImportStore &store) const;

    // "Den wiederhergestellten Büchern fehlen 3 importierte Buchungen; …"
    static QString RestoredMissingMessage(qsizetype missing);

    // The imported rows whose bookings the books do not hold (booking ids). A row counts as held
    // while its book has a booking equal to it (kind, date, amount, category, purpose) that no
    // other imported row took; the rows of a book that cannot be read are kept.
    QSet<qint64> RowsMissingFromBooks(ImportStore &store) const;

private:
    struct Note
    {
        QString DataFolder;
        std::optional<QByteArray> Before; // the books' state; none: restored
    };
    QString NoteFile() const;
    std::optional<Note> LoadNote() const;
    void SaveNote(const Note &note) const;
    void RemoveNote() const;
    // The month books of the data folder as the file system sees them (names, files, sizes,
    // times): a restore changes it, a restore undone does not.
    QByteArray BooksState() const;
    // Whether the noted restore happened; nothing while it cannot be told yet.
    std::optional<bool> Restored(const Note &note) const;
    // Forgets what the books lack; a message when it forgot rows.
    std::optional<QString> BringInLine() const;
    std::optional<QString> RescueDamagedStore() const;

    LedgerPaths Paths_;
};
