#include "import/DocumentBooking.h"

#include "books/BookManager.h"
#include "import/ImportMatcher.h"
#include "import/ImportRules.h"
#include "import/ImportStore.h"
#include "import/LedgerText.h"
#include "ledger/Cents.h"
#include "ledger/FuncUnit.h"
#include "ledger/QelError.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

DocumentBooking::DocumentBooking(BookManager &books)
    : Books_(books)
{
}

QStringList DocumentBooking::KnownSellers() const
{
    const LedgerState &state = Books_.Changes().State();
    QSet<QString> seen;
    QStringList sellers;
    const auto take = [&](const BookingList &list) {
        for (const ListRow &row : list.Rows()) {
            const QString purpose = row.SubItem(2).simplified();
            if (purpose.size() >= 3 && !seen.contains(purpose.toLower())) {
                seen.insert(purpose.toLower());
                sellers.append(purpose);
            }
        }
    };
    take(state.RegularList(Books_.RegionalSettings()));
    for (const QString &book : state.Books()) {
        BookingList income(ListKind::Income);
        BookingList expend(ListKind::Expend);
        state.BookLists(book, Books_.RegionalSettings(), income, expend);
        take(income);
        take(expend);
    }
    return sellers;
}

QString DocumentBooking::CategoryFor(const QString &seller, bool income) const
{
    const QString &storeFile = Books_.Paths().ImportStoreFile();
    if (QFileInfo::exists(storeFile)) {
        ImportStore store(storeFile);
        const RuleSet rules(store.Rules());
        if (const qsizetype rule = rules.Find(seller, QString(), income); rule >= 0)
            return rules.Rule(rule).Category;
        const QHash<QString, RememberedBooking> remembered = store.Remembered();
        if (const auto it = remembered.constFind(ImportStore::RememberedKey(income, seller)); it != remembered.cend())
            return it->Category;
    }
    // The seller's latest booking of the same kind.
    const LedgerState &state = Books_.Changes().State();
    QStringList books = state.Books();
    std::sort(books.begin(), books.end(), [this](const QString &a, const QString &b) {
        return BookKey(a, Books_.RegionalSettings()) > BookKey(b, Books_.RegionalSettings());
    });
    for (const QString &book : std::as_const(books)) {
        BookingList incomeList(ListKind::Income);
        BookingList expendList(ListKind::Expend);
        state.BookLists(book, Books_.RegionalSettings(), incomeList, expendList);
        const BookingList &list = income ? incomeList : expendList;
        for (qsizetype i = list.RowCount(); i-- > 0;) {
            if (list.Row(i).SubItem(2).compare(seller, Qt::CaseInsensitive) == 0)
                return list.Row(i).SubItem(1);
        }
    }
    return FallbackCategory();
}

DocumentBookingPlan DocumentBooking::Plan(const DocumentProposal &proposal, const std::optional<QString> &book) const
{
    if (!proposal.AmountSure || !proposal.DateSure || !proposal.Date.isValid()) {
        throw QelError(u"Betrag oder Datum des Belegs sind nicht sicher erkannt (%1). Buchen Sie ihn selbst und "
                       u"hängen Sie ihn dann an."_s
                           .arg(proposal.Doubts.join(u' ')));
    }
    if (proposal.Currency != u"EUR")
        throw QelError(u"Der Beleg lautet auf %1; gebucht wird in Euro. Buchen Sie ihn selbst und hängen Sie ihn dann an."_s
                           .arg(proposal.Currency));
    if (proposal.AmountCents == 0)
        throw QelError(u"Der Beleg ist über 0,00 €; eine solche Buchung gibt es nicht."_s);
    DocumentBookingPlan plan;
    plan.Proposal = proposal;
    plan.List = proposal.Income ? ListKind::Income : ListKind::Expend;
    const QString amount = FormatAmount(double(proposal.AmountCents) / 100.0);

    // An imported bank booking of this amount near the date: the document belongs to it.
    const LedgerState &state = Books_.Changes().State();
    const QSet<QByteArray> imported = state.ImportedBookings();
    const Regional &regional = Books_.RegionalSettings();
    int nearest = MatchDays + 1;
    for (const QString &name : state.Books()) {
        BookingList income(ListKind::Income);
        BookingList expend(ListKind::Expend);
        state.BookLists(name, regional, income, expend);
        for (const ListRow &row : (proposal.Income ? income : expend).Rows()) {
            if (!imported.contains(row.Id) || ShownCents(ParseAmount(row.SubItem(0))) != proposal.AmountCents)
                continue;
            const int days = std::abs(int(regional.ParseDate(row.Caption).daysTo(proposal.Date)));
            if (days < nearest && Books_.DocumentsOf(row.Id).isEmpty()) {
                nearest = days;
                plan.Book = name;
                plan.Row = row;
                plan.MatchedBooking = row.Id;
            }
        }
    }
    if (!plan.MatchedBooking.isEmpty())
        return plan;

    plan.Book = book ? *book : BookNameOf(proposal.Date);
    const QString seller = LedgerText::Shorten(proposal.Seller);
    plan.Row = ListRow::Make(regional.DateText(proposal.Date),
                             {amount, CapitalizeFirst(CategoryFor(seller, proposal.Income)), CapitalizeFirst(seller)});
    return plan;
}

QString DocumentBooking::Book(const DocumentBookingPlan &plan, const QString &file) const
{
    if (!plan.MatchedBooking.isEmpty()) {
        Books_.AttachDocument(plan.MatchedBooking, file);
        return Books_.BookingText({plan.Book, plan.List, plan.Row});
    }
    return Books_.BookWithDocument(plan.Book, plan.List, plan.Row, file);
}
