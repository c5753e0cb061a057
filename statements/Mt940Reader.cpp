#include "statements/Mt940Reader.h"

#include "statements/SepaText.h"
#include "statements/StatementText.h"

#include <QList>

using StatementText::Fail;

namespace {

bool IsDigit(QChar ch) { return ch >= u'0' && ch <= u'9'; }

bool AllDigits(QStringView text)
{
    for (const QChar ch : text) {
        if (!IsDigit(ch))
            return false;
    }
    return !text.isEmpty();
}

int Digits(QStringView text)
{
    int value = 0;
    for (const QChar ch : text)
        value = value * 10 + (ch.unicode() - u'0');
    return value;
}

// ":20:", ":60F:", ":NS:" is not one of ours.
qsizetype TagLength(QStringView line)
{
    if (line.size() < 4 || line[0] != u':' || !IsDigit(line[1]) || !IsDigit(line[2]))
        return 0;
    if (line[3] == u':')
        return 4;
    if (line.size() >= 5 && line[3] >= u'A' && line[3] <= u'Z' && line[4] == u':')
        return 5;
    return 0;
}

qsizetype SkipBlanks(QStringView text, qsizetype pos)
{
    while (pos < text.size() && text[pos] == u' ')
        ++pos;
    return pos;
}

// ":86:" in the DFÜ form starts with the three-digit business code and goes on in sub-fields,
// each a mark (mostly "?") and two digits; some banks put blanks before or after the code.
// The position of the first mark, or -1 for free text.
qsizetype FirstSubfield(QStringView text)
{
    qsizetype pos = SkipBlanks(text, 0);
    if (pos + 3 > text.size() || !AllDigits(text.sliced(pos, 3)))
        return -1;
    pos = SkipBlanks(text, pos + 3);
    if (pos + 2 < text.size() && !text[pos].isLetterOrNumber() && !text[pos].isSpace() && IsDigit(text[pos + 1])
        && IsDigit(text[pos + 2]))
        return pos;
    return -1;
}

// Free text keeps the business code in front ("999PN5477SCHECK-NR. ..."); it is no purpose.
QStringView WithoutBusinessCode(QStringView text)
{
    const qsizetype pos = SkipBlanks(text, 0);
    if (pos + 3 <= text.size() && AllDigits(text.sliced(pos, 3)) && (pos + 3 == text.size() || !IsDigit(text[pos + 3])))
        return text.sliced(pos + 3);
    return text;
}

struct Field
{
    QString Tag; // "61", "86", "60F", ...
    QList<QStringView> Lines;
    int Line = 0;
};

class Mt940Parser
{
public:
    explicit Mt940Parser(const QString &fileName) : FileName(fileName) {}

    Statement Read(const QString &text);

private:
    void Flush();
    void StartStatement();
    void ReadTurnover(const Field &field);
    void ReadDetails(const Field &field);
    QDate BookingDate(QStringView mmdd, QDate valueDate, int line) const;

    const QString &FileName;
    Statement Result;
    Field Current;
    bool HaveField = false;
    bool InStatement = false;
    bool StatementClosed = true;
    bool Intraday = false;
    bool DetailsExpected = false;
    QString Currency = QStringLiteral("EUR");
    int LastLine = 0;
};

Statement Mt940Parser::Read(const QString &text)
{
    Result.Format = QStringLiteral("MT940");
    const QStringView all(text);
    qsizetype pos = 0;
    int lineNumber = 0;
    while (pos < all.size()) {
        qsizetype end = pos;
        while (end < all.size() && all[end] != u'\n' && all[end] != u'\r')
            ++end;
        QStringView line = all.sliced(pos, end - pos);
        ++lineNumber;
        pos = end;
        if (pos < all.size() && all[pos++] == u'\r' && pos < all.size() && all[pos] == u'\n')
            ++pos;

        if (line.startsWith(u'{')) {
            // SWIFT envelope "{1:...}{2:...}{4:" before the fields; "-}" after them
            const qsizetype body = line.indexOf(u"{4:");
            if (body < 0)
                continue;
            line = line.sliced(body + 3);
        }
        if (!line.trimmed().isEmpty())
            LastLine = lineNumber;
        if (line.trimmed() == u"-" || line.startsWith(u"-}")) {
            Flush();
            continue;
        }
        const qsizetype tagLength = TagLength(line);
        if (tagLength > 0) {
            Flush();
            Current = Field{line.sliced(1, tagLength - 2).toString(), {line.sliced(tagLength)}, lineNumber};
            HaveField = true;
        } else if (HaveField) {
            Current.Lines.append(line);
        }
    }
    Flush();
    if (!InStatement && Result.Rows.isEmpty())
        Fail(FileName, 0, QStringLiteral("Die Datei enthält keinen MT940-Kontoauszug."));
    if (!StatementClosed)
        Fail(FileName, LastLine,
             QStringLiteral("Der MT940-Auszug ist unvollständig: Der Schlusssaldo (:62F:) fehlt. Vielleicht "
                            "wurde die Datei nicht ganz gespeichert."));
    return Result;
}

void Mt940Parser::StartStatement()
{
    InStatement = true;
    StatementClosed = false;
    Intraday = false;
    DetailsExpected = false;
}

void Mt940Parser::Flush()
{
    if (!HaveField)
        return;
    HaveField = false;
    const Field field = std::move(Current);
    const bool details = std::exchange(DetailsExpected, false);
    if (field.Tag == u"20") {
        StartStatement();
    } else if (field.Tag == u"25") {
        if (!InStatement)
            StartStatement();
        const QString account = field.Lines.value(0).trimmed().toString();
        if (Result.Account.isEmpty())
            Result.Account = account.startsWith(u'/') ? account.mid(1) : account;
    } else if (field.Tag == u"60F" || field.Tag == u"60M") {
        const QStringView balance = field.Lines.value(0).trimmed();
        if (balance.size() >= 10 && balance.sliced(7, 3).toString().isUpper())
            Currency = balance.sliced(7, 3).toString();
    } else if (field.Tag == u"61") {
        if (!InStatement)
            StartStatement();
        ReadTurnover(field);
        DetailsExpected = true;
    } else if (field.Tag == u"86") {
        if (details)
            ReadDetails(field);
    } else if (field.Tag == u"62F" || field.Tag == u"62M" || field.Tag == u"90D" || field.Tag == u"90C") {
        StatementClosed = true;
    } else if (field.Tag == u"34F" || field.Tag == u"13D" || field.Tag == u"13") {
        Intraday = true; // MT942: the turnovers after it are not booked yet
    }
}

QDate Mt940Parser::BookingDate(QStringView mmdd, QDate valueDate, int line) const
{
    // The booking date has no year: take the one nearest the value date, so that a
    // booking on 31.12. valued on 02.01. stays in the old year.
    const int month = Digits(mmdd.first(2));
    const int day = Digits(mmdd.sliced(2));
    QDate best;
    for (int year = valueDate.year() - 1; year <= valueDate.year() + 1; ++year) {
        const QDate candidate(year, month, day);
        if (candidate.isValid()
            && (!best.isValid() || qAbs(candidate.daysTo(valueDate)) < qAbs(best.daysTo(valueDate))))
            best = candidate;
    }
    if (!best.isValid())
        Fail(FileName, line,
             StatementText::ImpossibleDateText(QStringLiteral("%1.%2.").arg(mmdd.sliced(2), mmdd.first(2))));
    return best;
}

void Mt940Parser::ReadTurnover(const Field &field)
{
    if (Result.Rows.size() >= StatementText::MaxRows)
        Fail(FileName, field.Line, StatementText::TooManyRowsText());
    const QStringView s = field.Lines.value(0).trimmed();
    const QString broken = QStringLiteral("Die Umsatzzeile \":61:%1\" ist unvollständig oder fehlerhaft.").arg(s);
    if (s.size() < 6 || !AllDigits(s.first(6)))
        Fail(FileName, field.Line, broken);

    StatementRow row;
    row.Line = field.Line;
    row.Currency = Currency;
    row.Pending = Intraday;
    // Some banks close a period on a 30-day calendar ("160230": 30 February): such a value
    // date stands for the month's last day; the booking date after it decides the booking.
    row.ValueDate = StatementText::ClampedDate(StatementText::FullYear(Digits(s.first(2))), Digits(s.sliced(2, 2)),
                                               Digits(s.sliced(4, 2)));
    if (!row.ValueDate.isValid())
        Fail(FileName, field.Line,
             StatementText::ImpossibleDateText(
                 QStringLiteral("%1.%2.%3").arg(s.sliced(4, 2), s.sliced(2, 2), s.first(2))));
    qsizetype p = 6;
    row.BookingDate = row.ValueDate;
    if (s.size() >= p + 4 && AllDigits(s.sliced(p, 4))) {
        row.BookingDate = BookingDate(s.sliced(p, 4), row.ValueDate, field.Line);
        p += 4;
    }

    if (p < s.size() && s[p] == u'R' && p + 1 < s.size() && (s[p + 1] == u'C' || s[p + 1] == u'D')) {
        row.Reversal = true;
        row.Credit = s[p + 1] == u'D'; // the reversal of a debit gives the money back
        p += 2;
    } else if (p < s.size() && (s[p] == u'C' || s[p] == u'D')) {
        row.Credit = s[p] == u'C';
        p += 1;
    } else {
        Fail(FileName, field.Line, broken);
    }
    if (p < s.size() && s[p].isLetter())
        ++p; // third letter of the currency code
    const qsizetype amountStart = p;
    while (p < s.size() && p - amountStart < 15 && (IsDigit(s[p]) || s[p] == u','))
        ++p;
    const QStringView amountText = s.sliced(amountStart, p - amountStart);
    const auto amount = amountText.contains(u',') ? StatementText::ParseAmount(amountText, u',') : std::nullopt;
    if (!amount)
        Fail(FileName, field.Line, broken);
    if (amount->TooLarge)
        Fail(FileName, field.Line, StatementText::AmountTooLargeText(amountText));
    row.AmountCents = amount->Cents;

    if (p + 4 <= s.size() && (s[p] == u'N' || s[p] == u'F' || s[p] == u'S'))
        p += 4; // transaction type, e.g. NTRF
    const QStringView references = s.sliced(p);
    const qsizetype bank = references.indexOf(u"//");
    if (bank >= 0) {
        const QString reference = references.sliced(bank + 2).trimmed().toString();
        if (reference.compare(u"NONREF", Qt::CaseInsensitive) != 0)
            row.Reference = reference;
    }
    Result.Rows.append(row);
}

void Mt940Parser::ReadDetails(const Field &field)
{
    StatementRow &row = Result.Rows.last();
    QString text;
    for (const QStringView line : field.Lines)
        text += line; // the banks break lines anywhere, even inside a word
    const qsizetype first = FirstSubfield(text);
    if (first < 0) {
        QStringList lines;
        for (const QStringView line : field.Lines)
            lines << line.toString();
        const QString joined = lines.join(u' ');
        const QStringView free = WithoutBusinessCode(joined);
        const SepaText sepa = SplitSepaText(free);
        row.Remittance = StatementText::Simplified(free);
        row.Purpose = sepa.Purpose;
        row.EndToEndId = sepa.EndToEndId;
        row.MandateReference = sepa.MandateReference;
        row.CreditorId = sepa.CreditorId;
        row.Counterparty = sepa.UltimateParty;
        return;
    }

    const QChar separator = text[first];
    QString purpose;
    QString name;
    const QStringView all(text);
    qsizetype pos = first;
    while (pos < all.size()) {
        // a sub-field is the separator, two digits, then text up to the next such mark
        if (all[pos] != separator || pos + 2 >= all.size() || !IsDigit(all[pos + 1]) || !IsDigit(all[pos + 2])) {
            ++pos;
            continue;
        }
        const int code = Digits(all.sliced(pos + 1, 2));
        qsizetype end = pos + 3;
        while (end < all.size()
               && !(all[end] == separator && end + 2 < all.size() && IsDigit(all[end + 1]) && IsDigit(all[end + 2])))
            ++end;
        const QStringView value = all.sliced(pos + 3, end - pos - 3);
        if (code == 0)
            row.BookingText = StatementText::Simplified(value);
        else if ((code >= 20 && code <= 29) || (code >= 60 && code <= 63))
            purpose += value;
        else if (code == 31)
            row.CounterpartyAccount = value.trimmed().toString();
        else if (code == 32 || code == 33)
            name += value;
        pos = end;
    }
    const SepaText sepa = SplitSepaText(purpose);
    row.Remittance = StatementText::Simplified(purpose);
    row.Purpose = sepa.Purpose;
    row.EndToEndId = sepa.EndToEndId;
    row.MandateReference = sepa.MandateReference;
    row.CreditorId = sepa.CreditorId;
    row.Counterparty = StatementText::Simplified(name);
    if (row.Counterparty.isEmpty())
        row.Counterparty = sepa.UltimateParty;
}

} // namespace

bool LooksLikeMt940(QStringView text)
{
    bool statementStart = false;
    bool turnoverOrAccount = false;
    qsizetype pos = 0;
    int lines = 0;
    while (pos < text.size() && lines < 400 && !(statementStart && turnoverOrAccount)) {
        qsizetype end = text.indexOf(u'\n', pos);
        if (end < 0)
            end = text.size();
        QStringView line = text.sliced(pos, end - pos).trimmed();
        const qsizetype envelope = line.indexOf(u"{4:");
        if (line.startsWith(u'{') && envelope >= 0)
            line = line.sliced(envelope + 3);
        if (line.startsWith(u":20:"))
            statementStart = true;
        else if (line.startsWith(u":25:") || line.startsWith(u":60F:") || line.startsWith(u":61:"))
            turnoverOrAccount = true;
        pos = end + 1;
        ++lines;
    }
    return statementStart && turnoverOrAccount;
}

Statement ReadMt940(const QString &text, const QString &fileName)
{
    return Mt940Parser(fileName).Read(text);
}
