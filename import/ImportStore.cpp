#include "import/ImportStore.h"

#include "ledger/QelError.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>

using namespace Qt::StringLiterals;

namespace {

constexpr int SchemaVersion = 1;

const char *const Schema[] = {
    "CREATE TABLE batches(id INTEGER PRIMARY KEY, started TEXT NOT NULL, source_file TEXT NOT NULL,"
    " format TEXT NOT NULL, state TEXT NOT NULL CHECK(state IN ('pending', 'done')))",
    "CREATE TABLE batch_books(batch INTEGER NOT NULL REFERENCES batches(id) ON DELETE CASCADE, book TEXT NOT NULL,"
    " hash_before TEXT NOT NULL, hash_after TEXT NOT NULL, PRIMARY KEY(batch, book))",
    "CREATE TABLE bookings(id INTEGER PRIMARY KEY, batch INTEGER NOT NULL REFERENCES batches(id) ON DELETE CASCADE,"
    " account TEXT NOT NULL, content_key TEXT NOT NULL, occurrence INTEGER NOT NULL, reference TEXT NOT NULL,"
    " book TEXT NOT NULL, credit INTEGER NOT NULL, date TEXT NOT NULL, amount TEXT NOT NULL,"
    " category TEXT NOT NULL, purpose TEXT NOT NULL,"
    " counterparty TEXT NOT NULL, bank_purpose TEXT NOT NULL, bank_reference TEXT NOT NULL)",
    "CREATE INDEX bookings_batch ON bookings(batch)",
    "CREATE TABLE rules(position INTEGER PRIMARY KEY, pattern TEXT NOT NULL, regex INTEGER NOT NULL,"
    " direction INTEGER NOT NULL, category TEXT NOT NULL, purpose TEXT NOT NULL)",
    "CREATE TABLE counterparties(key TEXT PRIMARY KEY, category TEXT NOT NULL, purpose TEXT NOT NULL)",
    "CREATE TABLE csv_layouts(header_key TEXT PRIMARY KEY, date INTEGER NOT NULL, amount INTEGER NOT NULL,"
    " debit INTEGER NOT NULL, credit INTEGER NOT NULL, counterparty INTEGER NOT NULL, purpose INTEGER NOT NULL)",
};

QString Latin(const char *text)
{
    return QString::fromLatin1(text);
}

std::atomic<int> ConnectionCounter{0};

[[noreturn]] void Fail(const QString &path, const QString &reason)
{
    throw QelError(QStringLiteral("Die Datei \"%1\" mit den Daten des Kontoimports kann nicht verwendet werden. %2")
                       .arg(QDir::toNativeSeparators(path), reason));
}

} // namespace

class ImportStore::Transaction
{
public:
    explicit Transaction(ImportStore &store)
        : Store_(store)
    {
        QSqlDatabase db = QSqlDatabase::database(Store_.Connection_, false);
        if (!db.transaction())
            Fail(Store_.Path_, db.lastError().text());
    }
    ~Transaction()
    {
        if (!Done_)
            QSqlDatabase::database(Store_.Connection_, false).rollback();
    }
    void Commit()
    {
        QSqlDatabase db = QSqlDatabase::database(Store_.Connection_, false);
        if (!db.commit())
            Fail(Store_.Path_, db.lastError().text());
        Done_ = true;
    }

private:
    ImportStore &Store_;
    bool Done_ = false;
};

namespace {

// A prepared query that throws on failure.
class Query
{
public:
    Query(const QString &connection, const QString &path, const char *sql)
        : Query_(QSqlDatabase::database(connection, false))
        , Path_(path)
    {
        Query_.setForwardOnly(true);
        if (!Query_.prepare(Latin(sql)))
            Fail(Path_, Query_.lastError().text());
    }
    Query &Bind(const QVariant &value)
    {
        Query_.addBindValue(value);
        return *this;
    }
    // A null text would bind as NULL; every text column holds text.
    Query &Bind(const QString &text)
    {
        Query_.addBindValue(text.isNull() ? QString(u""_s) : text);
        return *this;
    }
    Query &Run()
    {
        if (!Query_.exec())
            Fail(Path_, Query_.lastError().text());
        return *this;
    }
    bool Next() { return Query_.next(); }
    QVariant Value(int i) const { return Query_.value(i); }
    QString Text(int i) const { return Query_.value(i).toString(); }
    qint64 Number(int i) const { return Query_.value(i).toLongLong(); }
    qint64 LastId() const { return Query_.lastInsertId().toLongLong(); }

private:
    QSqlQuery Query_;
    QString Path_;
};

RowIdentity IdentityFrom(const Query &q, int first)
{
    return {q.Text(first), q.Text(first + 1), int(q.Number(first + 2)), q.Text(first + 3)};
}

StoredBooking BookingFrom(const Query &q, int first)
{
    StoredBooking b;
    b.Identity = IdentityFrom(q, first);
    b.Book = q.Text(first + 4);
    b.Credit = q.Number(first + 5) != 0;
    b.DateText = q.Text(first + 6);
    b.Amount = q.Text(first + 7);
    b.Category = q.Text(first + 8);
    b.Purpose = q.Text(first + 9);
    b.Counterparty = q.Text(first + 10);
    b.BankPurpose = q.Text(first + 11);
    b.BankReference = q.Text(first + 12);
    return b;
}

#define QEL_BOOKING_COLUMNS                                                                                      \
    "account, content_key, occurrence, reference, book, credit, date, amount, category, purpose, counterparty, " \
    "bank_purpose, bank_reference"

} // namespace

ImportStore::ImportStore(const QString &path)
    : Path_(path)
    , Connection_(QStringLiteral("qel-import-%1").arg(++ConnectionCounter))
{
    Open();
}

ImportStore::~ImportStore()
{
    {
        QSqlDatabase db = QSqlDatabase::database(Connection_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(Connection_);
}

void ImportStore::Open()
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        Fail(Path_, QStringLiteral("Der SQLite-Treiber von Qt fehlt (Paket libqt6sql6-sqlite)."));
    if (!QDir().mkpath(QFileInfo(Path_).absolutePath()))
        Fail(Path_, QStringLiteral("Der Ordner kann nicht angelegt werden."));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Connection_);
    db.setDatabaseName(Path_);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    if (!db.open())
        Fail(Path_, db.lastError().text());
    // A rollback journal, written through to the disk before each commit ends: the closed
    // file alone is the whole state, for backups as for a kill.
    Query(Connection_, Path_, "PRAGMA journal_mode=DELETE").Run();
    Query(Connection_, Path_, "PRAGMA synchronous=FULL").Run();
    Query(Connection_, Path_, "PRAGMA foreign_keys=ON").Run();
    Query version(Connection_, Path_, "PRAGMA user_version");
    version.Run();
    const qint64 found = version.Next() ? version.Number(0) : 0;
    if (found == 0)
        CreateSchema();
    else if (found > SchemaVersion)
        Fail(Path_, QStringLiteral("Sie stammt von einer neueren Version des Programms."));
}

void ImportStore::CreateSchema()
{
    Transaction t(*this);
    for (const char *sql : Schema)
        Query(Connection_, Path_, sql).Run();
    Query(Connection_, Path_, "PRAGMA user_version=1").Run();
    t.Commit();
}

QList<ImportRule> ImportStore::Rules()
{
    Query q(Connection_, Path_, "SELECT pattern, regex, direction, category, purpose FROM rules ORDER BY position");
    q.Run();
    QList<ImportRule> rules;
    while (q.Next()) {
        ImportRule rule;
        rule.Pattern = q.Text(0);
        rule.IsRegex = q.Number(1) != 0;
        const qint64 direction = q.Number(2);
        rule.Direction = direction == 1 ? RuleDirection::Income
                         : direction == 2 ? RuleDirection::Expense
                                          : RuleDirection::Both;
        rule.Category = q.Text(3);
        rule.Purpose = q.Text(4);
        rules.append(rule);
    }
    return rules;
}

void ImportStore::SetRules(const QList<ImportRule> &rules)
{
    Transaction t(*this);
    Query(Connection_, Path_, "DELETE FROM rules").Run();
    int position = 0;
    for (const ImportRule &rule : rules) {
        Query(Connection_, Path_,
              "INSERT INTO rules(position, pattern, regex, direction, category, purpose) VALUES(?, ?, ?, ?, ?, ?)")
            .Bind(++position)
            .Bind(rule.Pattern)
            .Bind(rule.IsRegex ? 1 : 0)
            .Bind(int(rule.Direction))
            .Bind(rule.Category)
            .Bind(rule.Purpose)
            .Run();
    }
    t.Commit();
}

std::optional<CsvColumnChoice> ImportStore::CsvChoice(const QString &headerKey)
{
    Query q(Connection_, Path_,
            "SELECT date, amount, debit, credit, counterparty, purpose FROM csv_layouts WHERE header_key = ?");
    q.Bind(headerKey).Run();
    if (!q.Next())
        return std::nullopt;
    CsvColumnChoice c;
    c.Date = int(q.Number(0));
    c.Amount = int(q.Number(1));
    c.Debit = int(q.Number(2));
    c.Credit = int(q.Number(3));
    c.Counterparty = int(q.Number(4));
    c.Purpose = int(q.Number(5));
    return c;
}

void ImportStore::SetCsvChoice(const QString &headerKey, const CsvColumnChoice &c)
{
    Transaction t(*this);
    Query(Connection_, Path_,
          "INSERT OR REPLACE INTO csv_layouts(header_key, date, amount, debit, credit, counterparty, purpose)"
          " VALUES(?, ?, ?, ?, ?, ?, ?)")
        .Bind(headerKey)
        .Bind(c.Date)
        .Bind(c.Amount)
        .Bind(c.Debit)
        .Bind(c.Credit)
        .Bind(c.Counterparty)
        .Bind(c.Purpose)
        .Run();
    t.Commit();
}

QString ImportStore::RememberedKey(bool credit, const QString &counterparty)
{
    return (credit ? u'C' : u'D') + NormalizedText(counterparty, 60);
}

QHash<QString, RememberedBooking> ImportStore::Remembered()
{
    Query q(Connection_, Path_, "SELECT key, category, purpose FROM counterparties");
    q.Run();
    QHash<QString, RememberedBooking> remembered;
    while (q.Next())
        remembered.insert(q.Text(0), {q.Text(1), q.Text(2)});
    return remembered;
}

IdentityIndex ImportStore::Imported()
{
    Query q(Connection_, Path_,
            "SELECT account, content_key, occurrence, reference FROM bookings"
            " JOIN batches ON batches.id = bookings.batch WHERE batches.state = 'done'");
    q.Run();
    IdentityIndex index;
    while (q.Next())
        index.Add(IdentityFrom(q, 0));
    return index;
}

qsizetype ImportStore::ImportedCount()
{
    Query q(Connection_, Path_,
            "SELECT count(*) FROM bookings JOIN batches ON batches.id = bookings.batch WHERE batches.state = 'done'");
    q.Run();
    return q.Next() ? q.Number(0) : 0;
}

QList<StoredBooking> ImportStore::ImportedBookings()
{
    Query q(Connection_, Path_,
            "SELECT " QEL_BOOKING_COLUMNS " FROM bookings JOIN batches ON batches.id = bookings.batch"
            " WHERE batches.state = 'done' ORDER BY bookings.id");
    q.Run();
    QList<StoredBooking> bookings;
    while (q.Next())
        bookings.append(BookingFrom(q, 0));
    return bookings;
}

qint64 ImportStore::BeginBatch(const ImportBatch &batch)
{
    Transaction t(*this);
    Query insert(Connection_, Path_,
                 "INSERT INTO batches(started, source_file, format, state) VALUES(datetime('now'), ?, ?, 'pending')");
    insert.Bind(batch.SourceFile).Bind(batch.Format).Run();
    const qint64 id = insert.LastId();
    for (const BatchBook &book : batch.Books) {
        Query(Connection_, Path_, "INSERT INTO batch_books(batch, book, hash_before, hash_after) VALUES(?, ?, ?, ?)")
            .Bind(id)
            .Bind(book.Name)
            .Bind(QString::fromLatin1(book.HashBefore))
            .Bind(QString::fromLatin1(book.HashAfter))
            .Run();
    }
    for (const StoredBooking &b : batch.Bookings) {
        Query(Connection_, Path_,
              "INSERT INTO bookings(batch, " QEL_BOOKING_COLUMNS ") VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
            .Bind(id)
            .Bind(b.Identity.Account)
            .Bind(b.Identity.ContentKey)
            .Bind(b.Identity.Occurrence)
            .Bind(b.Identity.Reference)
            .Bind(b.Book)
            .Bind(b.Credit ? 1 : 0)
            .Bind(b.DateText)
            .Bind(b.Amount)
            .Bind(b.Category)
            .Bind(b.Purpose)
            .Bind(b.Counterparty)
            .Bind(b.BankPurpose)
            .Bind(b.BankReference)
            .Run();
        if (!b.Counterparty.isEmpty()) {
            Query(Connection_, Path_, "INSERT OR REPLACE INTO counterparties(key, category, purpose) VALUES(?, ?, ?)")
                .Bind(RememberedKey(b.Credit, b.Counterparty))
                .Bind(b.Category)
                .Bind(b.Purpose)
                .Run();
        }
    }
    t.Commit();
    return id;
}

void ImportStore::FinishBatch(qint64 id)
{
    Transaction t(*this);
    Query(Connection_, Path_, "UPDATE batches SET state = 'done' WHERE id = ?").Bind(id).Run();
    Query(Connection_, Path_, "DELETE FROM batch_books WHERE batch = ?").Bind(id).Run();
    t.Commit();
}

QList<PendingBatch> ImportStore::PendingBatches()
{
    QList<PendingBatch> pending;
    {
        Query q(Connection_, Path_, "SELECT id FROM batches WHERE state = 'pending' ORDER BY id");
        q.Run();
        while (q.Next())
            pending.append({q.Number(0), {}, {}, {}});
    }
    for (PendingBatch &batch : pending) {
        Query books(Connection_, Path_, "SELECT book, hash_before, hash_after FROM batch_books WHERE batch = ?");
        books.Bind(batch.Id).Run();
        while (books.Next())
            batch.Books.append({books.Text(0), books.Text(1).toLatin1(), books.Text(2).toLatin1()});
        Query rows(Connection_, Path_, "SELECT id, " QEL_BOOKING_COLUMNS " FROM bookings WHERE batch = ? ORDER BY id");
        rows.Bind(batch.Id).Run();
        while (rows.Next()) {
            batch.BookingIds.append(rows.Number(0));
            batch.Bookings.append(BookingFrom(rows, 1));
        }
    }
    return pending;
}

void ImportStore::SettleBatch(qint64 id, const QList<qint64> &keptBookingIds)
{
    Transaction t(*this);
    if (keptBookingIds.isEmpty()) {
        Query(Connection_, Path_, "DELETE FROM batches WHERE id = ?").Bind(id).Run();
    } else {
        Query kept(Connection_, Path_, "SELECT id FROM bookings WHERE batch = ?");
        kept.Bind(id).Run();
        QList<qint64> drop;
        while (kept.Next()) {
            if (!keptBookingIds.contains(kept.Number(0)))
                drop.append(kept.Number(0));
        }
        for (qint64 booking : drop)
            Query(Connection_, Path_, "DELETE FROM bookings WHERE id = ?").Bind(booking).Run();
        Query(Connection_, Path_, "UPDATE batches SET state = 'done' WHERE id = ?").Bind(id).Run();
        Query(Connection_, Path_, "DELETE FROM batch_books WHERE batch = ?").Bind(id).Run();
    }
    t.Commit();
}
