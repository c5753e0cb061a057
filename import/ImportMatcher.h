#pragma once

#include "import/ImportRules.h"
#include "import/ImportStore.h"
#include "statements/RowIdentity.h"
#include "statements/Statement.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class BookManager;
class BookingList;
class Regional;

// What becomes of a statement row.
enum class ImportStatus {
    New,             // "neu": booked unless the user unticks it
    Duplicate,       // "doppelt": imported before; never again
    Present,         // "vorhanden": the book has such a booking already; only when ticked
    Regular,         // "regelmäßig": a regular booking counts it already; only when ticked
    Pending,         // "vorgemerkt": not booked by the bank yet; never imported
    ForeignCurrency, // "Fremdwährung": not in euro; never booked
    Unreadable,      // "unlesbar": a line meant as a turnover that cannot be read; Matched says why
};

QString StatusText(ImportStatus status);
// Whether the user may tick such a row.
bool IsBookable(ImportStatus status);

// A statement row on its way into the ledger, as the preview shows it and the import books it.
struct ImportCandidate
{
    StatementRow Row;
    RowIdentity Identity;
    ImportStatus Status = ImportStatus::New;
    bool Ticked = false;
    QString BookName; // the month book of the booking date
    QString DateText; // in the book's date form
    QString Amount;   // amount text, e.g. 12.50
    QString Category;
    QString Purpose;
    bool ByHand = false; // category or purpose set by the user, no longer by the rules
    // Imported before, but its booking is no longer in its book (the book was restored from an
    // older backup, or the booking removed): not ticked, but the user may tick it.
    bool Missing = false;
    // New, but unticked by the user when an earlier statement brought it: stays unticked.
    bool UntickedBefore = false;
    // The booking a present or regular row stands for: "04.03.2026 · 42.90 € · Einkauf".
    QString Matched;
};

// The status as the preview and the command line show it, with what it refers to:
// "vorhanden: 04.03.2026 · 42.90 € · Einkauf", "neu (zuvor abgewählt)".
QString StatusLine(const ImportCandidate &candidate);

// Whether the row may be booked: new, present or regular rows, and imported rows whose
// booking is gone from the book.
bool IsBookable(const ImportCandidate &candidate);

// The month book a date belongs to: "März 2026".
QString BookNameOf(QDate date);
// The month books whose bookings a statement's rows are compared with: the months of its
// rows and the neighbours within the days a booking may lie apart.
QStringList BooksToCompare(const Statement &statement);

// The ledger's bookings that statement rows are compared with: those of some month books,
// by kind and amount, and the regular bookings.
class LedgerBookings
{
public:
    // The books as the book manager has them (the open one's lists, the others' files) and
    // its regular list. A book that cannot be read throws QelError.
    static LedgerBookings Load(const BookManager &books, const QStringList &bookNames);

    void AddBook(const BookingList &income, const BookingList &expend, const Regional &regional);
    void SetRegular(const BookingList &regular);

private:
    friend class ImportMatcher;
    struct RegularBooking
    {
        bool Credit = false;
        qint64 Cents = 0;
        int Day = 0;
        QString Amount;
        QString Purpose;
    };
    struct Booking
    {
        QDate Date;
        // As the book has them, to name the booking a row matched (shared, not copied).
        QString DateText;
        QString Amount;
        QString Purpose;
    };
    static qint64 Key(bool credit, qint64 cents) { return cents * 2 + (credit ? 1 : 0); }

    QHash<qint64, QList<Booking>> Bookings_;
    QList<RegularBooking> Regular_;
};

// Everything a statement is matched against.
struct MatchContext
{
    RuleSet Rules;
    QHash<QString, RememberedBooking> Remembered; // by ImportStore::RememberedKey
    IdentityIndex Imported;
    IdentityIndex Unticked; // new rows the user left unticked in an import before
    LedgerBookings Ledger;
    // What was done to the import store before it was read, for the user.
    QStringList Notes;
};

// Gives every row of a statement its status, book, texts and tick, and puts the lines that
// could not be read among them in the order of the file. Rows of 0.00 (bank notices) are
// left out.
class ImportMatcher
{
public:
    // A booking this many days from a row's date may be the same.
    static constexpr int PresentDays = 3;
    // A row this many days from a regular booking's day may be that booking.
    static constexpr int RegularDays = 5;

    ImportMatcher(const MatchContext &context, const Regional &regional);

    QList<ImportCandidate> Match(const Statement &statement) const;

    // The category and purpose a row gets: the first rule that matches, else what the user
    // gave the same counterparty last time, else "Sonstige" and the counterparty's name.
    void Assign(ImportCandidate &candidate) const;

private:
    const MatchContext &Context_;
    const Regional &Regional_;
};

// The category of a row that no rule and no earlier import decides: the category table's
// own name for "other" among both the income categories and the expense groups.
QString FallbackCategory();
// The purpose of such a row, made fit for the ledger: the counterparty's name, else the first
// meaningful words of the bank's purpose text, else the bank's kind of booking.
QString FallbackPurpose(const StatementRow &row);
// The bank's own text of a row, whole: the kind of booking and every remittance line as sent.
QString BankText(const StatementRow &row);
