#pragma once

#include "documents/DocumentProposal.h"
#include "ledger/BookingList.h"

#include <QByteArray>
#include <QString>

#include <optional>

class BookManager;

// A document booked: the booking its proposal makes (month book of its date, category from the
// import rules or the seller's earlier bookings, purpose the seller), or, where an imported bank
// booking of the same amount and kind lies within five days of its date, that booking, which
// then carries the document instead of a second booking.
struct DocumentBookingPlan
{
    DocumentProposal Proposal;
    QString Book;
    ListKind List = ListKind::Expend;
    ListRow Row; // as it is booked; for a match, the imported booking as it stands
    QByteArray MatchedBooking; // set when an imported booking meets the document
};

class DocumentBooking
{
public:
    static constexpr int MatchDays = 5;

    explicit DocumentBooking(BookManager &books);

    // Throws QelError (German) for a proposal that cannot be booked as it is: an amount or date
    // not sure, a currency other than euro, an amount of 0.00.
    DocumentBookingPlan Plan(const DocumentProposal &proposal, const std::optional<QString> &book) const;
    // Books the plan with the file on it: one step that undo takes back whole. Returns what was
    // done, as undo names it.
    QString Book(const DocumentBookingPlan &plan, const QString &file) const;

    // The sellers the books know: the purposes of their bookings, for the receipt rules.
    QStringList KnownSellers() const;

private:
    QString CategoryFor(const QString &seller, bool income) const;

    BookManager &Books_;
};
