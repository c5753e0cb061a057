#include "statements/CsvReader.h"

#include "statements/CsvBankProfiles.h"
#include "statements/CsvLayoutGuess.h"
#include "statements/CsvTable.h"
#include "statements/SepaText.h"
#include "statements/StatementText.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>

using StatementText::Fail;
using namespace Qt::StringLiterals;

namespace {

// How far down a header may stand below the account data some banks put above it.
constexpr int HeaderSearchRecords = 100;
constexpr int SampleRows = 5;

struct Columns
{
    int BookingDate = -1;
    int ValueDate = -1;
    int Amount = -1;
    int Debit = -1;
    int Credit = -1;
    int Mark = -1;
    int Currency = -1;
    int Counterparty = -1;
    int Payer = -1;
    int Payee = -1;
    int CounterpartyAccount = -1;
    int Purpose = -1;
    int PurposeTo = -1; // the purpose goes on up to this column; -1: Purpose alone
    int LastColumn = -1; // the last column of a table the user described
    int BookingText = -1;
    bool TextWherePurposeEmpty = false; // the user's layout: the booking text stands in for an empty purpose
    int EndToEndId = -1;
    int MandateReference = -1;
    int CreditorId = -1;
    int Reference = -1;
    int Status = -1;
    int Account = -1;

    // the fields a turnover row cannot do without
    int Needed() const { return std::max({BookingDate, Amount, Debit, Credit, Mark}) + 1; }
};

int FindColumn(const QStringList &header, const QString &names, int after = -1)
{
    if (names.isEmpty())
        return -1;
    // "a|b": either name, the first preferred
    qsizetype from = 0;
    while (from <= names.size()) {
        qsizetype bar = names.indexOf(u'|', from);
        if (bar < 0)
            bar = names.size();
        const QStringView name = QStringView(names).sliced(from, bar - from);
        for (int i = after + 1; i < header.size(); ++i) {
            if (header[i] == name)
                return i;
        }
        from = bar + 1;
    }
    return -1;
}

bool Matches(const CsvBankProfile &profile, const QStringList &header)
{
    return std::all_of(profile.Identifying.cbegin(), profile.Identifying.cend(),
                       [&header](const QString &names) { return FindColumn(header, names) >= 0; });
}

Columns ProfileColumns(const CsvBankProfile &p, const QStringList &header)
{
    Columns c;
    c.BookingDate = FindColumn(header, p.BookingDate);
    c.ValueDate = FindColumn(header, p.ValueDate);
    c.Amount = FindColumn(header, p.Amount);
    c.Debit = FindColumn(header, p.Debit);
    c.Credit = FindColumn(header, p.Credit);
    if (p.AmountStyle == CsvAmountStyle::MarkAfterAmount && c.Amount >= 0)
        c.Mark = c.Amount + 1;
    // ING writes "Währung" twice: for the balance and for the amount after it.
    c.Currency = FindColumn(header, p.Currency, c.Amount);
    if (c.Currency < 0)
        c.Currency = FindColumn(header, p.Currency);
    c.Counterparty = FindColumn(header, p.Counterparty);
    c.Payer = FindColumn(header, p.Payer);
    c.Payee = FindColumn(header, p.Payee);
    c.CounterpartyAccount = FindColumn(header, p.CounterpartyAccount);
    c.Purpose = FindColumn(header, p.Purpose);
    c.BookingText = FindColumn(header, p.BookingText);
    c.EndToEndId = FindColumn(header, p.EndToEndId);
    c.MandateReference = FindColumn(header, p.MandateReference);
    c.CreditorId = FindColumn(header, p.CreditorId);
    c.Reference = FindColumn(header, p.Reference);
    c.Status = FindColumn(header, p.Status);
    c.Account = FindColumn(header, p.Account);
    return c;
}

QString IbanIn(const QString &field)
{
    static const QRegularExpression iban(QStringLiteral("^[A-Z]{2}[0-9]{2}[A-Z0-9]{11,30}$"));
    QString compact = field;
    compact.remove(u' ');
    if (iban.match(compact).hasMatch())
        return compact;
    static const QRegularExpression separators(QStringLiteral("[\\s/]+"));
    for (const QString &word : field.split(separators, Qt::SkipEmptyParts)) {
        if (iban.match(word).hasMatch())
            return word;
    }
    return {};
}

// "Auftraggeber: NAME Buchungstext: TEXT Ref. REF", or for transfers out
// "Empfänger: NAME Kto/IBAN: ... BLZ/BIC: ... Buchungstext: TEXT Ref. REF".
void SplitComdirectText(const QString &text, StatementRow &row)
{
    static const QRegularExpression labels(
        QStringLiteral("(Auftraggeber:|Empfänger:|Kto/IBAN:|BLZ/BIC:|Buchungstext:|\\sRef\\.\\s)"));
    QHash<QString, QString> parts;
    QString label;
    qsizetype from = 0;
    QRegularExpressionMatchIterator it = labels.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        parts[label] += text.mid(from, match.capturedStart() - from);
        label = match.captured().trimmed();
        from = match.capturedEnd();
    }
    parts[label] += text.mid(from);
    const QString name = parts.value(QStringLiteral("Auftraggeber:")) + parts.value(QStringLiteral("Empfänger:"));
    row.Counterparty = StatementText::Simplified(name);
    row.CounterpartyAccount = parts.value(QStringLiteral("Kto/IBAN:")).trimmed();
    const QString purpose = parts.value(QStringLiteral("Buchungstext:")) + parts.value(QString());
    row.Purpose = SplitSepaText(purpose).Purpose;
    row.Reference = parts.value(QStringLiteral("Ref.")).trimmed();
}

// One row that cannot be read: what is wrong with it.
struct RowProblem
{
    QString Why;
};

[[noreturn]] void Refuse(const QString &why)
{
    throw RowProblem{why};
}

// A line of sums or balances, which some banks put above, beside or below the turnovers.
// The field as NormalizedCsvHeader gives it, given as a name already.
bool IsBalanceName(const QString &name)
{
    static const QStringList words = {u"saldo"_s,        u"kontostand"_s,       u"anfangssaldo"_s, u"endsaldo"_s,
                                      u"schlusssaldo"_s, u"alter kontostand"_s, u"neuer kontostand"_s,
                                      u"summe"_s,        u"summen"_s,           u"gesamtsumme"_s,  u"zwischensumme"_s,
                                      u"anfangsbestand"_s, u"endbestand"_s,     u"kontostand vom"_s};
    for (const QString &word : words) {
        if (name == word || (name.startsWith(word) && !name.at(word.size()).isLetter()))
            return true;
    }
    return false;
}

// A line as the file has it, for naming one that cannot be read; long ones shortened.
QString LineText(const CsvRecord &record, QChar separator)
{
    constexpr qsizetype MaxLineText = 300;
    QString text = StatementText::Simplified(record.Fields.join(separator));
    if (text.size() > MaxLineText)
        text = text.left(MaxLineText - 1) + u'…';
    return text;
}

class CsvRowReader
{
public:
    CsvRowReader(const QString &fileName, const CsvBankProfile &profile, const Columns &columns)
        : FileName(fileName), Profile(profile), Cols(columns)
    {
    }

    // The order of dates written with slashes (only a file of the user's layout has them).
    void SetDateOrder(StatementText::DateOrder order) { Order = order; }
    // The currency of rows that name none.
    void SetCurrency(const QString &currency) { Currency = currency; }

    // Every record from the header on becomes a row or a skipped line; those above it are
    // the account data some banks put there.
    void Read(const CsvTable &table, qsizetype headerIndex, Statement &statement);

private:
    QString Field(const CsvRecord &record, int column) const
    {
        return column >= 0 && column < record.Fields.size() ? record.Fields[column].trimmed() : QString();
    }
    bool IsProfileFooter(const CsvRecord &record) const;
    bool IsFooter(const CsvRecord &record) const;
    bool LooksLikeBooking(const CsvRecord &record) const;
    QDate Date(const CsvRecord &record, int column, bool required) const;
    std::optional<qint64> Amount(const CsvRecord &record, int column) const;
    StatementRow ReadRow(const CsvRecord &record) const;
    void ReadAmount(const CsvRecord &record, StatementRow &row) const;
    void ReadTexts(const CsvRecord &record, StatementRow &row) const;
    QString PurposeText(const CsvRecord &record) const;
    QString HolderName(const CsvTable &table, qsizetype from) const;

    const QString &FileName;
    const CsvBankProfile &Profile;
    const Columns &Cols;
    StatementText::DateOrder Order = StatementText::DateOrder::DayFirst;
    QString Currency = u"EUR"_s;
    QString Holder; // the account holder, where payer and payee have columns of their own
};

bool CsvRowReader::IsProfileFooter(const CsvRecord &record) const
{
    if (Profile.FooterMarkers.isEmpty())
        return false;
    for (const QString &field : record.Fields) {
        if (Profile.FooterMarkers.contains(NormalizedCsvHeader(field)))
            return true;
    }
    return false;
}

bool CsvRowReader::IsFooter(const CsvRecord &record) const
{
    for (const QString &field : record.Fields) {
        // the words stand at the start; a long text is no marker
        if (field.size() > 40 || field.trimmed().isEmpty())
            continue;
        const QString name = NormalizedCsvHeader(field);
        if (Profile.FooterMarkers.contains(name) || IsBalanceName(name))
            return true;
    }
    return false;
}

// A date where the table has its dates, or an amount where it has its amounts: a line
// meant as a turnover, whether or not it can be read.
bool CsvRowReader::LooksLikeBooking(const CsvRecord &record) const
{
    for (const int column : {Cols.BookingDate, Cols.ValueDate}) {
        if (StatementText::ParseDate(Field(record, column), Order).LooksLike)
            return true;
    }
    for (const int column : {Cols.Amount, Cols.Debit, Cols.Credit}) {
        if (StatementText::ParseAmount(Field(record, column), Profile.DecimalSeparator))
            return true;
    }
    return false;
}

QDate CsvRowReader::Date(const CsvRecord &record, int column, bool required) const
{
    const QString text = Field(record, column);
    if (text.isEmpty() && !required)
        return {};
    const StatementText::DateResult date = StatementText::ParseDate(text, Order);
    if (date.Date.isValid())
        return date.Date;
    if (date.LooksLike)
        Refuse(StatementText::ImpossibleDateText(text));
    if (required)
        Refuse(text.isEmpty() ? u"Das Buchungsdatum fehlt."_s : u"\"%1\" ist kein Datum."_s.arg(text));
    return {};
}

// The amount of a column, nullopt when it is empty.
std::optional<qint64> CsvRowReader::Amount(const CsvRecord &record, int column) const
{
    const QString text = Field(record, column);
    if (text.isEmpty())
        return std::nullopt;
    const auto amount = StatementText::ParseAmount(text, Profile.DecimalSeparator);
    if (!amount)
        Refuse(StatementText::NoAmountText(text));
    if (amount->TooLarge)
        Refuse(StatementText::AmountTooLargeText(text));
    return amount->Cents;
}

void CsvRowReader::ReadAmount(const CsvRecord &record, StatementRow &row) const
{
    qint64 cents = 0;
    switch (Profile.AmountStyle) {
    case CsvAmountStyle::Signed: {
        const std::optional<qint64> amount = Amount(record, Cols.Amount);
        if (!amount)
            Refuse(u"Der Betrag fehlt."_s);
        cents = *amount;
        break;
    }
    case CsvAmountStyle::SignedOrDebitCredit:
    case CsvAmountStyle::DebitCredit: {
        // An unused Soll or Haben column holds nothing or 0,00: both mean no amount there.
        const std::optional<qint64> amount = Amount(record, Cols.Amount);
        const std::optional<qint64> debit = Amount(record, Cols.Debit);
        const std::optional<qint64> credit = Amount(record, Cols.Credit);
        const bool debitGiven = debit && *debit != 0;
        const bool creditGiven = credit && *credit != 0;
        if (amount && (*amount != 0 || (!debitGiven && !creditGiven))) {
            cents = *amount;
        } else if (debitGiven && creditGiven) {
            Refuse(u"In Soll und Haben stehen Beträge (%1 und %2); welcher gilt, ist offen."_s.arg(
                Field(record, Cols.Debit), Field(record, Cols.Credit)));
        } else if (debitGiven) {
            cents = -qAbs(*debit);
        } else if (creditGiven) {
            cents = qAbs(*credit);
        } else if (!debit && !credit) {
            Refuse(u"Der Betrag fehlt."_s);
        }
        break;
    }
    case CsvAmountStyle::MarkAfterAmount: {
        const std::optional<qint64> amount = Amount(record, Cols.Amount);
        if (!amount)
            Refuse(u"Der Betrag fehlt."_s);
        cents = qAbs(*amount);
        const QString mark = Field(record, Cols.Mark).toUpper();
        if (mark != u"S" && mark != u"H")
            Refuse(u"Neben dem Betrag steht \"%1\" statt S (Soll) oder H (Haben)."_s.arg(mark));
        if (mark == u"S")
            cents = -cents;
        break;
    }
    }
    row.Credit = cents > 0;
    row.AmountCents = qAbs(cents);
}

// The purpose column, or the columns it is spread over, joined in order.
QString CsvRowReader::PurposeText(const CsvRecord &record) const
{
    if (Cols.PurposeTo <= Cols.Purpose)
        return Field(record, Cols.Purpose);
    // Up to the last column of the table, the text goes on to the end of the line: a field
    // beyond the table's width is a text that ran over.
    const int last = Cols.PurposeTo == Cols.LastColumn ? int(record.Fields.size()) - 1 : Cols.PurposeTo;
    QStringList parts;
    for (int column = Cols.Purpose; column <= last; ++column) {
        if (QString part = Field(record, column); !part.isEmpty())
            parts.append(part);
    }
    return parts.join(u' ');
}

void CsvRowReader::ReadTexts(const CsvRecord &record, StatementRow &row) const
{
    row.BookingText = StatementText::Simplified(Field(record, Cols.BookingText));
    row.CounterpartyAccount = Field(record, Cols.CounterpartyAccount);
    row.Reference = Field(record, Cols.Reference);
    row.Counterparty = Field(record, Cols.Counterparty);
    if (row.Counterparty.isEmpty()) {
        // The side that is not the account holder: the payer of money in, the payee of
        // money out, unless that column names the holder or nobody while the other column
        // names someone else (where the file tells who the holder is).
        const QString payer = StatementText::Simplified(Field(record, Cols.Payer));
        const QString payee = StatementText::Simplified(Field(record, Cols.Payee));
        const QString &first = row.Credit ? payer : payee;
        const QString &second = row.Credit ? payee : payer;
        const auto isHolder = [this](const QString &name) { return name.compare(Holder, Qt::CaseInsensitive) == 0; };
        const bool swap = !Holder.isEmpty() && (first.isEmpty() || isHolder(first)) && !second.isEmpty()
                          && !isHolder(second);
        row.Counterparty = swap ? second : first;
    }
    row.Counterparty = StatementText::Simplified(row.Counterparty);

    QString purpose = PurposeText(record);
    switch (Profile.TextStyle) {
    case CsvTextStyle::Comdirect:
        row.Remittance = StatementText::Simplified(purpose);
        SplitComdirectText(purpose, row);
        return;
    case CsvTextStyle::FirstLineIsKind: {
        const qsizetype lineBreak = purpose.indexOf(u'\n');
        if (lineBreak >= 0) {
            row.BookingText = StatementText::Simplified(QStringView(purpose).first(lineBreak));
            purpose = purpose.mid(lineBreak + 1);
        }
        break;
    }
    case CsvTextStyle::Plain:
        break;
    }
    // Where the purpose is empty, a text beside it says what the booking was.
    if (Cols.TextWherePurposeEmpty && StatementText::Simplified(purpose).isEmpty())
        purpose = Field(record, Cols.BookingText);
    row.Remittance = StatementText::Simplified(purpose);
    const SepaText sepa = SplitSepaText(purpose);
    row.Purpose = sepa.Purpose;
    row.EndToEndId = Field(record, Cols.EndToEndId);
    if (row.EndToEndId.isEmpty() || row.EndToEndId.compare(u"NOTPROVIDED", Qt::CaseInsensitive) == 0)
        row.EndToEndId = sepa.EndToEndId;
    row.MandateReference = Field(record, Cols.MandateReference);
    if (row.MandateReference.isEmpty())
        row.MandateReference = sepa.MandateReference;
    row.CreditorId = Field(record, Cols.CreditorId);
    if (row.CreditorId.isEmpty())
        row.CreditorId = sepa.CreditorId;
    if (row.Counterparty.isEmpty())
        row.Counterparty = sepa.UltimateParty;
}

StatementRow CsvRowReader::ReadRow(const CsvRecord &record) const
{
    StatementRow row;
    row.Line = record.Line;
    row.ValueDate = Date(record, Cols.ValueDate, false);
    const QString bookingDate = Field(record, Cols.BookingDate);
    const bool notBooked = bookingDate.isEmpty() || SaysNotBooked(bookingDate);
    if (notBooked && row.ValueDate.isValid()) {
        row.Pending = true; // no booking date yet: the bank has only noted it
        row.BookingDate = row.ValueDate;
    } else if (!bookingDate.isEmpty() && SaysNotBooked(bookingDate)) {
        row.Pending = true; // noted, without any date yet ("offen")
    } else {
        row.BookingDate = Date(record, Cols.BookingDate, true);
    }
    ReadAmount(record, row);
    row.Currency = Field(record, Cols.Currency).toUpper();
    if (row.Currency.isEmpty())
        row.Currency = Currency;
    if (SaysNotBooked(Field(record, Cols.Status)))
        row.Pending = true;
    ReadTexts(record, row);
    return row;
}

// The account holder, where payer and payee have columns of their own: the name on the
// holder's side (the payer of money out, the payee of money in) of more than half the rows.
QString CsvRowReader::HolderName(const CsvTable &table, qsizetype from) const
{
    if (Cols.Payer < 0 || Cols.Payee < 0)
        return {};
    QHash<QString, int> uses;
    int rows = 0;
    for (qsizetype r = from; r < table.Records.size(); ++r) {
        const CsvRecord &record = table.Records[r];
        StatementRow row;
        try {
            ReadAmount(record, row);
        } catch (const RowProblem &) {
            continue;
        }
        const QString own = StatementText::Simplified(Field(record, row.Credit ? Cols.Payee : Cols.Payer)).toLower();
        if (own.isEmpty())
            continue;
        ++rows;
        ++uses[own];
    }
    for (auto it = uses.cbegin(); it != uses.cend(); ++it) {
        if (rows >= 2 && it.value() * 2 > rows)
            return it.key();
    }
    return {};
}

void CsvRowReader::Read(const CsvTable &table, qsizetype headerIndex, Statement &statement)
{
    const auto skip = [&statement](const CsvRecord &record, LineSkip reason) {
        statement.Skipped.append({record.Line, record.IsBlank() ? LineSkip::Empty : reason, {}, {}});
    };
    for (qsizetype r = 0; r < headerIndex && r < table.Records.size(); ++r)
        skip(table.Records[r], LineSkip::Preamble);
    if (headerIndex >= 0 && headerIndex < table.Records.size())
        skip(table.Records[headerIndex], LineSkip::Header);
    Holder = HolderName(table, headerIndex + 1);

    const int needed = Cols.Needed();
    bool ended = false;
    for (qsizetype r = headerIndex + 1; r < table.Records.size(); ++r) {
        const CsvRecord &record = table.Records[r];
        if (record.IsBlank()) {
            skip(record, LineSkip::Empty);
            ended = ended || Profile.EndsAtBlankRecord;
            continue;
        }
        // Below the table: sums and notes of another section.
        if (ended) {
            skip(record, IsFooter(record) ? LineSkip::Balance : LineSkip::Text);
            continue;
        }
        if (IsProfileFooter(record)) {
            skip(record, LineSkip::Balance);
            continue;
        }
        if (statement.Rows.size() >= StatementText::MaxRows)
            Fail(FileName, record.Line, StatementText::TooManyRowsText());
        try {
            StatementRow row = ReadRow(record);
            if (statement.Account.isEmpty())
                statement.Account = Field(record, Cols.Account).remove(u' ');
            statement.Rows.append(std::move(row));
        } catch (const RowProblem &problem) {
            if (IsFooter(record)) {
                skip(record, LineSkip::Balance);
            } else if (!LooksLikeBooking(record)) {
                skip(record, NamesTableColumns(record.Fields) ? LineSkip::Header : LineSkip::Text);
            } else {
                QString why = problem.Why;
                if (record.Fields.size() < needed)
                    why = u"Die Zeile hat nur %1 von %2 Spalten; vielleicht ist die Datei unvollständig. %3"_s
                              .arg(record.Fields.size())
                              .arg(needed)
                              .arg(why);
                statement.Skipped.append({record.Line, LineSkip::Unreadable, why, LineText(record, table.Separator)});
            }
        }
    }
}

bool HasDate(const CsvRecord &record)
{
    return std::any_of(record.Fields.cbegin(), record.Fields.cend(), [](const QString &field) {
        return StatementText::ParseDate(field, StatementText::DateOrder::DayFirst).LooksLike;
    });
}

qsizetype Filled(const CsvRecord &record)
{
    return std::count_if(record.Fields.cbegin(), record.Fields.cend(),
                         [](const QString &field) { return !field.trimmed().isEmpty(); });
}

struct TableShape
{
    qsizetype Width = 0;
    qsizetype Header = -1;   // the header record, -1 when the table has none
    qsizetype FirstRow = -1; // the first record below the header, or the first turnover
};

// The table in a file of unknown layout. Its header is the first record that names a date
// and an amount column, whatever the width of the rows below it (a last column without a
// name, trailing separators, rows of varying width). Without such a record: the width most
// records share, its first row (the first record of that width with a date in it) and the
// header right above that row. Account lines above may be padded to the same width; they
// have no date below them.
TableShape ShapeOf(const CsvTable &table)
{
    TableShape shape;
    const qsizetype searched = std::min<qsizetype>(table.Records.size(), HeaderSearchRecords);
    for (qsizetype r = 0; r < searched; ++r) {
        if (NamesTableColumns(table.Records[r].Fields)) {
            shape.Header = r;
            shape.FirstRow = r + 1;
            break;
        }
    }
    QHash<qsizetype, int> widths;
    for (qsizetype r = shape.FirstRow < 0 ? 0 : shape.FirstRow; r < table.Records.size(); ++r) {
        const CsvRecord &record = table.Records[r];
        if (record.Fields.size() > 1 && !record.IsBlank())
            ++widths[record.Fields.size()];
    }
    int count = 0;
    for (auto it = widths.cbegin(); it != widths.cend(); ++it) {
        if (it.value() > count || (it.value() == count && it.key() > shape.Width)) {
            shape.Width = it.key();
            count = it.value();
        }
    }
    if (shape.Header >= 0)
        return shape;
    for (qsizetype r = 0; r < table.Records.size() && shape.FirstRow < 0; ++r) {
        const CsvRecord &record = table.Records[r];
        if (record.Fields.size() == shape.Width && Filled(record) >= 2 && HasDate(record))
            shape.FirstRow = r;
    }
    if (shape.FirstRow > 0) {
        const CsvRecord &above = table.Records[shape.FirstRow - 1];
        if (above.Fields.size() == shape.Width && Filled(above) >= 2 && !HasDate(above))
            shape.Header = shape.FirstRow - 1;
    }
    return shape;
}

bool ValidChoice(const CsvColumnChoice &choice, qsizetype width)
{
    auto inRange = [width](int column) { return column >= -1 && column < width; };
    return choice.Date >= 0 && inRange(choice.Date) && inRange(choice.Amount) && inRange(choice.Debit)
           && inRange(choice.Credit) && inRange(choice.Counterparty) && inRange(choice.Purpose)
           && inRange(choice.PurposeTo) && inRange(choice.Payee) && inRange(choice.BookingText)
           && inRange(choice.Account) && (choice.Amount >= 0 || choice.Debit >= 0 || choice.Credit >= 0);
}

// A decimal point when the amount columns read as such and not with a decimal comma.
QChar DecimalSeparatorOf(const CsvTable &table, qsizetype firstRow, std::initializer_list<int> columns)
{
    int comma = 0;
    int point = 0;
    for (qsizetype r = firstRow; r < table.Records.size(); ++r) {
        for (const int column : columns) {
            if (column < 0 || column >= table.Records[r].Fields.size())
                continue;
            const QString &text = table.Records[r].Fields[column];
            const bool asComma = StatementText::ParseAmount(text, u',').has_value();
            const bool asPoint = StatementText::ParseAmount(text, u'.').has_value();
            comma += asComma && !asPoint;
            point += asPoint && !asComma;
        }
    }
    return point > comma ? u'.' : u',';
}

// How the date column writes dates with slashes, told by a day over 12 anywhere in it.
StatementText::DateOrder DateOrderOf(const CsvTable &table, qsizetype firstRow, int column, const QString &header,
                                     const QString &fileName)
{
    int slashes = 0;
    int dayFirst = 0;
    int monthFirst = 0;
    QString example;
    for (qsizetype r = firstRow; r < table.Records.size(); ++r) {
        if (column >= table.Records[r].Fields.size())
            continue;
        const auto [a, b] = StatementText::SlashDateNumbers(table.Records[r].Fields[column]);
        if (a == 0)
            continue;
        ++slashes;
        dayFirst += a > 12;
        monthFirst += b > 12;
        if (example.isEmpty() && a <= 12 && b <= 12)
            example = table.Records[r].Fields[column].trimmed();
    }
    switch (StatementText::JudgeSlashOrder(slashes, dayFirst, monthFirst)) {
    case StatementText::SlashOrder::NoSlashes:
    case StatementText::SlashOrder::DayFirst: return StatementText::DateOrder::DayFirst;
    case StatementText::SlashOrder::MonthFirst: return StatementText::DateOrder::MonthFirst;
    case StatementText::SlashOrder::Open: break;
    case StatementText::SlashOrder::Mixed:
        Fail(fileName, 0,
             u"In der Spalte %1 steht bei manchen Daten der Tag vorn, bei anderen der Monat; so lässt sich kein "
             u"Datum sicher lesen."_s.arg(header));
    }
    Fail(fileName, 0,
         u"Die Daten der Spalte %1 sind mit Schrägstrichen geschrieben, und keiner hat einen Tag über 12: ob "
         u"„%2“ Tag/Monat oder Monat/Tag ist, bleibt offen. Bitte exportieren Sie die Daten als TT.MM.JJJJ."_s.arg(
             header, example));
}

// The currency a table of the user's layout is in: a column of its own ("Währung",
// "Currency") where a row fills it in, else the one its amount columns name ("Gutschrift in
// CHF", "Debit CHF"), else euro.
std::pair<int, QString> CurrencyOf(const QStringList &header, const CsvColumnChoice &choice)
{
    int own = -1;
    for (int c = 0; c < header.size() && own < 0; ++c) {
        const QString name = NormalizedCsvHeader(header[c]);
        if (name == u"waehrung" || name == u"currency" || name == u"whg" || name == u"curr")
            own = c;
    }
    static const QRegularExpression named(u"(?:^|[\\s(\\[])(EUR|€|CHF|USD|GBP)(?:$|[\\s)\\]])"_s,
                                          QRegularExpression::CaseInsensitiveOption);
    for (const int column : {choice.Amount, choice.Debit, choice.Credit}) {
        const QRegularExpressionMatch match = named.match(header.value(column));
        if (match.hasMatch())
            return {own, match.captured(1) == u"€" ? u"EUR"_s : match.captured(1).toUpper()};
    }
    return {own, u"EUR"_s};
}

StatementReadResult ReadChosenOrAsk(const CsvTable &table, const QString &fileName, const CsvChoiceLookup &choices)
{
    const TableShape shape = ShapeOf(table);
    if (shape.FirstRow < 0)
        Fail(fileName, 0,
             u"Die Datei ist weder ein Kontoauszug im CAMT- oder MT940-Format noch eine CSV-Tabelle mit Umsätzen."_s);
    UnknownCsvLayout layout;
    if (shape.Header < 0) {
        for (qsizetype i = 0; i < shape.Width; ++i)
            layout.Header << u"Spalte %1"_s.arg(i + 1);
        layout.HeaderKey = u"(ohne Kopfzeile, %1 Spalten)"_s.arg(shape.Width);
        layout.Headerless = true;
    } else {
        for (const QString &field : table.Records[shape.Header].Fields)
            layout.Header << StatementText::Simplified(field);
        layout.HeaderKey = layout.Header.join(u';');
        // Names as wide as the rows: trailing empty names dropped, a nameless last column named.
        while (layout.Header.size() > shape.Width && layout.Header.back().isEmpty())
            layout.Header.removeLast();
        layout.Named = int(layout.Header.size());
        for (qsizetype i = layout.Header.size(); i < shape.Width; ++i)
            layout.Header << u"Spalte %1"_s.arg(i + 1);
    }
    const qsizetype headerIndex = shape.FirstRow - 1;

    const std::optional<CsvColumnChoice> choice = choices ? choices(layout.HeaderKey) : std::nullopt;
    if (!choice || !ValidChoice(*choice, layout.Header.size())) {
        layout.Columns.resize(layout.Header.size());
        for (qsizetype r = headerIndex + 1; r < table.Records.size(); ++r) {
            const CsvRecord &record = table.Records[r];
            if (record.IsBlank())
                continue;
            if (layout.Sample.size() < SampleRows)
                layout.Sample.append(record.Fields);
            ++layout.Rows;
            for (qsizetype c = 0; c < layout.Columns.size() && c < record.Fields.size(); ++c)
                layout.Columns[c].Add(record.Fields[c]);
        }
        return layout;
    }

    CsvBankProfile profile;
    profile.Format = u"CSV (eigene Spaltenzuordnung)"_s;
    profile.AmountStyle = choice->Amount >= 0 ? CsvAmountStyle::SignedOrDebitCredit : CsvAmountStyle::DebitCredit;
    profile.DecimalSeparator = DecimalSeparatorOf(table, headerIndex + 1, {choice->Amount, choice->Debit, choice->Credit});
    Columns columns;
    columns.BookingDate = choice->Date;
    columns.Amount = choice->Amount;
    columns.Debit = choice->Debit;
    columns.Credit = choice->Credit;
    if (choice->Payee >= 0) {
        columns.Payer = choice->Counterparty;
        columns.Payee = choice->Payee;
    } else {
        columns.Counterparty = choice->Counterparty;
    }
    columns.Purpose = choice->Purpose;
    columns.PurposeTo = choice->PurposeTo;
    columns.LastColumn = int(layout.Header.size()) - 1;
    columns.BookingText = choice->BookingText;
    columns.TextWherePurposeEmpty = true;
    columns.CounterpartyAccount = choice->Account;
    Statement statement;
    statement.Format = profile.Format;
    const auto [currencyColumn, currency] = CurrencyOf(layout.Headerless ? QStringList() : layout.Header, *choice);
    columns.Currency = currencyColumn;
    CsvRowReader reader(fileName, profile, columns);
    reader.SetCurrency(currency);
    reader.SetDateOrder(DateOrderOf(table, headerIndex + 1, choice->Date, u"„%1“"_s.arg(layout.Header.value(choice->Date)),
                                    fileName));
    reader.Read(table, headerIndex, statement);
    return statement;
}

} // namespace

StatementReadResult ReadCsv(const QString &text, const QString &fileName, const CsvChoiceLookup &choices)
{
    const CsvTable table = SplitCsv(text, DetectCsvSeparator(text));
    if (table.UnterminatedQuoteLine > 0)
        Fail(fileName, table.UnterminatedQuoteLine,
             QStringLiteral("Ein Feld in Anführungszeichen endet nicht; vielleicht ist die Datei unvollständig."));

    const qsizetype searched = std::min<qsizetype>(table.Records.size(), HeaderSearchRecords);
    for (qsizetype r = 0; r < searched; ++r) {
        // A header names its columns in words: three fields at least begin with a letter (as
        // every profile names three), and none with a digit as dates and amounts do.
        const QStringList &fields = table.Records[r].Fields;
        int named = 0;
        bool figures = false;
        for (const QString &field : fields) {
            const QStringView text = QStringView(field).trimmed();
            if (text.isEmpty())
                continue;
            named += text.front().isLetter() || (text.size() > 1 && text.front() == u'"');
            figures = figures || text.front().isDigit();
        }
        if (named < 3 || figures)
            continue;
        QStringList header;
        for (const QString &field : fields)
            header << NormalizedCsvHeader(field);
        const CsvBankProfile *found = nullptr;
        for (const CsvBankProfile &profile : CsvBankProfiles()) {
            if (Matches(profile, header) && (!found || profile.Identifying.size() > found->Identifying.size()))
                found = &profile;
        }
        if (!found)
            continue;
        Statement statement;
        statement.Format = found->Format;
        const Columns columns = ProfileColumns(*found, header);
        CsvRowReader(fileName, *found, columns).Read(table, r, statement);
        for (qsizetype above = 0; above < r && statement.Account.isEmpty(); ++above) {
            for (const QString &field : table.Records[above].Fields) {
                statement.Account = IbanIn(field);
                if (!statement.Account.isEmpty())
                    break;
            }
        }
        return statement;
    }
    return ReadChosenOrAsk(table, fileName, choices);
}
