#pragma once

#include "import/ImportMatcher.h"
#include "import/ImportStore.h"
#include "ledger/BookingList.h"

#include <QDateTime>
#include <QHash>
#include <QMap>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class BookManager;
struct LedgerPaths;

// Where an import's bookings went, in the order of the books.
struct ImportOutcome
{
    struct Book
    {
        QString Name;
        int Count = 0;
        bool Created = false; // the book did not exist before
    };
    QList<Book> Books;

    int Total() const;
    // "3 Buchungen in „März 2026“, 1 Buchung in „April 2026“ (neu angelegt)"
    QString Summary() const;
};

// The statement an import comes from, as the store keeps it.
struct ImportSource
{
    QString File;
    QString Format;
};

// The rows to book: ticked, and of a status that may be booked.
QList<const ImportCandidate *> ChosenRows(const QList<ImportCandidate> &rows);
// The rows an import leaves out, by reason: "14 nicht übernommen: 12 in Fremdwährung,
// 2 vorgemerkt"; empty when it takes every row.
QString LeftOutSummary(const QList<ImportCandidate> &rows);
// The lines of a table file that hold no turnover, by kind, and the turnovers of 0.00:
// "Ohne Buchung: 1 Kopfzeile, 2 leere Zeilen"; empty when there are none.
QString SkippedSummary(const Statement &statement);

// What became of one line of a statement file, in the order of the file: a row's status
// line (Row points at it), or why the line gave no booking.
struct LineOutcome
{
    int Line = 0;
    QString Outcome;
    const ImportCandidate *Row = nullptr;
};
QList<LineOutcome> LineOutcomes(const Statement &statement, const QList<ImportCandidate> &rows);
// The month books that chosen rows go into and that do not exist yet, in order.
QStringList MissingBooks(const BookManager &books, const QList<ImportCandidate> &rows);

// Books the chosen rows into their month books (credit into the income list, debit into
// the expense list, each list sorted) through the book manager, and records them in the
// import store with the new rows left unticked. With the change logs the import is one entry
// that names each statement row with its booking: the row counts as booked exactly while the
// logs say so (LedgerState::BookedRows), whatever undo, redo, restore or another computer did;
// the store keeps only what the bank said and what each counterparty got. Without logs the
// store first records the import as pending with each book's file hash before and after, then
// every book is saved (each atomically), then the import is marked finished; a pending import
// is settled the next time the store is read (SettlePendingImports).
class ImportBooking
{
public:
    ImportBooking(BookManager &books, QString storePath);

    // Called after each step: 0 once the import is recorded, 1 ... n after each book, n + 1
    // when it is finished. Tests end the process there.
    std::function<void(int step)> AfterStep;

    // Throws QelError when a book cannot be read or written; books saved before then keep
    // their bookings and the store knows them, and the message says so.
    ImportOutcome Book(const QList<ImportCandidate> &rows, const ImportSource &source, const QDateTime &now);

private:
    // A month book the import goes into, its lists with the new rows.
    struct Target
    {
        QString Name;
        BookingList Income{ListKind::Income};
        BookingList Expend{ListKind::Expend};
        int Count = 0;
        bool Created = false;
        QHash<QString, int> Before; // equal bookings the book held before
    };
    // With the change logs: one entry of every booking and the statement row it comes from.
    ImportOutcome BookInLogs(const QList<const ImportCandidate *> &chosen, QMap<QString, Target> &targets,
                             ImportBatch &batch, const ImportSource &source);

    BookManager &Books_;
    QString StorePath_;
};

// Everything a statement is matched against: the rules, what each counterparty got last
// time, the imported and the unticked rows from the store, the books of the statement's months and the
// regular bookings from the book manager. The store is made ready first (ImportStoreUpkeep:
// taken back when damaged, in line with restored books; Notes says what was done) and pending
// imports are settled; with settle false (a dry run) nothing is written.
MatchContext LoadMatchContext(BookManager &books, const Statement &statement, bool settle);

// Settles the imports that a kill or a failed save left pending (see ImportBooking).
void SettlePendingImports(ImportStore &store, const LedgerPaths &paths);

// The identities of every imported row but those of `except`. With settle false (a dry run,
// which writes nothing) the pending imports are judged the same way but left as they are.
IdentityIndex ImportedIdentities(ImportStore &store, const LedgerPaths &paths, bool settle,
                                 const QSet<qint64> &except = {});
