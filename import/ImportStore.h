#pragma once

#include "import/ImportRules.h"
#include "statements/RowIdentity.h"
#include "statements/Statement.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>
#include <utility>

// A booking as an import hands it to the store: where it went, and what the bank said.
struct StoredBooking
{
    RowIdentity Identity;
    QString Book;
    bool Credit = false;
    QString DateText;
    QString Amount;
    QString Category;
    QString Purpose;
    // The bank's own texts.
    QString Counterparty;
    QString BankPurpose;
    QString BankReference;
    // How many bookings equal to this one (kind, date, amount, category, purpose) its book held
    // before the import: a pending import is judged against those.
    int SameBefore = 0;
};

// A month book an import writes: its file's SHA-256 before (empty: no file) and after.
struct BatchBook
{
    QString Name;
    QByteArray HashBefore;
    QByteArray HashAfter;
};

// One import as the store records it before any book is written.
struct ImportBatch
{
    QString SourceFile;
    QString Format;
    QList<BatchBook> Books;
    QList<StoredBooking> Bookings;
    // New rows the user left unticked: a later statement brings them unticked again.
    QList<RowIdentity> Unticked;
};

// An import that has not been finished: a kill or a failed save came between recording it
// and writing its books.
struct PendingBatch
{
    qint64 Id = 0;
    QList<BatchBook> Books;
    QList<qint64> BookingIds; // in the order of Bookings
    QList<StoredBooking> Bookings;
};

// What the user gave a counterparty's bookings last time.
struct RememberedBooking
{
    QString Category;
    QString Purpose;
};

// What an inspection finds of the store's file.
enum class StoreState {
    Missing, // not there yet: made on first use
    Sound,
    Damaged, // empty, not a database, or failing its check: never used, never silently replaced
};

// The import's own data in one SQLite file in the program data folder, through Qt's SQL
// driver: the identities of imported rows with the bank's texts, the rules, what each
// counterparty got last, the column choices for CSV layouts, and the new rows the user left
// unticked. A rollback journal (no write-ahead log) and each change in one transaction, so a
// kill leaves the last whole state and a copy of the closed file is complete. An object holds
// the connection open for its lifetime; keep it short.
//
// Errors throw QelError naming the file, the cause and what to do. A damaged file is refused,
// never taken for a new one (see ImportStoreUpkeep).
class ImportStore
{
public:
    // What the bank's texts keep of a row at most, in characters.
    static constexpr qsizetype MaxBankText = 4000;

    explicit ImportStore(const QString &path);
    ~ImportStore();
    ImportStore(const ImportStore &) = delete;
    ImportStore &operator=(const ImportStore &) = delete;

    const QString &Path() const { return Path_; }

    QList<ImportRule> Rules();
    void SetRules(const QList<ImportRule> &rules);

    std::optional<CsvColumnChoice> CsvChoice(const QString &headerKey);
    void SetCsvChoice(const QString &headerKey, const CsvColumnChoice &choice);

    // By RememberedKey.
    QHash<QString, RememberedBooking> Remembered();
    static QString RememberedKey(bool credit, const QString &counterparty);

    // Whether the file can be used: Damaged with `reason` saying why. Throws QelError when it
    // cannot even be looked at (locked, no access).
    static StoreState Inspect(const QString &path, QString *reason = nullptr);

    // The rows of finished imports, without those of `except` (booking ids).
    IdentityIndex Imported(const QSet<qint64> &except = {});
    qsizetype ImportedCount();
    QList<StoredBooking> ImportedBookings();
    // The same with their booking ids, in the order they were imported.
    QList<std::pair<qint64, StoredBooking>> ImportedBookingsWithIds();
    // The rows one import recorded, with their booking ids.
    QList<std::pair<qint64, StoredBooking>> BatchBookings(qint64 batch);
    // Forgets rows of finished imports: a later import takes them as new.
    void Forget(const QSet<qint64> &bookingIds);

    // Records an import in one transaction, as pending, with what each counterparty got.
    qint64 BeginBatch(const ImportBatch &batch);
    // The new rows that imports left unticked (ImportBatch::Unticked), until one books them.
    IdentityIndex Unticked();
    // Marks it finished.
    void FinishBatch(qint64 id);
    QList<PendingBatch> PendingBatches();
    // Settles a pending import: the kept rows count as imported, the others are forgotten.
    void SettleBatch(qint64 id, const QList<qint64> &keptBookingIds);

private:
    void Open();
    void Connect(const QString &file);
    void Disconnect();
    void CreateNew();
    void CreateSchema();
    void Upgrade(qint64 from);
    class Transaction;

    QString Path_;
    QString Connection_;
};
