#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

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
    // Every remittance line as the bank sent it, joined with blanks: tags, references and
    // labels kept. Empty when the bank sent none. Never shortened.
    QString Remittance;
    QString BookingText;         // the bank's kind of booking ("LASTSCHRIFT", "Gutschrift", ...)
    QString Reference;           // the bank's own id of the booking where it has one, else empty
    QString EndToEndId;          // empty for NOTPROVIDED
    QString MandateReference;
    QString CreditorId;
    int Line = 0;                // 1-based line of the file where the row starts; 0 when unknown
};

// Why a line of a statement file gave no row.
enum class LineSkip {
    Preamble,   // above the table: the account, the period, the owner
    Header,     // the column names
    Empty,      // nothing in it
    Balance,    // a balance or a sum ("Kontostand", "Saldo", "Summe")
    Text,       // neither a date nor an amount where the table has them: a note
    Unreadable, // looks like a booking, but its date or amount cannot be read
};

struct SkippedLine
{
    int Line = 0;     // 1-based
    LineSkip Reason = LineSkip::Empty;
    QString Why;      // for an unreadable line: what is wrong, one German sentence
    QString Text;     // for an unreadable line: the line itself, as the user finds it in the file
};

struct Statement
{
    QString Format;  // as the user reads it: "CAMT.053.001.08", "MT940", "CSV Sparkasse (CAMT V2)"
    QString Account; // the statement's own account (IBAN or number); empty when it names none
    QList<StatementRow> Rows;
    // The lines of a table file that gave no row, each with its reason: together with the
    // rows' lines every line of the file is accounted for. Empty for CAMT and MT940, whose
    // readers refuse a transaction they cannot read.
    QList<SkippedLine> Skipped;
};

// The columns of a CSV layout that no bank profile knows, as the user assigns them. A column
// is an index into the header; -1 when not assigned. Either Amount, or Debit and/or Credit.
struct CsvColumnChoice
{
    int Date = -1;
    int Amount = -1;
    int Debit = -1;
    int Credit = -1;
    int Counterparty = -1; // the other side; with Payee: the payer's column
    int Purpose = -1;
    int PurposeTo = -1;    // the purpose spread over Purpose..PurposeTo (VWZ1 ... VWZ14); -1: one column
    int Payee = -1;        // the payee's column where the file names both sides
    int BookingText = -1;  // the bank's kind of booking, or a text taken where the purpose is empty
    int Account = -1;      // the other side's IBAN

    bool operator==(const CsvColumnChoice &) const = default;
};

// What the whole of one column of an unknown table holds, for guessing its role.
struct CsvColumnStats
{
    int Filled = 0;       // rows with anything in it
    int Dates = 0;        // rows with a date (with slashes in either order)
    int SlashDates = 0;   // of those, written with slashes ("3/14/19")
    int FirstOver12 = 0;  // slash dates whose first number is over 12: the day comes first
    int SecondOver12 = 0; // ... whose second number is: the month comes first
    int Amounts = 0;      // rows with an amount that is no date
    int Negative = 0;     // of those, with a minus
    int Zero = 0;         // of those, 0,00
    int Ibans = 0;
    int Directions = 0;    // "debit", "credit", "S", "H", "Soll", "Haben": the sign of an amount elsewhere
    qint64 TextLength = 0; // the characters of everything else
    QString First;         // the first text in it
    bool AllSame = true;   // every row holds First (the statement's own account, say)

    void Add(QStringView field);
};

// A CSV file whose layout no profile knows: what the window needs to ask for the columns.
struct UnknownCsvLayout
{
    QString HeaderKey;         // identifies the layout: files with the same header share it
    QStringList Header;        // the header's fields, decoded
    QList<QStringList> Sample; // the first data rows (at most 5), decoded
    bool Headerless = false;   // no header: Header holds "Spalte 1", "Spalte 2", ...
    int Named = 0;             // the columns the header names; any after them are "Spalte N"
    int Rows = 0;              // the data rows Columns were taken from
    QList<CsvColumnStats> Columns; // one per column of the header, over every data row
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
