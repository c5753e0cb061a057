// Documents on bookings: reading a booking from an e-invoice, a PDF or a photo of a receipt.

#include "cli/Cli.h"

#include "books/BookManager.h"
#include "documents/DocumentReader.h"
#include "documents/DocumentStore.h"
#include "documents/ocr/TesseractRecognizer.h"
#include "documents/pdf/PopplerPdfReader.h"
#include "import/DocumentBooking.h"
#include "ledger/FuncUnit.h"
#include "ledger/Regional.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace {

QString AmountText(qint64 cents)
{
    return u"%1.%2"_s.arg(cents / 100).arg(cents % 100, 2, 10, QChar(u'0'));
}

// An amount as lists show it, compared by value: "12.5" and "12.50" are one amount.
std::optional<double> AmountValue(const QString &text)
{
    return TryParseAmount(text);
}

QString KindName(ListKind list)
{
    return list == ListKind::Income ? u"Einnahme"_s : u"Ausgabe"_s;
}

} // namespace

int Cli::Attach(const QStringList &arguments)
{
    QStringList args = arguments;
    QString purpose;
    bool purposeGiven = false;
    if (const qsizetype at = args.indexOf(u"--verwendung"_s); at >= 0) {
        if (at + 1 >= args.size())
            return UsageError(u"Zu --verwendung fehlt der Text."_s);
        purpose = args.at(at + 1);
        purposeGiven = true;
        args.remove(at, 2);
    }
    if (args.size() != 5)
        return UsageError(u"Aufruf: attach NAME income|expense DATUM BETRAG DATEI [--verwendung TEXT]"_s);
    const QString &name = args.at(0);
    const QString &kind = args.at(1);
    if (kind != u"income" && kind != u"expense")
        return UsageError(u"Die Buchungsart muss \"income\" oder \"expense\" sein, nicht \"%1\"."_s.arg(kind));
    const bool regular = name == u"regular";
    const Regional regional;
    QString caption;
    if (regular) {
        caption = args.at(2);
    } else {
        const QDate date = regional.ParseDate(args.at(2));
        if (!date.isValid())
            return Fail(u"\"%1\" ist kein gültiges Datum. Erwartet wird TT.MM.JJJJ, z. B. \"07.12.2026\"."_s.arg(args.at(2)));
        caption = regional.DateText(date);
    }
    const QString amount = AcceptAmount(args.at(3));
    if (amount.isEmpty())
        return 1;
    if (!regular && !IsListedBook(name))
        return Fail(u"Das Haushaltsbuch \"%1\" existiert nicht."_s.arg(name));
    if (!LockForWriting())
        return 1;

    BookManager books = MakeManager();
    const LedgerState &state = books.Changes().State();
    BookingList income(ListKind::Income);
    BookingList expend(ListKind::Expend);
    if (regular)
        (kind == u"income" ? income : expend) = state.RegularList(books.RegionalSettings());
    else
        state.BookLists(name, books.RegionalSettings(), income, expend);
    const BookingList &list = kind == u"income" ? income : expend;
    // A regular booking's caption is its day ("07."); "7" means the same.
    const auto sameCaption = [&](const QString &shown) {
        if (!regular)
            return shown == caption;
        const auto day = [](QString text) { return text.remove(u'.').trimmed().toInt(); };
        return day(shown) == day(caption) && day(caption) > 0;
    };
    QList<const ListRow *> found;
    for (const ListRow &row : list.Rows()) {
        if (sameCaption(row.Caption) && AmountValue(row.SubItem(0)) == AmountValue(amount)
            && (!purposeGiven || row.SubItem(2).compare(purpose, Qt::CaseInsensitive) == 0))
            found.append(&row);
    }
    if (found.isEmpty()) {
        const QString with = purposeGiven ? u" mit der Verwendung „%1“"_s.arg(purpose) : QString();
        if (regular)
            return Fail(u"Unter den regelmäßigen Buchungen gibt es keine %1 am Tag %2 über %3 €%4."_s.arg(
                KindName(list.Kind()), caption, amount, with));
        return Fail(u"In „%1“ gibt es keine %2 vom %3 über %4 €%5."_s.arg(name, KindName(list.Kind()), caption, amount,
                                                                         with));
    }
    if (found.size() > 1) {
        QStringList purposes;
        for (const ListRow *row : std::as_const(found))
            purposes.append(u"„%1“"_s.arg(row->SubItem(2)));
        return Fail(u"Es gibt %1 solche Buchungen (%2); --verwendung TEXT wählt eine."_s.arg(found.size())
                        .arg(purposes.join(u", "_s)));
    }
    const BookManager::AttachOutcome outcome = books.AttachDocument(found.front()->Id, args.at(4));
    const QString stored = QDir::toNativeSeparators(DocumentStore(Paths_.DataFolder).PathOf(outcome.StoredName));
    if (outcome.AlreadyOnBooking) {
        Out_ << u"Der Beleg hängt schon an dieser Buchung: "_s << stored << '\n';
        return 0;
    }
    Changed_ = true;
    Out_ << u"Beleg angehängt: "_s << stored << (outcome.FileWasThere ? u" (schon im Ordner Belege)"_s : QString())
         << '\n';
    return 0;
}

int Cli::ListDocuments(const std::optional<QString> &book)
{
    if (book && *book != u"regular" && !IsListedBook(*book))
        return Fail(u"Das Haushaltsbuch \"%1\" existiert nicht."_s.arg(*book));
    BookManager books = MakeManager();
    const DocumentStore store(Paths_.DataFolder);
    const std::optional<QString> which = book && *book == u"regular" ? std::optional<QString>(QString()) : book;
    int missing = 0;
    for (const BookManager::BookingDocument &document : books.Documents(which)) {
        const QString stored = QString::fromLatin1(document.Document);
        Out_ << QStringList{document.Book.isEmpty() ? u"regelmäßig"_s : document.Book, document.Row.Caption,
                            document.Row.SubItem(0), document.Row.SubItem(2),
                            QDir::toNativeSeparators(store.PathOf(stored))}
                    .join(u'\t')
             << '\n';
        if (!store.Has(stored)) {
            ++missing;
            Err_ << u"Die Datei des Belegs „%1“ fehlt im Ordner Belege (sie kommt womöglich noch mit der Synchronisation): %2"_s
                        .arg(document.Name, stored)
                 << '\n';
        }
    }
    return missing == 0 ? 0 : 1;
}

int Cli::BookDocument(const QStringList &arguments)
{
    QStringList args = arguments;
    std::optional<QString> book;
    if (const qsizetype at = args.indexOf(u"--buch"_s); at >= 0) {
        if (at + 1 >= args.size())
            return UsageError(u"Zu --buch fehlt der Name des Haushaltsbuchs."_s);
        book = args.at(at + 1);
        args.remove(at, 2);
    }
    if (args.size() != 1)
        return UsageError(u"Aufruf: book-document DATEI [--buch NAME]"_s);
    if (book && !IsListedBook(*book))
        return Fail(u"Das Haushaltsbuch \"%1\" existiert nicht."_s.arg(*book));
    if (!LockForWriting())
        return 1;
    BookManager books = MakeManager();
    const DocumentBooking booking(books);
    const PopplerPdfReader pdf;
    const TesseractRecognizer recognizer;
    DocumentReader reader(&pdf, &recognizer);
    reader.SetKnownSellers(booking.KnownSellers());
    const DocumentRead read = reader.ReadFile(args.front());
    if (!read.Proposal)
        return Fail(read.Error);
    const DocumentBookingPlan plan = booking.Plan(*read.Proposal, book);
    const QString done = booking.Book(plan, args.front());
    Changed_ = true;
    Out_ << QStringList{plan.MatchedBooking.isEmpty() ? u"gebucht"_s : u"an Kontobuchung"_s, plan.Book,
                        KindName(plan.List), plan.Row.Caption, plan.Row.SubItem(0), plan.Row.SubItem(1),
                        plan.Row.SubItem(2), DocumentSourceText(plan.Proposal.Source)}
                .join(u'\t')
         << '\n';
    for (const QString &doubt : plan.Proposal.Doubts)
        Err_ << u"Unsicher: "_s << doubt << '\n';
    return 0;
}

int Cli::ReadDocument(const QString &file)
{
    const PopplerPdfReader pdf;
    const TesseractRecognizer recognizer;
    const DocumentReader reader(&pdf, &recognizer);
    const DocumentRead read = reader.ReadFile(file);
    if (!read.Proposal)
        return Fail(read.Error);
    const DocumentProposal &proposal = *read.Proposal;
    Out_ << QStringList{proposal.Date.isValid() ? proposal.Date.toString(u"dd.MM.yyyy"_s) : QString(),
                        AmountText(proposal.AmountCents), proposal.Income ? u"Einnahme"_s : u"Ausgabe"_s,
                        proposal.Seller.simplified(), DocumentSourceText(proposal.Source)}
                .join(u'\t')
         << '\n';
    if (proposal.Currency != u"EUR")
        Err_ << u"Der Betrag lautet auf %1, nicht auf Euro."_s.arg(proposal.Currency) << '\n';
    for (const QString &doubt : proposal.Doubts)
        Err_ << u"Unsicher: "_s << doubt << '\n';
    return 0;
}
