#include "statements/CsvReader.h"

#include "statements/CsvBankProfiles.h"
#include "statements/CsvTable.h"
#include "statements/SepaText.h"
#include "statements/StatementText.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>

using StatementText::Fail;

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
    int BookingText = -1;
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
    for (const QStringView name : QStringView(names).split(u'|')) {
        for (int i = after + 1; i < header.size(); ++i) {
            if (header[i] == name)
                return i;
        }
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

class CsvRowReader
{
public:
    CsvRowReader(const QString &fileName, const CsvBankProfile &profile, const Columns &columns,
                 bool lenient = false)
        : FileName(fileName), Profile(profile), Cols(columns), Lenient(lenient)
    {
    }

    void Read(const CsvTable &table, qsizetype headerIndex, Statement &statement);

private:
    QString Field(const CsvRecord &record, int column) const
    {
        return column >= 0 && column < record.Fields.size() ? record.Fields[column].trimmed() : QString();
    }
    bool IsFooter(const CsvRecord &record) const;
    QDate Date(const CsvRecord &record, int column, bool required) const;
    qint64 Amount(const CsvRecord &record, int column) const;
    void ReadAmount(const CsvRecord &record, StatementRow &row) const;
    void ReadTexts(const CsvRecord &record, StatementRow &row) const;

    const QString &FileName;
    const CsvBankProfile &Profile;
    const Columns &Cols;
    // A table the user described may have lines beside its rows (sums, notes): short
    // lines and lines without a date are passed over rather than refused.
    const bool Lenient;
};

bool CsvRowReader::IsFooter(const CsvRecord &record) const
{
    if (Profile.FooterMarkers.isEmpty())
        return false;
    for (const QString &field : record.Fields) {
        if (Profile.FooterMarkers.contains(NormalizedCsvHeader(field)))
            return true;
    }
    return false;
}

QDate CsvRowReader::Date(const CsvRecord &record, int column, bool required) const
{
    const QString text = Field(record, column);
    if (text.isEmpty() && !required)
        return {};
    const StatementText::DateResult date = StatementText::ParseDate(text);
    if (date.Date.isValid())
        return date.Date;
    if (date.LooksLike)
        Fail(FileName, record.Line, StatementText::ImpossibleDateText(text));
    if (required)
        Fail(FileName, record.Line,
             text.isEmpty() ? QStringLiteral("Das Buchungsdatum fehlt.")
                            : QStringLiteral("\"%1\" ist kein Datum.").arg(text));
    return {};
}

qint64 CsvRowReader::Amount(const CsvRecord &record, int column) const
{
    const QString text = Field(record, column);
    const auto amount = StatementText::ParseAmount(text, Profile.DecimalSeparator);
    if (!amount)
        Fail(FileName, record.Line,
             text.isEmpty() ? QStringLiteral("Der Betrag fehlt.") : StatementText::NoAmountText(text));
    if (amount->TooLarge)
        Fail(FileName, record.Line, StatementText::AmountTooLargeText(text));
    return amount->Cents;
}

void CsvRowReader::ReadAmount(const CsvRecord &record, StatementRow &row) const
{
    qint64 cents = 0;
    const bool amountGiven = Cols.Amount >= 0 && !Field(record, Cols.Amount).isEmpty();
    switch (Profile.AmountStyle) {
    case CsvAmountStyle::Signed:
        cents = Amount(record, Cols.Amount);
        break;
    case CsvAmountStyle::SignedOrDebitCredit:
    case CsvAmountStyle::DebitCredit:
        if (amountGiven) {
            cents = Amount(record, Cols.Amount);
        } else if (!Field(record, Cols.Debit).isEmpty()) {
            cents = -qAbs(Amount(record, Cols.Debit));
        } else if (!Field(record, Cols.Credit).isEmpty()) {
            cents = qAbs(Amount(record, Cols.Credit));
        } else {
            Fail(FileName, record.Line, QStringLiteral("Der Betrag fehlt."));
        }
        break;
    case CsvAmountStyle::MarkAfterAmount: {
        cents = qAbs(Amount(record, Cols.Amount));
        const QString mark = Field(record, Cols.Mark).toUpper();
        if (mark != u"S" && mark != u"H")
            Fail(FileName, record.Line,
                 QStringLiteral("Neben dem Betrag steht \"%1\" statt S (Soll) oder H (Haben).").arg(mark));
        if (mark == u"S")
            cents = -cents;
        break;
    }
    }
    row.Credit = cents > 0;
    row.AmountCents = qAbs(cents);
}

void CsvRowReader::ReadTexts(const CsvRecord &record, StatementRow &row) const
{
    row.BookingText = StatementText::Simplified(Field(record, Cols.BookingText));
    row.CounterpartyAccount = Field(record, Cols.CounterpartyAccount);
    row.Reference = Field(record, Cols.Reference);
    row.Counterparty = Field(record, Cols.Counterparty);
    if (row.Counterparty.isEmpty())
        row.Counterparty = Field(record, row.Credit ? Cols.Payer : Cols.Payee);
    row.Counterparty = StatementText::Simplified(row.Counterparty);

    QString purpose = Field(record, Cols.Purpose);
    switch (Profile.TextStyle) {
    case CsvTextStyle::Comdirect:
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

void CsvRowReader::Read(const CsvTable &table, qsizetype headerIndex, Statement &statement)
{
    const int needed = Cols.Needed();
    for (qsizetype r = headerIndex + 1; r < table.Records.size(); ++r) {
        const CsvRecord &record = table.Records[r];
        if (record.IsBlank()) {
            if (Profile.EndsAtBlankRecord)
                break;
            continue;
        }
        if (IsFooter(record)
            || (Lenient
                && (record.Fields.size() < needed || !StatementText::ParseDate(Field(record, Cols.BookingDate)).LooksLike)))
            continue;
        if (record.Fields.size() < needed)
            Fail(FileName, record.Line,
                 QStringLiteral("Die Zeile hat nur %1 von %2 Spalten; vielleicht ist die Datei unvollständig.")
                     .arg(record.Fields.size())
                     .arg(needed));
        if (statement.Rows.size() >= StatementText::MaxRows)
            Fail(FileName, record.Line, StatementText::TooManyRowsText());

        StatementRow row;
        row.Line = record.Line;
        row.ValueDate = Date(record, Cols.ValueDate, false);
        const QString bookingDate = Field(record, Cols.BookingDate);
        const bool notBooked = bookingDate.isEmpty() || SaysNotBooked(bookingDate);
        if (notBooked && row.ValueDate.isValid()) {
            row.Pending = true; // no booking date yet: the bank has only noted it
            row.BookingDate = row.ValueDate;
        } else {
            row.BookingDate = Date(record, Cols.BookingDate, true);
        }
        ReadAmount(record, row);
        row.Currency = Field(record, Cols.Currency).toUpper();
        if (row.Currency.isEmpty())
            row.Currency = QStringLiteral("EUR");
        if (SaysNotBooked(Field(record, Cols.Status)))
            row.Pending = true;
        ReadTexts(record, row);
        if (statement.Account.isEmpty())
            statement.Account = Field(record, Cols.Account).remove(u' ');
        statement.Rows.append(row);
    }
}

bool HasDate(const CsvRecord &record)
{
    return std::any_of(record.Fields.cbegin(), record.Fields.cend(),
                       [](const QString &field) { return StatementText::ParseDate(field).Date.isValid(); });
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
    qsizetype FirstRow = -1; // the first turnover
};

// The table in a file of unknown layout: the width most records share, its first row (the
// first record of that width with a date in it) and the header right above that row.
// Account lines above may be padded to the same width; they have no date below them.
TableShape ShapeOf(const CsvTable &table)
{
    QHash<qsizetype, int> widths;
    for (const CsvRecord &record : table.Records) {
        if (record.Fields.size() > 1 && !record.IsBlank())
            ++widths[record.Fields.size()];
    }
    TableShape shape;
    int count = 0;
    for (auto it = widths.cbegin(); it != widths.cend(); ++it) {
        if (it.value() > count || (it.value() == count && it.key() > shape.Width)) {
            shape.Width = it.key();
            count = it.value();
        }
    }
    for (qsizetype r = 0; r < table.Records.size() && shape.FirstRow < 0; ++r) {
        const CsvRecord &record = table.Records[r];
        if (record.Fields.size() == shape.Width && Filled(record) >= 2 && HasDate(record))
            shape.FirstRow = r;
    }
    if (shape.FirstRow > 0) {
        const CsvRecord &above = table.Records[shape.FirstRow - 1];
        if (above.Fields.size() == shape.Width && Filled(above) >= 2)
            shape.Header = shape.FirstRow - 1;
    }
    return shape;
}

bool ValidChoice(const CsvColumnChoice &choice, qsizetype width)
{
    auto inRange = [width](int column) { return column >= -1 && column < width; };
    return choice.Date >= 0 && inRange(choice.Date) && inRange(choice.Amount) && inRange(choice.Debit)
           && inRange(choice.Credit) && inRange(choice.Counterparty) && inRange(choice.Purpose)
           && (choice.Amount >= 0 || choice.Debit >= 0 || choice.Credit >= 0);
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
            const QString text = table.Records[r].Fields[column];
            const bool asComma = StatementText::ParseAmount(text, u',').has_value();
            const bool asPoint = StatementText::ParseAmount(text, u'.').has_value();
            comma += asComma && !asPoint;
            point += asPoint && !asComma;
        }
    }
    return point > comma ? u'.' : u',';
}

StatementReadResult ReadChosenOrAsk(const CsvTable &table, const QString &fileName, const CsvChoiceLookup &choices)
{
    const TableShape shape = ShapeOf(table);
    if (shape.FirstRow < 0)
        Fail(fileName, 0,
             QStringLiteral("Die Datei ist weder ein Kontoauszug im CAMT- oder MT940-Format noch eine CSV-Tabelle "
                            "mit Umsätzen."));
    const qsizetype width = shape.Width;
    UnknownCsvLayout layout;
    if (shape.Header < 0) {
        for (qsizetype i = 0; i < width; ++i)
            layout.Header << QStringLiteral("Spalte %1").arg(i + 1);
        layout.HeaderKey = QStringLiteral("(ohne Kopfzeile, %1 Spalten)").arg(width);
    } else {
        for (const QString &field : table.Records[shape.Header].Fields)
            layout.Header << StatementText::Simplified(field);
        layout.HeaderKey = layout.Header.join(u';');
    }
    const qsizetype headerIndex = shape.FirstRow - 1;

    const std::optional<CsvColumnChoice> choice = choices ? choices(layout.HeaderKey) : std::nullopt;
    if (!choice || !ValidChoice(*choice, width)) {
        for (qsizetype r = headerIndex + 1; r < table.Records.size() && layout.Sample.size() < SampleRows; ++r) {
            if (!table.Records[r].IsBlank())
                layout.Sample.append(table.Records[r].Fields);
        }
        return layout;
    }

    CsvBankProfile profile;
    profile.Format = QStringLiteral("CSV (eigene Spaltenzuordnung)");
    profile.AmountStyle = choice->Amount >= 0 ? CsvAmountStyle::SignedOrDebitCredit : CsvAmountStyle::DebitCredit;
    profile.DecimalSeparator = DecimalSeparatorOf(table, headerIndex + 1, {choice->Amount, choice->Debit, choice->Credit});
    Columns columns;
    columns.BookingDate = choice->Date;
    columns.Amount = choice->Amount;
    columns.Debit = choice->Debit;
    columns.Credit = choice->Credit;
    columns.Counterparty = choice->Counterparty;
    columns.Purpose = choice->Purpose;
    Statement statement;
    statement.Format = profile.Format;
    CsvRowReader(fileName, profile, columns, true).Read(table, headerIndex, statement);
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
        QStringList header;
        for (const QString &field : table.Records[r].Fields)
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
