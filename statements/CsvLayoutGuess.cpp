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
        {u"buchungstag"_s, u"buchungsdatum"_s, u"buchung"_s, u"booking date"_s},
        {u"datum"_s, u"tag"_s, u"date"_s},
        // the day of the purchase, as card statements have it
        {u"belegdatum"_s, u"umsatztag"_s, u"transaktionsdatum"_s},
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
    static const RankedNames names = {{u"soll"_s}, {u"belastung"_s, u"ausgang"_s}};
    return names;
}

const RankedNames &CreditNames()
{
    static const RankedNames names = {{u"haben"_s}, {u"gutschrift"_s, u"eingang"_s}};
    return names;
}

const RankedNames &PurposeNames()
{
    static const RankedNames names = {
        {u"verwendungszweck"_s, u"vorgang/verwendungszweck"_s, u"payment reference"_s},
        {u"transaktionsbeschreibung"_s, u"buchungstext"_s, u"buchungsdetails"_s, u"umsatzbeschreibung"_s,
         u"beschreibung"_s, u"text"_s, u"reference"_s},
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
    static const QRegularExpression currency(u"(\\s*[(\\[]\\s*(eur|€)\\s*[)\\]]|\\s+(in\\s+)?(eur|€))$"_s);
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

bool IsAmount(const QString &text)
{
    for (const QChar separator : {u',', u'.'}) {
        const std::optional<StatementText::Amount> amount = StatementText::ParseAmount(text, separator);
        if (amount && !amount->TooLarge)
            return true;
    }
    return false;
}

class Guesser
{
public:
    Guesser(const QStringList &header, const QList<QStringList> &sample) : Header_(header), Sample_(sample)
    {
        for (const QString &field : header)
            Keys_.append(NameKey(field));
    }

    CsvLayoutGuess Guess();

private:
    QString Name(int column) const { return u"„%1“"_s.arg(Unquoted(Header_.value(column))); }
    QString Names(const QList<int> &columns) const;
    QString DateDoubt(const QList<int> &dates) const;
    QString AmountDoubt(CsvColumnChoice &choice) const;
    QString SampleDoubt(const CsvColumnChoice &choice) const;
    QString RowDoubt(const CsvColumnChoice &choice, const QStringList &row, qsizetype index) const;
    QString AmountFieldDoubt(const QStringList &row, int column, qsizetype index) const;
    bool MarkedAfter(int column) const;

    const QStringList &Header_;
    const QList<QStringList> &Sample_;
    QStringList Keys_;
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
    QString firstDoubt;
    for (const CsvColumnChoice &candidate : std::as_const(candidates)) {
        const QString doubt = SampleDoubt(candidate);
        if (doubt.isEmpty()) {
            choice = candidate;
            return {};
        }
        if (firstDoubt.isEmpty())
            firstDoubt = doubt;
    }
    choice = candidates.front();
    return firstDoubt;
}

// Whether the sample bears the choice out, read as the reader reads a table the user
// described: rows without a date there (sums, notes, bookings still open) are passed over.
QString Guesser::SampleDoubt(const CsvColumnChoice &choice) const
{
    if (choice.Date < 0)
        return {};
    int rows = 0;
    for (qsizetype r = 0; r < Sample_.size(); ++r) {
        const QStringList &row = Sample_[r];
        if (!StatementText::ParseDate(Field(row, choice.Date)).LooksLike)
            continue;
        if (QString doubt = RowDoubt(choice, row, r); !doubt.isEmpty())
            return doubt;
        ++rows;
    }
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
    if (!StatementText::ParseDate(date).Date.isValid())
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

CsvLayoutGuess Guesser::Guess()
{
    CsvLayoutGuess guess;
    const QList<int> dates = BestColumns(Keys_, DateNames());
    guess.Choice.Date = dates.value(0, -1);
    guess.Choice.Purpose = BestColumns(Keys_, PurposeNames()).value(0, -1);
    guess.Choice.Counterparty = BestColumns(Keys_, CounterpartyNames()).value(0, -1);
    const QString dateDoubt = DateDoubt(dates);
    const QString amountDoubt = AmountDoubt(guess.Choice);
    guess.Doubt = dateDoubt.isEmpty() ? amountDoubt : dateDoubt;
    guess.Unambiguous = guess.Doubt.isEmpty();
    return guess;
}

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
    return {};
}

} // namespace

CsvLayoutGuess GuessCsvLayout(const QStringList &header, const QList<QStringList> &sample)
{
    return Guesser(header, sample).Guess();
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
            return fail(u"„%1“ gibt es in der Spaltenzuordnung nicht; möglich sind datum, betrag, soll, haben, text "
                        u"und gegenseite."_s.arg(name));
        const QStringView keyName(key->Name);
        if (choice.*key->Column >= 0)
            return fail(u"%1 ist zweimal angegeben."_s.arg(keyName));
        const std::variant<int, QString> column = SpecColumn(keyName, item.sliced(equals + 1).trimmed());
        if (const QString *text = std::get_if<QString>(&column))
            return fail(*text);
        const int index = std::get<int>(column);
        if (used.contains(index))
            return fail(u"Spalte %1 ist zweimal zugeordnet (%2 und %3)."_s.arg(index + 1).arg(used.value(index), keyName));
        used.insert(index, keyName);
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
        if (choice.*key.Column >= 0)
            items.append(u"%1=%2"_s.arg(QStringView(key.Name)).arg(choice.*key.Column + 1));
    }
    return items.join(u',');
}
