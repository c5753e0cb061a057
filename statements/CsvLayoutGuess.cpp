#include "statements/CsvLayoutGuess.h"

#include "statements/CsvBankProfiles.h"
#include "statements/StatementText.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <variant>

using namespace Qt::StringLiterals;

namespace {

// The names of a role, best first; each line a rank, the names on it equally good. Written
// as NameKey gives them.
using RankedNames = QList<QStringList>;

const RankedNames &DateNames()
{
    static const RankedNames names = {
        {u"buchungstag"_s, u"buchungsdatum"_s, u"buchung"_s, u"booking date"_s, u"completed date"_s},
        {u"datum"_s, u"tag"_s, u"date"_s},
        // the day of the purchase, as card statements have it
        {u"belegdatum"_s, u"umsatztag"_s, u"transaktionsdatum"_s, u"started date"_s},
        {u"wertstellung"_s, u"wertstellung (valuta)"_s, u"valuta"_s, u"valutadatum"_s, u"wert"_s, u"value date"_s},
    };
    return names;
}

// "Originalbetrag" is left out on purpose: it is in the currency of the purchase.
const RankedNames &AmountNames()
{
    static const RankedNames names = {{u"betrag"_s, u"buchungsbetrag"_s, u"umsatz"_s, u"amount"_s}};
    return names;
}

const RankedNames &DebitNames()
{
    static const RankedNames names = {{u"soll"_s}, {u"belastung"_s, u"ausgang"_s, u"lastschrift"_s, u"debit"_s}};
    return names;
}

const RankedNames &CreditNames()
{
    static const RankedNames names = {{u"haben"_s}, {u"gutschrift"_s, u"eingang"_s, u"credit"_s}};
    return names;
}

const RankedNames &PurposeNames()
{
    static const RankedNames names = {
        {u"verwendungszweck"_s, u"vorgang/verwendungszweck"_s, u"payment reference"_s, u"payment purpose"_s,
         u"umsatztext"_s, u"avisierungstext"_s},
        {u"transaktionsbeschreibung"_s, u"buchungstext"_s, u"buchungsdetails"_s, u"umsatzbeschreibung"_s,
         u"beschreibung"_s, u"text"_s, u"reference"_s, u"description"_s, u"reason"_s, u"posting text"_s,
         u"booking text"_s},
    };
    return names;
}

// Where a file has a column for each side, the payee's is the other side of every expense.
// "Umsatz getätigt von" on card statements names the card holder, not the other side.
const RankedNames &CounterpartyNames()
{
    static const RankedNames names = {
        {u"empfaenger"_s, u"zahlungsempfaenger"_s, u"zahlungsempfaenger*in"_s, u"beguenstigter"_s,
         u"beguenstigter/zahlungspflichtiger"_s, u"beguenstigter/auftraggeber"_s, u"auftraggeber/empfaenger"_s,
         u"auftraggeber/beguenstigter"_s, u"empfaenger/zahlungspflichtiger"_s, u"name"_s,
         u"name zahlungsbeteiligter"_s, u"gegenseite"_s, u"partner name"_s, u"payee"_s},
        {u"auftraggeber"_s, u"zahlungspflichtiger"_s, u"zahlungspflichtige*r"_s},
    };
    return names;
}

// One side each: where a file has both, the other party is taken row by row.
const RankedNames &PayeeNames()
{
    static const RankedNames names = {
        {u"empfaenger"_s, u"zahlungsempfaenger"_s, u"zahlungsempfaenger*in"_s, u"beguenstigter"_s, u"payee"_s,
         u"empfaengername"_s}};
    return names;
}

const RankedNames &PayerNames()
{
    static const RankedNames names = {
        {u"auftraggeber"_s, u"zahlungspflichtiger"_s, u"zahlungspflichtige*r"_s, u"zahler"_s, u"payer"_s,
         u"auftraggebername"_s}};
    return names;
}

const RankedNames &AccountNames()
{
    static const RankedNames names = {
        {u"iban"_s, u"iban/kontonummer"_s, u"kontonummer/iban"_s, u"iban zahlungsbeteiligter"_s, u"gegen-iban"_s,
         u"gegenkonto"_s, u"iban auftraggeber/empfaenger"_s, u"empfaenger-iban"_s, u"counterparty iban"_s}};
    return names;
}

// Quotes and blanks around a name, as some exports leave them in the header.
QString Unquoted(const QString &field)
{
    static const QRegularExpression around(u"^[\\s\"'„“”‚‘’]+|[\\s\"'„“”‚‘’]+$"_s);
    return StatementText::Simplified(QString(field).remove(around));
}

// A header name as it is compared: "Betrag (EUR)", " Betrag " and "BETRAG" are "betrag",
// "Auftraggeber / Begünstigter" is "auftraggeber/beguenstigter".
QString NameKey(const QString &field)
{
    static const QRegularExpression currency(u"(\\s*[(\\[]\\s*(eur|€|chf)\\s*[)\\]]|\\s+(in\\s+)?(eur|€|chf))$"_s);
    static const QRegularExpression slash(u"\\s*/\\s*"_s);
    return NormalizedCsvHeader(Unquoted(field)).remove(currency).replace(slash, u"/"_s);
}

// The columns whose names are on the best rank that any column has.
QList<int> BestColumns(const QStringList &keys, const RankedNames &ranks)
{
    for (const QStringList &names : ranks) {
        QList<int> columns;
        for (int i = 0; i < keys.size(); ++i) {
            if (names.contains(keys[i]))
                columns.append(i);
        }
        if (!columns.isEmpty())
            return columns;
    }
    return {};
}

QString Field(const QStringList &row, int column)
{
    return column >= 0 && column < row.size() ? row[column].trimmed() : QString();
}

// Two letters, two digits, then 11 to 30 letters or digits, blanks between groups allowed.
bool IsIban(QStringView text)
{
    int count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch == u' ')
            continue;
        const bool letter = ch >= u'A' && ch <= u'Z';
        const bool digit = ch >= u'0' && ch <= u'9';
        if ((count < 2 && !letter) || (count >= 2 && count < 4 && !digit) || (!letter && !digit))
            return false;
        ++count;
    }
    return count >= 15 && count <= 34;
}

// An amount written with its decimals ("12,50", "-3.00 EUR"): whole numbers in a column
// are more often references or counts than money.
bool HasDecimals(QStringView text)
{
    text = text.trimmed();
    while (!text.isEmpty() && !text.back().isDigit())
        text.chop(1);
    const qsizetype mark = std::max(text.lastIndexOf(u','), text.lastIndexOf(u'.'));
    return mark >= 0 && text.size() - mark - 1 >= 1 && text.size() - mark - 1 <= 2;
}

// The amount a text is with a decimal comma or else a decimal point; nullopt when neither.
std::optional<qint64> AmountEither(QStringView text)
{
    for (const QChar separator : {u',', u'.'}) {
        const std::optional<StatementText::Amount> amount = StatementText::ParseAmount(text, separator);
        if (amount && !amount->TooLarge)
            return amount->Cents;
    }
    return std::nullopt;
}

bool IsAmount(const QString &text)
{
    return AmountEither(text).has_value();
}

// "Verwendungszweck 2", "VWZ14", "Verwendungszweck-3": the number of a purpose's part, else 0.
int PurposePart(const QString &key)
{
    static const QRegularExpression part(u"^(verwendungszweck|vwz)[\\s_-]*([0-9]{1,2})$"_s);
    const QRegularExpressionMatch match = part.match(key);
    return match.hasMatch() ? match.captured(2).toInt() : 0;
}

class Guesser
{
public:
    Guesser(const QStringList &header, const QList<QStringList> &sample, const UnknownCsvLayout *layout = nullptr)
        : Header_(header), Sample_(sample), Layout_(layout)
    {
        for (const QString &field : header)
            Keys_.append(NameKey(field));
    }

    CsvLayoutGuess Guess();

private:
    CsvLayoutGuess GuessFromContent() const;
    void GuessTexts(CsvColumnChoice &choice) const;
    QString DateOrderDoubt(int column);
    QString SignElsewhereDoubt(int amount) const;
    const CsvColumnStats *Stats(int column) const
    {
        return Layout_ && column >= 0 && column < Layout_->Columns.size() ? &Layout_->Columns[column] : nullptr;
    }

    QString Name(int column) const { return u"„%1“"_s.arg(Unquoted(Header_.value(column))); }
    QString Names(const QList<int> &columns) const;
    QString DateDoubt(const QList<int> &dates) const;
    QString AmountDoubt(CsvColumnChoice &choice) const;
    QString SampleDoubt(const CsvColumnChoice &choice, bool strict) const;
    QString RowDoubt(const CsvColumnChoice &choice, const QStringList &row, qsizetype index) const;
    QString AmountFieldDoubt(const QStringList &row, int column, qsizetype index) const;
    bool MarkedAfter(int column) const;

    const QStringList &Header_;
    const QList<QStringList> &Sample_;
    const UnknownCsvLayout *Layout_;
    QStringList Keys_;
    StatementText::DateOrder Order_ = StatementText::DateOrder::DayFirst;
};

QString Guesser::Names(const QList<int> &columns) const
{
    QStringList names;
    for (const int column : columns)
        names.append(Name(column));
    const QString last = names.takeLast();
    return names.join(u", "_s) + u" und "_s + last;
}

QString Guesser::DateDoubt(const QList<int> &dates) const
{
    if (dates.isEmpty())
        return u"Keine Spalte heißt wie ein Buchungsdatum (etwa „Buchungstag“ oder „Datum“)."_s;
    if (dates.size() > 1)
        return u"Als Buchungsdatum kommen die Spalten %1 in Frage."_s.arg(Names(dates));
    return {};
}

// Fills in the amount columns of the choice: one amount column, else one "Soll" and one
// "Haben" column, whichever the sample rows bear out first.
QString Guesser::AmountDoubt(CsvColumnChoice &choice) const
{
    const QList<int> amounts = BestColumns(Keys_, AmountNames());
    const QList<int> debits = BestColumns(Keys_, DebitNames());
    const QList<int> credits = BestColumns(Keys_, CreditNames());
    if (amounts.size() > 1) {
        choice.Amount = amounts.front();
        return u"Als Betrag kommen die Spalten %1 in Frage."_s.arg(Names(amounts));
    }
    QList<CsvColumnChoice> candidates;
    if (amounts.size() == 1) {
        CsvColumnChoice signedAmount = choice;
        signedAmount.Amount = amounts.front();
        candidates.append(signedAmount);
    }
    if (debits.size() == 1 && credits.size() == 1) {
        CsvColumnChoice debitCredit = choice;
        debitCredit.Debit = debits.front();
        debitCredit.Credit = credits.front();
        candidates.append(debitCredit);
    }
    if (candidates.isEmpty()) {
        choice.Debit = debits.value(0, -1);
        choice.Credit = credits.value(0, -1);
        if (debits.size() > 1 || credits.size() > 1)
            return u"Als Soll und Haben kommen die Spalten %1 in Frage."_s.arg(Names(debits + credits));
        if (!debits.isEmpty() || !credits.isEmpty())
            return u"Zu %1 fehlt die Spalte für %2."_s.arg(Name(debits.value(0, credits.value(0))),
                                                         debits.isEmpty() ? u"Soll"_s : u"Haben"_s);
        return u"Keine Spalte heißt wie ein Betrag (etwa „Betrag“ oder „Umsatz“) oder wie Soll und Haben."_s;
    }
    // One that every sample row bears out comes first; then one that all but a stray line do.
    QString firstDoubt;
    for (const bool strict : {true, false}) {
        for (const CsvColumnChoice &candidate : std::as_const(candidates)) {
            const QString doubt = SampleDoubt(candidate, strict);
            if (doubt.isEmpty()) {
                choice = candidate;
                return {};
            }
            if (firstDoubt.isEmpty())
                firstDoubt = doubt;
        }
    }
    choice = candidates.front();
    return firstDoubt;
}

// Whether the sample bears the choice out, read as the reader reads a table the user
// described: rows without a date there (sums, notes, bookings still open) are passed over.
QString Guesser::SampleDoubt(const CsvColumnChoice &choice, bool strict) const
{
    if (choice.Date < 0)
        return {};
    // A single line that cannot be read among rows that bear the choice out is that line's
    // fault, not the choice's: the reader names it.
    int rows = 0;
    int failing = 0;
    QString firstDoubt;
    for (qsizetype r = 0; r < Sample_.size(); ++r) {
        const QStringList &row = Sample_[r];
        if (!StatementText::ParseDate(Field(row, choice.Date), Order_).LooksLike)
            continue;
        if (QString doubt = RowDoubt(choice, row, r); !doubt.isEmpty()) {
            ++failing;
            if (firstDoubt.isEmpty())
                firstDoubt = doubt;
            continue;
        }
        ++rows;
    }
    if (failing > 0 && (strict || rows < 2 || failing * 2 > rows))
        return firstDoubt;
    if (rows == 0)
        return u"In den ersten Zeilen steht in der Spalte %1 kein Datum."_s.arg(Name(choice.Date));
    if (choice.Amount >= 0 && MarkedAfter(choice.Amount))
        return u"Die Beträge in der Spalte %1 haben kein Vorzeichen; Soll oder Haben steht als S oder H in der "
               u"Spalte danach."_s.arg(Name(choice.Amount));
    return {};
}

QString Guesser::RowDoubt(const CsvColumnChoice &choice, const QStringList &row, qsizetype index) const
{
    const QString date = Field(row, choice.Date);
    if (!StatementText::ParseDate(date, Order_).Date.isValid())
        return u"In der %1. Zeile steht in der Spalte %2 „%3“, ein Datum, das es nicht gibt."_s.arg(index + 1).arg(
            Name(choice.Date), date);
    if (choice.Amount >= 0)
        return AmountFieldDoubt(row, choice.Amount, index);
    if (Field(row, choice.Debit).isEmpty() && Field(row, choice.Credit).isEmpty())
        return u"In der %1. Zeile stehen weder in %2 noch in %3 Beträge."_s.arg(index + 1).arg(Name(choice.Debit),
                                                                                          Name(choice.Credit));
    for (const int column : {choice.Debit, choice.Credit}) {
        if (Field(row, column).isEmpty())
            continue;
        if (QString doubt = AmountFieldDoubt(row, column, index); !doubt.isEmpty())
            return doubt;
    }
    return {};
}

QString Guesser::AmountFieldDoubt(const QStringList &row, int column, qsizetype index) const
{
    const QString text = Field(row, column);
    if (text.isEmpty())
        return u"In der %1. Zeile fehlt in der Spalte %2 der Betrag."_s.arg(index + 1).arg(Name(column));
    if (!IsAmount(text))
        return u"In der %1. Zeile steht in der Spalte %2 „%3“, kein Betrag."_s.arg(index + 1).arg(Name(column), text);
    return {};
}

// Amounts without a sign and "S" or "H" in the column after them: a layout the column
// choice cannot describe.
bool Guesser::MarkedAfter(int column) const
{
    bool marked = false;
    for (const QStringList &row : Sample_) {
        if (!IsAmount(Field(row, column)))
            continue;
        const QString mark = Field(row, column + 1).toUpper();
        if (mark != u"S" && mark != u"H")
            return false;
        marked = true;
    }
    return marked;
}

// The order of dates with slashes in the date column, from the whole column where the
// layout has its statistics, else from the sample.
QString Guesser::DateOrderDoubt(int column)
{
    CsvColumnStats sample;
    const CsvColumnStats *stats = Stats(column);
    if (!stats) {
        for (const QStringList &row : Sample_)
            sample.Add(Field(row, column));
        stats = &sample;
    }
    switch (StatementText::JudgeSlashOrder(stats->SlashDates, stats->FirstOver12, stats->SecondOver12)) {
    case StatementText::SlashOrder::NoSlashes:
    case StatementText::SlashOrder::DayFirst: return {};
    case StatementText::SlashOrder::MonthFirst: Order_ = StatementText::DateOrder::MonthFirst; return {};
    case StatementText::SlashOrder::Mixed:
        return u"In der Spalte %1 steht bei manchen Daten der Tag vorn, bei anderen der Monat."_s.arg(Name(column));
    case StatementText::SlashOrder::Open: break;
    }
    return u"Die Daten der Spalte %1 sind mit Schrägstrichen geschrieben, und keiner hat einen Tag über 12: ob der "
           u"Tag oder der Monat vorn steht, bleibt offen."_s.arg(Name(column));
}

// Purpose (perhaps over several columns), the bank's text beside it, both sides or the
// other side, and the IBAN, by their names.
void Guesser::GuessTexts(CsvColumnChoice &choice) const
{
    int first = -1;
    int last = -1;
    for (int i = 0; i < Keys_.size(); ++i) {
        const int part = PurposePart(Keys_[i]);
        if (part == 0)
            continue;
        if (first < 0) {
            first = last = i;
            // "Verwendungszweck" before "Verwendungszweck 2" is the first part
            if (i > 0 && BestColumns({Keys_[i - 1]}, {PurposeNames().front()}).size() == 1)
                first = i - 1;
        } else if (i == last + 1) {
            last = i;
        }
    }
    const QList<int> purposes = BestColumns(Keys_, PurposeNames());
    const bool firstRank = !purposes.isEmpty() && PurposeNames().front().contains(Keys_[purposes.front()]);
    if (last > first) {
        choice.Purpose = first;
        choice.PurposeTo = last;
    } else if (first >= 0 && !firstRank) {
        choice.Purpose = first;
    } else {
        choice.Purpose = purposes.value(0, -1);
    }
    // "Buchungstext", "Text" beside a purpose proper: the bank's kind of booking, and the
    // text where the purpose is empty.
    if (choice.Purpose >= 0 && (firstRank || first >= 0)) {
        for (int i = 0; i < Keys_.size(); ++i) {
            if ((i < choice.Purpose || i > std::max(choice.Purpose, choice.PurposeTo))
                && PurposeNames().value(1).contains(Keys_[i])) {
                choice.BookingText = i;
                break;
            }
        }
    }
    const QList<int> payers = BestColumns(Keys_, PayerNames());
    const QList<int> payees = BestColumns(Keys_, PayeeNames());
    if (payers.size() == 1 && payees.size() == 1) {
        choice.Counterparty = payers.front();
        choice.Payee = payees.front();
    } else {
        choice.Counterparty = BestColumns(Keys_, CounterpartyNames()).value(0, -1);
    }
    choice.Account = BestColumns(Keys_, AccountNames()).value(0, -1);
}

CsvLayoutGuess Guesser::Guess()
{
    if (Layout_ && Layout_->Headerless)
        return GuessFromContent();
    CsvLayoutGuess guess;
    const QList<int> dates = BestColumns(Keys_, DateNames());
    guess.Choice.Date = dates.value(0, -1);
    GuessTexts(guess.Choice);
    QString doubt = DateDoubt(dates);
    if (doubt.isEmpty())
        doubt = DateOrderDoubt(guess.Choice.Date);
    QString amountDoubt = AmountDoubt(guess.Choice);
    if (amountDoubt.isEmpty())
        amountDoubt = SignElsewhereDoubt(guess.Choice.Amount);
    guess.Doubt = doubt.isEmpty() ? amountDoubt : doubt;
    guess.Unambiguous = guess.Doubt.isEmpty();
    // A text longer than its header runs on into columns without a name.
    if (Layout_ && guess.Choice.Purpose >= 0 && guess.Choice.Purpose == Layout_->Named - 1
        && Layout_->Named < Header_.size())
        guess.Choice.PurposeTo = int(Header_.size()) - 1;
    return guess;
}

// Amounts without any minus over the whole file, and a column of "debit" and "credit" (or
// S and H): the sign stands elsewhere, which no column choice describes.
QString Guesser::SignElsewhereDoubt(int amount) const
{
    const CsvColumnStats *stats = Stats(amount);
    if (!stats || stats->Negative > 0 || stats->Amounts < 2)
        return {};
    for (int c = 0; c < Layout_->Columns.size(); ++c) {
        const CsvColumnStats &column = Layout_->Columns[c];
        if (c != amount && column.Filled > 0 && column.Directions == column.Filled)
            return u"Die Beträge der Spalte %1 haben kein Vorzeichen; ob Einnahme oder Ausgabe, steht in der Spalte %2 "
                   u"(„%3“). So lässt sich die Datei nicht lesen."_s.arg(Name(amount), Name(c), column.First);
    }
    return {};
}

// A table without names, by what its columns hold over every row.
CsvLayoutGuess Guesser::GuessFromContent() const
{
    CsvLayoutGuess guess;
    CsvColumnChoice &choice = guess.Choice;
    const QList<CsvColumnStats> &columns = Layout_->Columns;
    const int rows = Layout_->Rows;
    const auto most = [](int part, int whole) { return whole > 0 && part * 10 >= whole * 9; };
    QList<int> dates;
    QList<int> amounts;
    for (int c = 0; c < columns.size(); ++c) {
        const CsvColumnStats &column = columns[c];
        if (most(column.Filled, rows) && most(column.Dates, column.Filled))
            dates.append(c);
        else if (column.Amounts > 0 && most(column.Amounts, column.Filled))
            amounts.append(c);
    }
    const auto doubt = [&guess](const QString &text) {
        guess.Doubt = text + u" Die Datei hat keine Kopfzeile, ihre Spalten wurden nach ihrem Inhalt geprüft."_s;
        return guess;
    };
    if (dates.isEmpty())
        return doubt(u"Keine Spalte hat in jeder Zeile ein Datum."_s);
    choice.Date = dates.front(); // the booking date comes before the value date
    const CsvColumnStats &dateColumn = columns[choice.Date];
    const StatementText::SlashOrder order =
        StatementText::JudgeSlashOrder(dateColumn.SlashDates, dateColumn.FirstOver12, dateColumn.SecondOver12);
    if (order == StatementText::SlashOrder::Mixed || order == StatementText::SlashOrder::Open)
        return doubt(u"In der Spalte %1 bleibt offen, ob der Tag oder der Monat vorn steht."_s.arg(choice.Date + 1));

    QList<int> signedColumns;
    for (const int c : std::as_const(amounts)) {
        if (most(columns[c].Filled, rows) && columns[c].Negative > 0)
            signedColumns.append(c);
    }
    if (signedColumns.size() == 1) {
        choice.Amount = signedColumns.front();
    } else if (signedColumns.size() > 1) {
        return doubt(u"Beträge mit Vorzeichen stehen in mehreren Spalten (%1 und %2)."_s.arg(signedColumns[0] + 1).arg(
            signedColumns[1] + 1));
    } else {
        // Soll and Haben: two columns that hold one amount in every row between them.
        QList<int> halves;
        for (const int c : std::as_const(amounts)) {
            if (!most(columns[c].Filled - columns[c].Zero, rows))
                halves.append(c);
        }
        if (halves.size() != 2
            || columns[halves[0]].Amounts - columns[halves[0]].Zero + columns[halves[1]].Amounts
                       - columns[halves[1]].Zero
                   != rows)
            return doubt(u"Keine Spalte hält Beträge mit Vorzeichen, und keine zwei Spalten halten je Zeile einen "
                         u"Betrag (Soll und Haben)."_s);
        choice.Debit = halves[0];
        choice.Credit = halves[1];
    }
    double longest = 0;
    for (int c = 0; c < columns.size(); ++c) {
        const CsvColumnStats &column = columns[c];
        if (c == choice.Date || dates.contains(c) || amounts.contains(c))
            continue;
        if (column.Ibans > 0 && column.Ibans * 2 >= column.Filled) {
            // the same IBAN in every row is the statement's own account
            if (choice.Account < 0 && !(column.AllSame && column.Filled > 1))
                choice.Account = c;
            continue;
        }
        const double average = column.Filled > 0 ? double(column.TextLength) / column.Filled : 0;
        if (average > longest) {
            longest = average;
            choice.Purpose = c;
        }
    }
    guess.Unambiguous = true;
    return guess;
}

} // namespace

void CsvColumnStats::Add(QStringView field)
{
    field = field.trimmed();
    if (field.isEmpty())
        return;
    if (++Filled == 1)
        First = field.toString();
    else if (AllSame && field != First)
        AllSame = false;
    static constexpr QStringView directions[] = {u"debit", u"credit", u"s",    u"h",         u"soll",
                                                 u"haben", u"dbit",   u"crdt", u"belastung", u"gutschrift"};
    if (field.size() <= 10 && std::any_of(std::begin(directions), std::end(directions), [field](QStringView word) {
            return field.compare(word, Qt::CaseInsensitive) == 0;
        })) {
        ++Directions;
        return;
    }
    if (const auto [a, b] = StatementText::SlashDateNumbers(field); a > 0) {
        ++Dates;
        ++SlashDates;
        FirstOver12 += a > 12;
        SecondOver12 += b > 12;
        return;
    }
    if (StatementText::ParseDate(field).LooksLike) {
        ++Dates;
        return;
    }
    if (const std::optional<qint64> cents = HasDecimals(field) ? AmountEither(field) : std::nullopt) {
        ++Amounts;
        Negative += *cents < 0;
        Zero += *cents == 0;
        return;
    }
    if (IsIban(field)) {
        ++Ibans;
        return;
    }
    TextLength += field.size();
}

namespace {

// ---- the command line's column choice

struct SpecKey
{
    const char16_t *Name;
    int CsvColumnChoice::*Column;
};

// In the order CsvColumnChoiceText writes them.
constexpr SpecKey SpecKeys[] = {
    {u"datum", &CsvColumnChoice::Date},         {u"betrag", &CsvColumnChoice::Amount},
    {u"soll", &CsvColumnChoice::Debit},         {u"haben", &CsvColumnChoice::Credit},
    {u"text", &CsvColumnChoice::Purpose},       {u"gegenseite", &CsvColumnChoice::Counterparty},
    {u"empfaenger", &CsvColumnChoice::Payee},   {u"buchungstext", &CsvColumnChoice::BookingText},
    {u"iban", &CsvColumnChoice::Account},
};

// More columns than any bank's export has; keeps the number well inside an int.
constexpr int MaxSpecColumn = 9'999;

const SpecKey *FindSpecKey(QStringView name)
{
    for (const SpecKey &key : SpecKeys) {
        if (name.compare(QStringView(key.Name), Qt::CaseInsensitive) == 0)
            return &key;
    }
    return nullptr;
}

// The column of "key=N", 0-based; an error text instead when N is no column number.
std::variant<int, QString> SpecColumn(QStringView key, QStringView value)
{
    const bool digits = !value.isEmpty()
                        && std::all_of(value.begin(), value.end(), [](QChar ch) { return ch >= u'0' && ch <= u'9'; });
    if (!digits)
        return u"„%1“ ist keine Spaltennummer (bei %2)."_s.arg(value, key);
    bool fits = false;
    const int column = value.toInt(&fits);
    if (fits && column == 0)
        return u"Die Spalten werden ab 1 gezählt; %1=0 gibt es nicht."_s.arg(key);
    if (!fits || column > MaxSpecColumn)
        return u"So viele Spalten hat keine Datei (%1=%2)."_s.arg(key, value);
    return column - 1;
}

QString ChoiceDoubt(const CsvColumnChoice &choice)
{
    if (choice.Date < 0)
        return u"Es fehlt die Spalte mit dem Buchungsdatum (datum=N)."_s;
    const bool debitCredit = choice.Debit >= 0 || choice.Credit >= 0;
    if (choice.Amount >= 0 && debitCredit)
        return u"Entweder betrag=N oder soll=N und haben=N, nicht beides."_s;
    if (choice.Amount < 0 && !debitCredit)
        return u"Es fehlt die Spalte mit dem Betrag (betrag=N, oder soll=N und haben=N)."_s;
    if (choice.Payee >= 0 && choice.Counterparty < 0)
        return u"Zu empfaenger=N gehört gegenseite=N, die Spalte des Auftraggebers."_s;
    return {};
}

} // namespace

CsvLayoutGuess GuessCsvLayout(const QStringList &header, const QList<QStringList> &sample)
{
    return Guesser(header, sample).Guess();
}

CsvLayoutGuess GuessCsvLayout(const UnknownCsvLayout &layout)
{
    return Guesser(layout.Header, layout.Sample, &layout).Guess();
}

bool NamesTableColumns(const QStringList &fields)
{
    bool date = false;
    bool amount = false;
    for (const QString &field : fields) {
        // every name of a date or an amount starts with a letter
        const qsizetype first = std::find_if(field.cbegin(), field.cend(),
                                             [](QChar ch) { return !ch.isSpace() && !QStringView(u"\"'„“”‚‘’").contains(ch); })
                                - field.cbegin();
        if (field.size() > 60 || first >= field.size() || !field.at(first).isLetter())
            continue;
        const QString key = NameKey(field);
        const auto named = [&key](const RankedNames &ranks) {
            return std::any_of(ranks.cbegin(), ranks.cend(), [&key](const QStringList &names) { return names.contains(key); });
        };
        date = date || named(DateNames());
        amount = amount || named(AmountNames()) || named(DebitNames()) || named(CreditNames());
    }
    return date && amount;
}

std::optional<CsvColumnChoice> ParseCsvColumnChoice(const QString &text, QString *error)
{
    const auto fail = [error](const QString &text) -> std::optional<CsvColumnChoice> {
        if (error)
            *error = text;
        return std::nullopt;
    };
    if (text.trimmed().isEmpty())
        return fail(u"Die Spaltenzuordnung ist leer; sie lautet etwa datum=1,betrag=4,text=3."_s);
    CsvColumnChoice choice;
    QHash<int, QStringView> used; // column -> key
    for (const QStringView item : QStringView(text).split(u',')) {
        if (item.trimmed().isEmpty())
            return fail(u"In der Spaltenzuordnung fehlt eine Angabe zwischen zwei Kommas oder nach dem letzten."_s);
        const qsizetype equals = item.indexOf(u'=');
        if (equals < 0)
            return fail(u"„%1“ hat nicht die Form Name=Spalte (etwa datum=1)."_s.arg(item.trimmed()));
        const QStringView name = item.first(equals).trimmed();
        const SpecKey *key = FindSpecKey(name);
        if (!key)
            return fail(u"„%1“ gibt es in der Spaltenzuordnung nicht; möglich sind datum, betrag, soll, haben, text, "
                        u"gegenseite, empfaenger, buchungstext und iban."_s.arg(name));
        const QStringView keyName(key->Name);
        if (choice.*key->Column >= 0)
            return fail(u"%1 ist zweimal angegeben."_s.arg(keyName));
        QStringView value = item.sliced(equals + 1).trimmed();
        // the purpose over several columns: "text=9-22"
        QStringView to;
        if (const qsizetype dash = value.indexOf(u'-'); key->Column == &CsvColumnChoice::Purpose && dash > 0) {
            to = value.sliced(dash + 1).trimmed();
            value = value.first(dash).trimmed();
        }
        const std::variant<int, QString> column = SpecColumn(keyName, value);
        if (const QString *text = std::get_if<QString>(&column))
            return fail(*text);
        const int index = std::get<int>(column);
        int last = index;
        if (!to.isEmpty()) {
            const std::variant<int, QString> end = SpecColumn(keyName, to);
            if (const QString *text = std::get_if<QString>(&end))
                return fail(*text);
            last = std::get<int>(end);
            if (last <= index)
                return fail(u"Bei text=%1-%2 muss die zweite Spalte hinter der ersten stehen."_s.arg(index + 1).arg(last + 1));
            choice.PurposeTo = last;
        }
        for (int c = index; c <= last; ++c) {
            if (used.contains(c))
                return fail(u"Spalte %1 ist zweimal zugeordnet (%2 und %3)."_s.arg(c + 1).arg(used.value(c), keyName));
            used.insert(c, keyName);
        }
        choice.*key->Column = index;
    }
    if (const QString doubt = ChoiceDoubt(choice); !doubt.isEmpty())
        return fail(doubt);
    return choice;
}

QString CsvColumnChoiceText(const CsvColumnChoice &choice)
{
    QStringList items;
    for (const SpecKey &key : SpecKeys) {
        if (choice.*key.Column < 0)
            continue;
        QString item = u"%1=%2"_s.arg(QStringView(key.Name)).arg(choice.*key.Column + 1);
        if (key.Column == &CsvColumnChoice::Purpose && choice.PurposeTo > choice.Purpose)
            item += u"-%1"_s.arg(choice.PurposeTo + 1);
        items.append(item);
    }
    return items.join(u',');
}
