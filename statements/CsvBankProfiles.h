#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// How a bank lays out its CSV export. Column names are written as NormalizedCsvHeader
// gives them; "a|b" means either name.
enum class CsvAmountStyle {
    Signed,            // one amount with its sign
    SignedOrDebitCredit, // the amount, or when it is empty the debit ("Soll") and credit ("Haben") columns
    DebitCredit,       // separate debit and credit columns
    MarkAfterAmount,   // an amount without sign and "S" or "H" in the column after it
};

enum class CsvTextStyle {
    Plain,            // purpose column, SEPA tags and labels split off
    FirstLineIsKind,  // the first line of the purpose is the kind of booking
    Comdirect,        // "Auftraggeber: ... Buchungstext: ... Ref. ..." in one column
};

struct CsvBankProfile
{
    QString Format {};          // as the user reads it
    QStringList Identifying {}; // every one of these names is in the header
    QString BookingDate {};
    QString ValueDate {};
    QString Amount {};
    QString Debit {};
    QString Credit {};
    QString Currency {};
    QString Counterparty {}; // the other side, whichever the direction
    QString Payer {};        // the other side of money that comes in ...
    QString Payee {};        // ... and of money that goes out
    QString CounterpartyAccount {};
    QString Purpose {};
    QString BookingText {};
    QString EndToEndId {};
    QString MandateReference {};
    QString CreditorId {};
    QString Reference {};
    QString Status {};
    QString Account {};
    QStringList FooterMarkers {};      // a record holding one of these (normalized) is no turnover
    QChar DecimalSeparator = u',';
    CsvAmountStyle AmountStyle = CsvAmountStyle::Signed;
    CsvTextStyle TextStyle = CsvTextStyle::Plain;
    bool EndsAtBlankRecord = false; // the table ends at an empty line (more sections follow)
};

// Lower case, German umlauts and ß spelt out, blanks collapsed: "Währung" and
// "Waehrung" are one name.
QString NormalizedCsvHeader(QStringView field);

// A status, or a booking date, that says the bank has not booked the row yet: "Vorgemerkt",
// "Umsatz vorgemerkt", "Nicht gebucht", "offen" and the like, in any letter case.
bool SaysNotBooked(QStringView field);

// The known banks, most specific first.
const QList<CsvBankProfile> &CsvBankProfiles();
