// The book manager's side of documents on bookings: a document put on a booking is a step in
// this computer's change log (undo takes it off again), its file kept in the data folder's
// store.

#include "books/BookManager.h"

#include "changes/ChangeStore.h"
#include "changes/ComputerId.h"
#include "documents/DocumentStore.h"
#include "ledger/QelError.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

QList<BookManager::BookingDocument> DocumentsIn(const LedgerState &state, const Regional &regional,
                                                const std::optional<QString> &book)
{
    QHash<QByteArray, QList<LedgerState::DocumentLink>> byBooking;
    for (const LedgerState::DocumentLink &link : state.Documents())
        byBooking[link.Booking].append(link);
    QList<BookManager::BookingDocument> documents;
    const auto take = [&](const QString &bookName, const BookingList &list) {
        for (const ListRow &row : list.Rows()) {
            for (const LedgerState::DocumentLink &link : byBooking.value(row.Id))
                documents.append({bookName, list.Kind(), row, link.Document, link.Name});
        }
    };
    if (!book || book->isEmpty())
        take(QString(), state.RegularList(regional));
    QStringList books;
    if (!book)
        books = state.Books();
    else if (!book->isEmpty())
        books = {*book};
    for (const QString &name : std::as_const(books)) {
        BookingList income(ListKind::Income);
        BookingList expend(ListKind::Expend);
        state.BookLists(name, regional, income, expend);
        take(name, income);
        take(name, expend);
    }
    return documents;
}

} // namespace

QList<BookManager::BookingDocument> BookManager::Documents(const std::optional<QString> &book)
{
    if (HasLogs())
        return DocumentsIn(Changes().State(), Regional_, book);
    if (Paths_.ProgramDataFolder.isEmpty())
        return {};
    // Looking only: the logs as they are, nothing mended or written.
    ChangeStore store(Paths_.DataFolder, ComputerId::LoadOrCreate(Paths_.ProgramDataFolder));
    store.Refresh(false);
    return DocumentsIn(store.State(), Regional_, book);
}

QList<BookManager::BookingDocument> BookManager::DocumentsOf(const QByteArray &booking)
{
    QList<BookingDocument> documents;
    for (const BookingDocument &document : Documents(std::nullopt)) {
        if (document.Row.Id == booking)
            documents.append(document);
    }
    return documents;
}

BookManager::AttachOutcome BookManager::AttachDocument(const QByteArray &booking, const QString &path)
{
    if (ReadOnly_)
        throw QelError(LookOnlyMessage());
    const LedgerState &state = Changes().State();
    const QList<LedgerState::Version> versions = state.Versions(booking);
    if (versions.isEmpty())
        throw QelError(u"Die Buchung gibt es nicht mehr; der Beleg wurde nicht angehängt."_s);
    // The file first: a step that names a document the folder lacks would point at nothing.
    const DocumentStore::Added added = DocumentStore(Paths_.DataFolder).Add(path);
    AttachOutcome outcome{added.StoredName, added.WasThere, false};
    if (state.HasDocument(booking, QFile::encodeName(added.StoredName))) {
        outcome.AlreadyOnBooking = true;
        return outcome;
    }
    const QString name = QFileInfo(path).fileName();
    ChangeEntry entry;
    entry.Kind = EntryKind::Step;
    entry.Text = u"Beleg „%1“ an %2"_s.arg(name, BookingText(versions.front().Content));
    entry.Documents.append({booking, QFile::encodeName(added.StoredName), name, true});
    Commit(std::move(entry));
    return outcome;
}

QString BookManager::BookWithDocument(const QString &book, ListKind list, ListRow row, const QString &path)
{
    if (ReadOnly_)
        throw QelError(LookOnlyMessage());
    const LedgerState &state = Changes().State();
    const DocumentStore::Added added = DocumentStore(Paths_.DataFolder).Add(path);
    BookingList income(ListKind::Income);
    BookingList expend(ListKind::Expend);
    if (state.BookExists(book))
        state.BookLists(book, Regional_, income, expend);
    const QString name = QFileInfo(path).fileName();
    ChangeEntry entry;
    entry.Kind = EntryKind::Step;
    entry.Text = u"Beleg „%1“ gebucht: %2"_s.arg(name, BookingText({book, list, row}));
    const QByteArray entryName = Changes().NextName();
    qsizetype next = 0;
    row.Id = NewBookingId(entryName, next++);
    const QByteArray id = row.Id;
    BookingList &target = list == ListKind::Income ? income : expend;
    target.AddRow(std::move(row));
    target.SortByCaption(Regional_);
    BookChanges(book, income, expend, entry, next);
    entry.Documents.append({id, QFile::encodeName(added.StoredName), name, true});
    const QString text = entry.Text;
    Commit(std::move(entry));
    return text;
}

QString BookManager::BookingText(const BookingContent &content) const
{
    const QString kind = content.Book.isEmpty()
                             ? u"regelmäßige %1"_s.arg(content.List == ListKind::Income ? u"Einnahme"_s : u"Ausgabe"_s)
                             : (content.List == ListKind::Income ? u"Einnahme"_s : u"Ausgabe"_s);
    QString text = u"%1 %2 %3 €"_s.arg(kind, content.Row.Caption, content.Row.SubItem(0));
    if (!content.Row.SubItem(2).isEmpty())
        text += u" „%1“"_s.arg(content.Row.SubItem(2));
    if (!content.Book.isEmpty())
        text += u" in %1"_s.arg(content.Book);
    return text;
}
