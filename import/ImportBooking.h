#pragma once

#include "import/ImportMatcher.h"
#include "import/ImportStore.h"

#include <QDateTime>
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
// The month books that chosen rows go into and that do not exist yet, in order.
QStringList MissingBooks(const BookManager &books, const QList<ImportCandidate> &rows);

// Books the chosen rows into their month books (credit into the income list, debit into
// the expense list, each list sorted) through the book manager, and records them in the
// import store with the new rows left unticked. The order makes a kill at any point harmless: the store first records the
// import as pending with each book's file hash before and after, then every book is saved
// (each atomically), then the import is marked finished. A pending import is settled the
// next time the store is read (SettlePendingImports): rows whose book holds them count as
// imported, the others are forgotten, so a new import adds exactly what is missing.
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
    BookManager &Books_;
    QString StorePath_;
};

// Everything a statement is matched against: the rules, what each counterparty got last
// time, the imported and the unticked rows from the store, the books of the statement's months and the
// regular bookings from the book manager. The store is made ready first (ImportStoreUpkeep:
// taken back when damaged, in line with restored books; Notes says what was done) and pending
// imports are settled; with settle false (a dry run) nothing is written.
MatchContext LoadMatchContext(const BookManager &books, const Statement &statement, bool settle);

// Settles the imports that a kill or a failed save left pending (see ImportBooking).
void SettlePendingImports(ImportStore &store, const LedgerPaths &paths);

// The identities of every imported row but those of `except`. With settle false (a dry run,
// which writes nothing) the pending imports are judged the same way but left as they are.
IdentityIndex ImportedIdentities(ImportStore &store, const LedgerPaths &paths, bool settle,
                                 const QSet<qint64> &except = {});
