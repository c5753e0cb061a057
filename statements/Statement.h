#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <variant>

// A bank statement as the readers hand it on: one row per transaction, as the bank gives it,
// before anything decides what becomes a booking. Amounts are whole cents, never negative; the
// direction is a field of its own.
struct StatementRow
{
    QDate BookingDate;           // the day the row counts for in the ledger
    QDate ValueDate;             // invalid when the statement gives none
    qint64 AmountCents = 0;      // >= 0
    bool Credit = false;         // money in (income); false: money out (expense)
    QString Currency;            // ISO code as given; "EUR" where the format has none
    bool Pending = false;        // not booked yet (PDNG, "vorgemerkt"): never imported
    bool Reversal = false;       // reverses an earlier booking (RC/RD, RvslInd)
    QString Counterparty;        // the other side's name; may be empty
    QString CounterpartyAccount; // the other side's IBAN or account number
    QString Purpose;             // remittance text joined with blanks, SEPA field tags removed
    QString BookingText;         // the bank's kind of booking ("LASTSCHRIFT", "Gutschrift", ...)
    QString Reference;           // the bank's own id of the booking where it has one, else empty
    QString EndToEndId;          // empty for NOTPROVIDED
    QString MandateReference;
    QString CreditorId;
    int Line = 0;                // 1-based line of the file where the row starts; 0 when unknown
};

struct Statement
{
    QString Format;  // as the user reads it: "CAMT.053.001.08", "MT940", "CSV Sparkasse (CAMT V2)"
    QString Account; // the statement's own account (IBAN or number); empty when it names none
    QList<StatementRow> Rows;
};

// The columns of a CSV layout that no bank profile knows, as the user assigns them. A column
// is an index into the header; -1 when not assigned. Either Amount, or Debit and/or Credit.
struct CsvColumnChoice
{
    int Date = -1;
    int Amount = -1;
    int Debit = -1;
    int Credit = -1;
    int Counterparty = -1;
    int Purpose = -1;
};

// A CSV file whose layout no profile knows: what the window needs to ask for the columns.
struct UnknownCsvLayout
{
    QString HeaderKey;         // identifies the layout: files with the same header share it
    QStringList Header;        // the header's fields, decoded
    QList<QStringList> Sample; // the first data rows (at most 5), decoded
};

// The column choice the user made earlier for a header key, if any.
using CsvChoiceLookup = std::function<std::optional<CsvColumnChoice>(const QString &headerKey)>;

using StatementReadResult = std::variant<Statement, UnknownCsvLayout>;

// Recognises the format by content (CAMT.052/.053/.054, MT940, the known banks' CSV, else a
// CSV with a known column choice) and reads it. A CSV of unknown layout without a choice gives
// UnknownCsvLayout. Anything unreadable throws QelError with a German message that names the
// file (and the line where there is one). Bounds-checked; never hangs on any input.
StatementReadResult ReadStatement(QByteArrayView bytes, const QString &fileName,
                                  const CsvChoiceLookup &choices = {});

// ReadStatement on a file's bytes, refusing files above the size limit with a German message.
// A ZIP file holding one statement gives that one; with several it is refused (they are
// read with ReadStatementFiles).
StatementReadResult ReadStatementFile(const QString &path, const CsvChoiceLookup &choices = {});

// One statement of a file, with the name it has there: "umsaetze.zip/Januar.xml" for an
// entry of a ZIP file, else the file's own name.
struct StatementFile
{
    QString Name;
    StatementReadResult Result;
};

// ReadStatementFile for files that may hold several statements (a ZIP of monthly CAMT
// files): each entry read by content as ReadStatement reads a file; a plain statement file
// gives one. Throws QelError (naming file and entry) when the file or an entry cannot be read.
QList<StatementFile> ReadStatementFiles(const QString &path, const CsvChoiceLookup &choices = {});
