#include "import/ImportBooking.h"

#include "history/HistorySteps.h"

#include "import/ImportStoreUpkeep.h"
#include "books/BookManager.h"
#include "ledger/BookingList.h"
#include "ledger/FuncUnit.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QHash>
#include <QMap>

#include <algorithm>
#include <optional>

namespace {

QByteArray HashOf(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// The hash of a book's file as it is on the disk; empty when there is none.
QByteArray FileHash(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return {};
    return HashOf(ListFiles::ReadFile(path));
}

QString Quoted(const QString &name)
{
    return u'„' + name + u'“';
}

// Bookings that are the same to the eye: kind, date, amount, category and purpose.
QString BookingKey(bool credit, const QString &date, const QString &amount, const QString &category,
                   const QString &purpose)
{
    return QStringList{credit ? QStringLiteral("E") : QStringLiteral("A"), date, amount, category, purpose}.join(
        QChar(0x1F));
}

QHash<QString, int> CountBookings(const BookingList &income, const BookingList &expend)
{
    QHash<QString, int> counts;
    for (const BookingList *list : {&income, &expend}) {
        for (const ListRow &row : list->Rows())
            ++counts[BookingKey(list == &income, row.Caption, row.SubItem(0), row.SubItem(1), row.SubItem(2))];
    }
    return counts;
}

// Which of a pending import's rows reached their books; nothing when a book cannot be read
// and so cannot tell.
std::optional<QList<qint64>> JudgeBatch(const PendingBatch &batch, const LedgerPaths &paths)
{
    QList<qint64> kept;
    for (const BatchBook &book : batch.Books) {
        const QString path = paths.BookFile(book.Name);
        QList<qsizetype> rows;
        for (qsizetype i = 0; i < batch.Bookings.size(); ++i) {
            if (batch.Bookings.at(i).Book == book.Name)
                rows.append(i);
        }
        try {
            const QByteArray hash = FileHash(path);
            if (hash == book.HashAfter) {
                for (qsizetype i : rows)
                    kept.append(batch.BookingIds.at(i));
                continue;
            }
            if (hash == book.HashBefore)
                continue;
            // Changed since, by hand: the book holds the rows of a kind that it has more of
            // than it had before the import (two equal coffees stay two; a coffee that was
            // there before is not taken for an imported one).
            BookingList income(ListKind::Income);
            BookingList expend(ListKind::Expend);
            ListFiles::ParseMonthBook(ListFiles::ReadFile(path), income, expend);
            const QHash<QString, int> now = CountBookings(income, expend);
            QHash<QString, int> taken;
            for (qsizetype i : rows) {
                const StoredBooking &b = batch.Bookings.at(i);
                const QString key = BookingKey(b.Credit, b.DateText, b.Amount, b.Category, b.Purpose);
                if (now.value(key) - b.SameBefore - taken.value(key) > 0) {
                    ++taken[key];
                    kept.append(batch.BookingIds.at(i));
                }
            }
        } catch (const QelError &) {
            return std::nullopt;
        }
    }
    return kept;
}

} // namespace

int ImportOutcome::Total() const
{
    int total = 0;
    for (const Book &book : Books)
        total += book.Count;
    return total;
}

QString ImportOutcome::Summary() const
{
    QStringList parts;
    for (const Book &book : Books) {
        QString part = (book.Count == 1 ? QStringLiteral("1 Buchung in %1")
                                        : QStringLiteral("%1 Buchungen in %2").arg(book.Count))
                           .arg(Quoted(book.Name));
        if (book.Created)
            part += QStringLiteral(" (neu angelegt)");
        parts.append(part);
    }
    return parts.join(QStringLiteral(", "));
}

QList<const ImportCandidate *> ChosenRows(const QList<ImportCandidate> &rows)
{
    QList<const ImportCandidate *> chosen;
    for (const ImportCandidate &c : rows) {
        if (c.Ticked && IsBookable(c))
            chosen.append(&c);
    }
    return chosen;
}

QString LeftOutSummary(const QList<ImportCandidate> &rows)
{
    // In the order a reader asks: was it there already, was it left by choice, can it never go in.
    enum Reason { Imported, Present, Regular, Unticked, Pending, Foreign, Unreadable, ReasonCount };
    static const char16_t *const Names[ReasonCount] = {u"schon importiert", u"schon im Buch", u"regelmäßig",
                                                        u"abgewählt", u"vorgemerkt", u"in Fremdwährung",
                                                        u"unlesbar"};
    int counts[ReasonCount] = {};
    int total = 0;
    for (const ImportCandidate &c : rows) {
        if (c.Ticked && IsBookable(c))
            continue;
        ++total;
        switch (c.Status) {
        case ImportStatus::Duplicate: ++counts[Imported]; break;
        case ImportStatus::Present: ++counts[Present]; break;
        case ImportStatus::Regular: ++counts[Regular]; break;
        case ImportStatus::New: ++counts[Unticked]; break;
        case ImportStatus::Pending: ++counts[Pending]; break;
        case ImportStatus::ForeignCurrency: ++counts[Foreign]; break;
        case ImportStatus::Unreadable: ++counts[Unreadable]; break;
        }
    }
    if (total == 0)
        return {};
    QStringList parts;
    for (int r = 0; r < ReasonCount; ++r) {
        if (counts[r] > 0)
            parts.append(QStringLiteral("%1 %2").arg(counts[r]).arg(QString::fromUtf16(Names[r])));
    }
    return QStringLiteral("%1 nicht übernommen: %2").arg(total).arg(parts.join(QStringLiteral(", ")));
}

namespace {

// What the import store keeps of the bank's text: every remittance line as sent.
QString KeptText(const StatementRow &row)
{
    return row.Remittance.isEmpty() ? row.Purpose : row.Remittance;
}

} // namespace

QString SkippedSummary(const Statement &statement)
{
    enum Kind { Preamble, Header, Empty, Balance, Text, Zero, KindCount };
    static const char16_t *const One[KindCount] = {u"Zeile Kontodaten", u"Kopfzeile", u"leere Zeile",
                                                   u"Saldo- oder Summenzeile", u"Zeile ohne Umsatz",
                                                   u"Umsatz über 0,00 €"};
    static const char16_t *const Many[KindCount] = {u"Zeilen Kontodaten", u"Kopfzeilen", u"leere Zeilen",
                                                    u"Saldo- oder Summenzeilen", u"Zeilen ohne Umsatz",
                                                    u"Umsätze über 0,00 €"};
    int counts[KindCount] = {};
    for (const SkippedLine &line : statement.Skipped) {
        switch (line.Reason) {
        case LineSkip::Preamble: ++counts[Preamble]; break;
        case LineSkip::Header: ++counts[Header]; break;
        case LineSkip::Empty: ++counts[Empty]; break;
        case LineSkip::Balance: ++counts[Balance]; break;
        case LineSkip::Text: ++counts[Text]; break;
        case LineSkip::Unreadable: break; // a row of its own in the preview
        }
    }
    for (const StatementRow &row : statement.Rows)
        counts[Zero] += row.AmountCents == 0;
    QStringList parts;
    for (int k = 0; k < KindCount; ++k) {
        if (counts[k] > 0)
            parts.append(QStringLiteral("%1 %2").arg(counts[k]).arg(QString::fromUtf16(counts[k] == 1 ? One[k] : Many[k])));
    }
    return parts.isEmpty() ? QString() : QStringLiteral("Ohne Buchung: ") + parts.join(QStringLiteral(", "));
}

QList<LineOutcome> LineOutcomes(const Statement &statement, const QList<ImportCandidate> &rows)
{
    static const char16_t *const Reasons[] = {u"Kontodaten", u"Kopfzeile", u"leer", u"Saldo oder Summe",
                                              u"kein Umsatz", u"unlesbar"};
    QList<LineOutcome> lines;
    for (const SkippedLine &line : statement.Skipped) {
        if (line.Reason != LineSkip::Unreadable)
            lines.append({line.Line, QString::fromUtf16(Reasons[int(line.Reason)]), nullptr});
    }
    for (const StatementRow &row : statement.Rows) {
        if (row.AmountCents == 0)
            lines.append({row.Line, QStringLiteral("Betrag 0,00"), nullptr});
    }
    for (const ImportCandidate &c : rows)
        lines.append({c.Row.Line, StatusLine(c), &c});
    std::stable_sort(lines.begin(), lines.end(), [](const LineOutcome &a, const LineOutcome &b) { return a.Line < b.Line; });
    return lines;
}

QStringList MissingBooks(const BookManager &books, const QList<ImportCandidate> &rows)
{
    QMap<QString, QString> missing; // by book key
    for (const ImportCandidate *c : ChosenRows(rows)) {
        if (books.FindBook(c->BookName) < 0 && !books.BookFileExists(c->BookName))
            missing.insert(BookKey(c->BookName, books.RegionalSettings()), c->BookName);
    }
    return missing.values();
}

ImportBooking::ImportBooking(BookManager &books, QString storePath)
    : Books_(books)
    , StorePath_(std::move(storePath))
{
}

ImportOutcome ImportBooking::Book(const QList<ImportCandidate> &rows, const ImportSource &source,
                                  const QDateTime &now)
{
    const QList<const ImportCandidate *> chosen = ChosenRows(rows);
    if (chosen.isEmpty())
        return {};

    QMap<QString, Target> targets; // by book key, so books go in calendar order
    for (const ImportCandidate *c : chosen) {
        const QString key = BookKey(c->BookName, Books_.RegionalSettings());
        auto target = targets.find(key);
        if (target == targets.end()) {
            target = targets.insert(key, Target{});
            target->Name = c->BookName;
            target->Created = Books_.FindBook(c->BookName) < 0 && !Books_.BookFileExists(c->BookName);
            Books_.ReadBook(c->BookName, target->Income, target->Expend);
            target->Before = CountBookings(target->Income, target->Expend);
        }
        (c->Row.Credit ? target->Income : target->Expend).AddRow(ListRow::Make(c->DateText, {c->Amount, c->Category, c->Purpose}));
        ++target->Count;
    }

    ImportBatch batch;
    batch.SourceFile = source.File;
    batch.Format = source.Format;
    for (const ImportCandidate &c : rows) {
        if (c.Status == ImportStatus::New && !c.Ticked)
            batch.Unticked.append(c.Identity);
    }
    if (Books_.HasLogs())
        return BookInLogs(chosen, targets, batch, source);

    for (Target &t : targets) {
        t.Income.SortByCaption(Books_.RegionalSettings());
        t.Expend.SortByCaption(Books_.RegionalSettings());
        batch.Books.append({t.Name, FileHash(Books_.Paths().BookFile(t.Name)),
                            HashOf(ListFiles::MonthBookBytes(t.Income, t.Expend))});
    }
    for (const ImportCandidate *c : chosen) {
        const Target &t = targets[BookKey(c->BookName, Books_.RegionalSettings())];
        batch.Bookings.append({c->Identity, c->BookName, c->Row.Credit, c->DateText, c->Amount, c->Category,
                               c->Purpose, c->Row.Counterparty, KeptText(c->Row), c->Row.Reference,
                               t.Before.value(BookingKey(c->Row.Credit, c->DateText, c->Amount, c->Category,
                                                         c->Purpose))});
    }

    ImportStore store(StorePath_);
    const qint64 id = store.BeginBatch(batch);
    if (AfterStep)
        AfterStep(0);

    ImportOutcome outcome;
    int step = 0;
    for (const Target &t : std::as_const(targets)) {
        try {
            Books_.StoreBook(t.Name, t.Income, t.Expend, now);
        } catch (const QelError &error) {
            SettlePendingImports(store, Books_.Paths());
            const QString done = outcome.Books.isEmpty()
                                     ? QStringLiteral("Aus dem Kontoauszug wurde nichts übernommen.")
                                     : QStringLiteral("Übernommen wurden nur: %1.").arg(outcome.Summary());
            throw QelError(error.Message() + QStringLiteral("\n\n") + done);
        }
        outcome.Books.append({t.Name, t.Count, t.Created});
        if (AfterStep)
            AfterStep(++step);
    }
    store.FinishBatch(id);
    if (AfterStep)
        AfterStep(++step);
    return outcome;
}

ImportOutcome ImportBooking::BookInLogs(const QList<const ImportCandidate *> &chosen, QMap<QString, Target> &targets,
                                        ImportBatch &batch, const ImportSource &source)
{
    // One entry: every booking with the statement row it comes from, every book it makes.
    ChangeEntry entry;
    entry.Kind = EntryKind::Import;
    entry.Text = HistorySteps::ImportText(chosen.size(), source.File);
    const QByteArray name = Books_.Changes().NextName();
    qsizetype next = 0;
    QHash<const ImportCandidate *, QByteArray> ids;
    for (const ImportCandidate *c : chosen) {
        Target &t = targets[BookKey(c->BookName, Books_.RegionalSettings())];
        BookingList &list = c->Row.Credit ? t.Income : t.Expend;
        for (qsizetype i = 0; i < list.RowCount(); ++i) {
            if (list.Row(i).Id.isEmpty() && list.Row(i).Caption == c->DateText && list.Row(i).SubItem(0) == c->Amount
                && list.Row(i).SubItem(1) == c->Category && list.Row(i).SubItem(2) == c->Purpose) {
                const QByteArray id = NewBookingId(name, next++);
                list.MutableRow(i).Id = id;
                ids.insert(c, id);
                break;
            }
        }
    }
    for (Target &t : targets) {
        t.Income.SortByCaption(Books_.RegionalSettings());
        t.Expend.SortByCaption(Books_.RegionalSettings());
        Books_.BookChanges(t.Name, t.Income, t.Expend, entry, next);
    }
    for (const ImportCandidate *c : chosen)
        entry.Rows.append({c->Identity, ids.value(c)});
    // A file that cannot follow does not take the bookings back: they are in the log.
    std::optional<QelError> unwritten;
    try {
        Books_.Commit(std::move(entry));
    } catch (const QelError &error) {
        if (Books_.Changes().NextName() == name)
            throw;
        unwritten = error;
    }
    if (AfterStep)
        AfterStep(0);

    ImportOutcome outcome;
    for (const Target &t : std::as_const(targets))
        outcome.Books.append({t.Name, t.Count, t.Created});
    // What the bank said and what each counterparty got, for the next statement's proposals.
    for (const ImportCandidate *c : chosen) {
        batch.Bookings.append({c->Identity, c->BookName, c->Row.Credit, c->DateText, c->Amount, c->Category,
                               c->Purpose, c->Row.Counterparty, KeptText(c->Row), c->Row.Reference, 0});
    }
    try {
        ImportStore store(StorePath_);
        store.FinishBatch(store.BeginBatch(batch));
    } catch (const QelError &error) {
        throw QelError(error.Message() + QStringLiteral("\n\nDie Buchungen sind übernommen; nur die Vorschläge für "
                                                        "den nächsten Kontoauszug fehlen."));
    }
    if (AfterStep)
        AfterStep(1);
    if (unwritten)
        throw QelError(unwritten->Message() + QStringLiteral("\n\nÜbernommen wurden: %1.").arg(outcome.Summary()));
    return outcome;
}

void SettlePendingImports(ImportStore &store, const LedgerPaths &paths)
{
    for (const PendingBatch &batch : store.PendingBatches()) {
        if (const std::optional<QList<qint64>> kept = JudgeBatch(batch, paths))
            store.SettleBatch(batch.Id, *kept);
    }
}

IdentityIndex ImportedIdentities(ImportStore &store, const LedgerPaths &paths, bool settle, const QSet<qint64> &except)
{
    if (settle)
        SettlePendingImports(store, paths);
    IdentityIndex index = store.Imported(except);
    for (const PendingBatch &batch : store.PendingBatches()) {
        // Undecided (a book cannot be read): its rows count as imported, never twice.
        const std::optional<QList<qint64>> kept = JudgeBatch(batch, paths);
        for (qsizetype i = 0; i < batch.Bookings.size(); ++i) {
            if (!kept || kept->contains(batch.BookingIds.at(i)))
                index.Add(batch.Bookings.at(i).Identity);
        }
    }
    return index;
}

MatchContext LoadMatchContext(BookManager &books, const Statement &statement, bool settle)
{
    MatchContext context;
    const LedgerPaths &paths = books.Paths();
    const ImportStoreUpkeep upkeep(paths);
    if (settle)
        context.Notes = upkeep.Prepare();
    // With the change logs, a row is booked exactly when the logs say so.
    const bool logs = !paths.ProgramDataFolder.isEmpty();
    if (logs)
        context.Imported = books.BookedRows();
    // A dry run leaves even a missing store missing.
    if (settle || QFileInfo::exists(paths.ImportStoreFile())) {
        ImportStore store(paths.ImportStoreFile());
        if (!logs)
            context.Imported = ImportedIdentities(store, paths, settle, settle ? QSet<qint64>() : upkeep.PendingForgets(store));
        context.Rules = RuleSet(store.Rules());
        context.Remembered = store.Remembered();
        context.Unticked = store.Unticked();
    }
    context.Ledger = LedgerBookings::Load(books, BooksToCompare(statement));
    return context;
}
