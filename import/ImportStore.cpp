#include "import/ImportStore.h"

#include "ledger/QelError.h"

#include "ledger/ListFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QVariant>

#include <atomic>
#include <initializer_list>
#include <cerrno>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int SchemaVersion = 4;

// New rows the user left unticked in an import, by identity.
#define QEL_UNTICKED_TABLE                                                                                      \
    "CREATE TABLE unticked(account TEXT NOT NULL, content_key TEXT NOT NULL, occurrence INTEGER NOT NULL,"      \
    " reference TEXT NOT NULL, PRIMARY KEY(account, content_key, occurrence, reference))"

const char *const Schema[] = {
    "CREATE TABLE batches(id INTEGER PRIMARY KEY, started TEXT NOT NULL, source_file TEXT NOT NULL,"
    " format TEXT NOT NULL, state TEXT NOT NULL CHECK(state IN ('pending', 'done')))",
    "CREATE TABLE batch_books(batch INTEGER NOT NULL REFERENCES batches(id) ON DELETE CASCADE, book TEXT NOT NULL,"
    " hash_before TEXT NOT NULL, hash_after TEXT NOT NULL, PRIMARY KEY(batch, book))",
    "CREATE TABLE bookings(id INTEGER PRIMARY KEY, batch INTEGER NOT NULL REFERENCES batches(id) ON DELETE CASCADE,"
    " account TEXT NOT NULL, content_key TEXT NOT NULL, occurrence INTEGER NOT NULL, reference TEXT NOT NULL,"
    " book TEXT NOT NULL, credit INTEGER NOT NULL, date TEXT NOT NULL, amount TEXT NOT NULL,"
    " category TEXT NOT NULL, purpose TEXT NOT NULL,"
    " counterparty TEXT NOT NULL, bank_purpose TEXT NOT NULL, bank_reference TEXT NOT NULL,"
    " same_before INTEGER NOT NULL DEFAULT 0)",
    "CREATE INDEX bookings_batch ON bookings(batch)",
    "CREATE TABLE rules(position INTEGER PRIMARY KEY, pattern TEXT NOT NULL, regex INTEGER NOT NULL,"
    " direction INTEGER NOT NULL, category TEXT NOT NULL, purpose TEXT NOT NULL)",
    "CREATE TABLE counterparties(key TEXT PRIMARY KEY, category TEXT NOT NULL, purpose TEXT NOT NULL)",
    "CREATE TABLE csv_layouts(header_key TEXT PRIMARY KEY, date INTEGER NOT NULL, amount INTEGER NOT NULL,"
    " debit INTEGER NOT NULL, credit INTEGER NOT NULL, counterparty INTEGER NOT NULL, purpose INTEGER NOT NULL,"
    " purpose_to INTEGER NOT NULL DEFAULT -1, payee INTEGER NOT NULL DEFAULT -1,"
    " booking_text INTEGER NOT NULL DEFAULT -1, account INTEGER NOT NULL DEFAULT -1)",
    QEL_UNTICKED_TABLE,
};

// Schema changes from each version to the next.
const std::initializer_list<const char *> Upgrades[] = {
    {"ALTER TABLE bookings ADD COLUMN same_before INTEGER NOT NULL DEFAULT 0", "PRAGMA user_version=2"},
    {QEL_UNTICKED_TABLE, "PRAGMA user_version=3"},
    {"ALTER TABLE csv_layouts ADD COLUMN purpose_to INTEGER NOT NULL DEFAULT -1",
     "ALTER TABLE csv_layouts ADD COLUMN payee INTEGER NOT NULL DEFAULT -1",
     "ALTER TABLE csv_layouts ADD COLUMN booking_text INTEGER NOT NULL DEFAULT -1",
     "ALTER TABLE csv_layouts ADD COLUMN account INTEGER NOT NULL DEFAULT -1", "PRAGMA user_version=4"},
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

// SQLite's result codes (the primary ones; extended codes keep them in the low byte).
enum SqliteCode { Perm = 3, Busy = 5, Locked = 6, NoMem = 7, ReadOnly = 8, IoErr = 10, Corrupt = 11, Full = 13,
                  CantOpen = 14, Auth = 23, NotADb = 26 };

int CodeOf(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    if (ok)
        return code & 0xFF;
    // Qt's commit and rollback report SQLite's text without its code; the texts are SQLite's own.
    static const std::pair<const char16_t *, int> texts[] = {
        {u"database or disk is full", Full},
        {u"database is locked", Busy},
        {u"database table is locked", Locked},
        {u"attempt to write a readonly database", ReadOnly},
        {u"disk I/O error", IoErr},
        {u"database disk image is malformed", Corrupt},
        {u"file is not a database", NotADb},
        {u"unable to open database file", CantOpen},
        {u"access permission denied", Perm},
        {u"out of memory", NoMem},
    };
    for (const auto &[text, value] : texts) {
        if (error.databaseText().contains(QStringView(text)))
            return value;
    }
    return -1;
}

bool IsDamage(const QSqlError &error)
{
    const int code = CodeOf(error);
    return code == Corrupt || code == NotADb;
}

// The cause in words and what the user can do about it.
QString Reason(const QSqlError &error)
{
    switch (CodeOf(error)) {
    case Busy:
    case Locked:
        return u"Ein anderer Vorgang (das Programm oder haushaltsbuch-cli) benutzt sie gerade. Bitte versuchen Sie es "
               u"gleich noch einmal."_s;
    case ReadOnly:
    case Perm:
    case Auth:
        return u"Sie ist schreibgeschützt, oder es fehlen Zugriffsrechte. Bitte prüfen Sie die Rechte der Datei und "
               u"ihres Ordners."_s;
    case Full:
        return u"Auf dem Datenträger ist kein Platz mehr. Bitte schaffen Sie Platz und versuchen Sie es noch "
               u"einmal."_s;
    case IoErr:
        return u"Das System meldet einen Fehler beim Lesen oder Schreiben. Bitte prüfen Sie den Datenträger."_s;
    case CantOpen:
        return u"Sie lässt sich nicht öffnen. Bitte prüfen Sie, ob ihr Ordner erreichbar ist und die Rechte "
               u"stimmen."_s;
    case NoMem:
        return u"Es fehlt an Arbeitsspeicher."_s;
    case Corrupt:
    case NotADb:
        return u"Sie ist beschädigt. Der nächste Import holt sie aus der automatischen Sicherung zurück, wenn eine "
               u"sie enthält."_s;
    default:
        break;
    }
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return u"Die Datenbank meldet: %1"_s.arg(text);
}

[[noreturn]] void Fail(const QString &path, const QSqlError &error)
{
    Fail(path, Reason(error));
}

QString EmptyReason()
{
    return u"Sie ist leer."_s;
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
            Fail(Store_.Path_, db.lastError());
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
            Fail(Store_.Path_, db.lastError());
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
            Fail(Path_, Query_.lastError());
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
            Fail(Path_, Query_.lastError());
        return *this;
    }
    // A failed step (a damaged page, say) is an error, not the end of the rows.
    bool Next()
    {
        if (Query_.next())
            return true;
        if (Query_.lastError().isValid())
            Fail(Path_, Query_.lastError());
        return false;
    }
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
    b.SameBefore = int(q.Number(first + 13));
    return b;
}

#define QEL_BOOKING_COLUMNS                                                                                      \
    "account, content_key, occurrence, reference, book, credit, date, amount, category, purpose, counterparty, " \
    "bank_purpose, bank_reference, same_before"

} // namespace

ImportStore::ImportStore(const QString &path)
    : Path_(path)
    , Connection_(QStringLiteral("qel-import-%1").arg(++ConnectionCounter))
{
    Open();
}

ImportStore::~ImportStore()
{
    Disconnect();
}

void ImportStore::Connect(const QString &file)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Connection_);
    db.setDatabaseName(file);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    if (!db.open())
        Fail(Path_, db.lastError());
    // A rollback journal, written through to the disk before each commit ends: the closed
    // file alone is the whole state, for backups as for a kill.
    Query(Connection_, Path_, "PRAGMA journal_mode=DELETE").Run();
    Query(Connection_, Path_, "PRAGMA synchronous=FULL").Run();
    Query(Connection_, Path_, "PRAGMA foreign_keys=ON").Run();
}

void ImportStore::Disconnect()
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
    const QFileInfo file(Path_);
    // SQLite would take an empty file for a new database: the rules and the list of imported
    // rows would vanish without a word.
    if (!file.exists())
        CreateNew();
    else if (file.size() == 0)
        Fail(Path_, EmptyReason() + u" Der nächste Import holt sie aus der automatischen Sicherung zurück, wenn eine "
                                    u"sie enthält."_s);
    Connect(Path_);
    Query version(Connection_, Path_, "PRAGMA user_version");
    version.Run();
    const qint64 found = version.Next() ? version.Number(0) : 0;
    if (found == 0)
        Fail(Path_, u"Sie enthält keine Daten des Kontoimports."_s);
    if (found > SchemaVersion)
        Fail(Path_, QStringLiteral("Sie stammt von einer neueren Version des Programms."));
    if (found < SchemaVersion)
        Upgrade(found);
}

void ImportStore::CreateNew()
{
    // Made whole under a temporary name and then put in place, so that a kill never leaves a
    // half-made store that would later look damaged.
    const QFileInfo file(Path_);
    QTemporaryFile temporary(file.absolutePath() + u"/."_s + file.fileName() + u".XXXXXX.tmp"_s);
    if (!temporary.open())
        Fail(Path_, u"Sie kann nicht angelegt werden (%1)."_s.arg(temporary.errorString()));
    temporary.close();
    Connect(temporary.fileName());
    CreateSchema();
    Disconnect();
    const QByteArray from = QFile::encodeName(temporary.fileName());
    const QByteArray to = QFile::encodeName(Path_);
    // Never over a store that another process made meanwhile.
    if (::link(from.constData(), to.constData()) != 0 && errno != EEXIST
        && ::rename(from.constData(), to.constData()) != 0)
        Fail(Path_, u"Sie kann nicht angelegt werden (%1)."_s.arg(ListFiles::SystemReason(errno)));
    ListFiles::SyncFolder(QFile::encodeName(file.absolutePath()));
}

void ImportStore::CreateSchema()
{
    Transaction t(*this);
    for (const char *sql : Schema)
        Query(Connection_, Path_, sql).Run();
    Query(Connection_, Path_, "PRAGMA user_version=4").Run();
    t.Commit();
}

void ImportStore::Upgrade(qint64 from)
{
    Transaction t(*this);
    for (qint64 version = from; version < SchemaVersion; ++version) {
        for (const char *sql : Upgrades[version - 1])
            Query(Connection_, Path_, sql).Run();
    }
    t.Commit();
}

StoreState ImportStore::Inspect(const QString &path, QString *reason)
{
    const QFileInfo file(path);
    if (!file.exists())
        return StoreState::Missing;
    const auto damaged = [reason](const QString &why) {
        if (reason)
            *reason = why;
        return StoreState::Damaged;
    };
    if (file.size() == 0)
        return damaged(EmptyReason());
    const QString connection = QStringLiteral("qel-inspect-%1").arg(++ConnectionCounter);
    const auto check = [&]() {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
        if (!db.open()) {
            if (IsDamage(db.lastError()))
                return damaged(u"Sie ist keine lesbare Datenbank."_s);
            Fail(path, db.lastError());
        }
        QSqlQuery q(db);
        QStringList problems;
        if (q.exec(Latin("PRAGMA quick_check"))) {
            while (q.next())
                problems.append(q.value(0).toString());
        }
        if (q.lastError().isValid()) {
            if (IsDamage(q.lastError()))
                return damaged(u"Sie ist keine lesbare Datenbank."_s);
            Fail(path, q.lastError());
        }
        if (problems != QStringList{u"ok"_s})
            return damaged(u"Die Prüfung der Datenbank meldet Fehler (%1)."_s.arg(problems.value(0)));
        if (!q.exec(Latin("PRAGMA user_version")) || !q.next())
            Fail(path, q.lastError());
        if (q.value(0).toLongLong() == 0)
            return damaged(u"Sie enthält keine Daten des Kontoimports."_s);
        return StoreState::Sound;
    };
    std::optional<StoreState> state;
    std::optional<QelError> error;
    try {
        state = check();
    } catch (const QelError &e) {
        error = e;
    }
    {
        QSqlDatabase db = QSqlDatabase::database(connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    if (error)
        throw *error;
    return *state;
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
            "SELECT date, amount, debit, credit, counterparty, purpose, purpose_to, payee, booking_text, account"
            " FROM csv_layouts WHERE header_key = ?");
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
    c.PurposeTo = int(q.Number(6));
    c.Payee = int(q.Number(7));
    c.BookingText = int(q.Number(8));
    c.Account = int(q.Number(9));
    return c;
}

void ImportStore::SetCsvChoice(const QString &headerKey, const CsvColumnChoice &c)
{
    Transaction t(*this);
    Query(Connection_, Path_,
          "INSERT OR REPLACE INTO csv_layouts(header_key, date, amount, debit, credit, counterparty, purpose,"
          " purpose_to, payee, booking_text, account) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
        .Bind(headerKey)
        .Bind(c.Date)
        .Bind(c.Amount)
        .Bind(c.Debit)
        .Bind(c.Credit)
        .Bind(c.Counterparty)
        .Bind(c.Purpose)
        .Bind(c.PurposeTo)
        .Bind(c.Payee)
        .Bind(c.BookingText)
        .Bind(c.Account)
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

IdentityIndex ImportStore::Imported(const QSet<qint64> &except)
{
    Query q(Connection_, Path_,
            "SELECT account, content_key, occurrence, reference, bookings.id FROM bookings"
            " JOIN batches ON batches.id = bookings.batch WHERE batches.state = 'done'");
    q.Run();
    IdentityIndex index;
    while (q.Next()) {
        if (!except.contains(q.Number(4)))
            index.Add(IdentityFrom(q, 0));
    }
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
    QList<StoredBooking> bookings;
    for (auto &[id, booking] : ImportedBookingsWithIds())
        bookings.append(std::move(booking));
    return bookings;
}

QList<std::pair<qint64, StoredBooking>> ImportStore::ImportedBookingsWithIds()
{
    Query q(Connection_, Path_,
            "SELECT bookings.id, " QEL_BOOKING_COLUMNS " FROM bookings JOIN batches ON batches.id = bookings.batch"
            " WHERE batches.state = 'done' ORDER BY bookings.id");
    q.Run();
    QList<std::pair<qint64, StoredBooking>> bookings;
    while (q.Next())
        bookings.append({q.Number(0), BookingFrom(q, 1)});
    return bookings;
}

QList<std::pair<qint64, StoredBooking>> ImportStore::BatchBookings(qint64 batch)
{
    Query q(Connection_, Path_, "SELECT id, " QEL_BOOKING_COLUMNS " FROM bookings WHERE batch = ? ORDER BY id");
    q.Bind(batch).Run();
    QList<std::pair<qint64, StoredBooking>> bookings;
    while (q.Next())
        bookings.append({q.Number(0), BookingFrom(q, 1)});
    return bookings;
}

void ImportStore::Forget(const QSet<qint64> &bookingIds)
{
    if (bookingIds.isEmpty())
        return;
    Transaction t(*this);
    for (const qint64 id : bookingIds)
        Query(Connection_, Path_, "DELETE FROM bookings WHERE id = ?").Bind(id).Run();
    t.Commit();
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
              "INSERT INTO bookings(batch, " QEL_BOOKING_COLUMNS ") VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
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
            // The bank's texts are kept for the user to look at, not whole at any length.
            .Bind(b.Counterparty.left(MaxBankText))
            .Bind(b.BankPurpose.left(MaxBankText))
            .Bind(b.BankReference.left(MaxBankText))
            .Bind(b.SameBefore)
            .Run();
        if (!b.Counterparty.isEmpty()) {
            Query(Connection_, Path_, "INSERT OR REPLACE INTO counterparties(key, category, purpose) VALUES(?, ?, ?)")
                .Bind(RememberedKey(b.Credit, b.Counterparty))
                .Bind(b.Category)
                .Bind(b.Purpose)
                .Run();
        }
        // Ticked this time: no longer left out.
        Query(Connection_, Path_,
              "DELETE FROM unticked WHERE account = ? AND content_key = ? AND occurrence = ? AND reference = ?")
            .Bind(b.Identity.Account)
            .Bind(b.Identity.ContentKey)
            .Bind(b.Identity.Occurrence)
            .Bind(b.Identity.Reference)
            .Run();
    }
    for (const RowIdentity &identity : batch.Unticked) {
        Query(Connection_, Path_,
              "INSERT OR IGNORE INTO unticked(account, content_key, occurrence, reference) VALUES(?, ?, ?, ?)")
            .Bind(identity.Account)
            .Bind(identity.ContentKey)
            .Bind(identity.Occurrence)
            .Bind(identity.Reference)
            .Run();
    }
    t.Commit();
    return id;
}

IdentityIndex ImportStore::Unticked()
{
    Query q(Connection_, Path_, "SELECT account, content_key, occurrence, reference FROM unticked");
    q.Run();
    IdentityIndex index;
    while (q.Next())
        index.Add(IdentityFrom(q, 0));
    return index;
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
