#include "statements/StatementText.h"

#include "ledger/QelError.h"
#include "ledger/Win1252.h"

#include <QLocale>
#include <QStringDecoder>

#include <algorithm>

namespace {

bool IsDigit(QChar ch) { return ch >= u'0' && ch <= u'9'; }

bool IsBlank(QChar ch)
{
    return ch == u' ' || ch == u'\t' || ch == QChar(0x00A0) || ch == QChar(0x202F);
}

QStringView Trimmed(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

QStringView WithoutCurrency(QStringView text)
{
    text = Trimmed(text);
    if (text.endsWith(u'€'))
        return Trimmed(text.chopped(1));
    if (text.size() > 3 && text.endsWith(u"EUR", Qt::CaseInsensitive) && !text[text.size() - 4].isLetter())
        return Trimmed(text.chopped(3));
    return text;
}

// Digits of at most two places, read from the front; nullopt for anything else.
std::optional<int> Number(QStringView text)
{
    if (text.isEmpty() || text.size() > 4)
        return std::nullopt;
    int value = 0;
    for (const QChar ch : text) {
        if (!IsDigit(ch))
            return std::nullopt;
        value = value * 10 + (ch.unicode() - u'0');
    }
    return value;
}

} // namespace

namespace StatementText {

QString Decode(QByteArrayView bytes, Encoding *encoding)
{
    Encoding found = Encoding::Utf8;
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        found = Encoding::Utf8WithBom;
        text = QString::fromUtf8(bytes.sliced(3));
    } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        found = Encoding::Utf16;
        QStringDecoder decoder(QStringDecoder::Utf16, QStringDecoder::Flag::ConvertInitialBom);
        text = decoder(bytes);
        if (!text.isEmpty() && text.front() == QChar(0xFEFF))
            text.remove(0, 1);
    } else {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        text = decoder(bytes);
        if (decoder.hasError()) {
            found = Encoding::Windows1252;
            text = Win1252::Decode(bytes);
        }
    }
    if (encoding)
        *encoding = found;
    return text;
}

bool LooksBinary(QByteArrayView bytes)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return false; // UTF-16 text has NUL bytes of its own
    const qsizetype n = std::min<qsizetype>(bytes.size(), 64 * 1024);
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    qsizetype controls = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char byte = data[i];
        if (byte == 0)
            return true;
        if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r' && byte != '\f' && byte != 0x1A)
            ++controls;
    }
    return controls * 100 > n; // more than one in a hundred
}

std::optional<Amount> ParseAmount(QStringView text, QChar decimalSeparator)
{
    const QChar groupSeparator = decimalSeparator == u',' ? u'.' : u',';
    QStringView body = WithoutCurrency(text);
    bool negative = false;
    if (!body.isEmpty() && (body.front() == u'-' || body.front() == u'+' || body.front() == QChar(0x2212))) {
        negative = body.front() != u'+';
        body = Trimmed(body.sliced(1));
    } else if (!body.isEmpty() && body.back() == u'-') {
        negative = true;
        body = Trimmed(body.chopped(1));
    }
    if (body.isEmpty())
        return std::nullopt;

    QString integerDigits;
    QString fractionDigits;
    bool inFraction = false;
    qsizetype groupLength = -1; // digits since the last group separator; -1 before the first
    qsizetype leadingLength = 0;
    for (const QChar ch : body) {
        if (IsDigit(ch)) {
            (inFraction ? fractionDigits : integerDigits).append(ch);
            if (!inFraction) {
                if (groupLength >= 0)
                    ++groupLength;
                else
                    ++leadingLength;
            }
        } else if (ch == groupSeparator && !inFraction) {
            if ((groupLength < 0 && (leadingLength == 0 || leadingLength > 3)) || (groupLength >= 0 && groupLength != 3))
                return std::nullopt;
            groupLength = 0;
        } else if (ch == decimalSeparator && !inFraction) {
            inFraction = true;
        } else {
            return std::nullopt;
        }
    }
    if (groupLength >= 0 && groupLength != 3)
        return std::nullopt;
    if (integerDigits.isEmpty() && fractionDigits.isEmpty())
        return std::nullopt;

    qsizetype firstSignificant = 0;
    while (firstSignificant < integerDigits.size() && integerDigits[firstSignificant] == u'0')
        ++firstSignificant;
    if (integerDigits.size() - firstSignificant > 12)
        return Amount{0, true};
    qint64 cents = 0;
    for (qsizetype i = firstSignificant; i < integerDigits.size(); ++i)
        cents = cents * 10 + (integerDigits[i].unicode() - u'0');
    cents *= 100;
    if (!fractionDigits.isEmpty())
        cents += (fractionDigits[0].unicode() - u'0') * 10;
    if (fractionDigits.size() > 1)
        cents += fractionDigits[1].unicode() - u'0';
    if (fractionDigits.size() > 2 && fractionDigits[2] >= u'5')
        cents += 1;
    if (cents > MaxAmountCents)
        return Amount{0, true};
    return Amount{negative ? -cents : cents, false};
}

int FullYear(int twoDigitYear)
{
    return twoDigitYear < 70 ? 2000 + twoDigitYear : 1900 + twoDigitYear;
}

DateResult ParseDate(QStringView text)
{
    text = Trimmed(text);
    DateResult result;
    if (text.size() >= 10 && text[4] == u'-' && text[7] == u'-') {
        // ISO, perhaps with a time after it ("2024-03-01T10:15:00+01:00")
        // ... or with a time zone (xs:date: "2017-04-03+02:00", "2017-04-03Z")
        if (text.size() > 10 && text[10] != u'T' && text[10] != u' ' && text[10] != u'+' && text[10] != u'-'
            && text[10] != u'Z')
            return result;
        const auto year = Number(text.sliced(0, 4));
        const auto month = Number(text.sliced(5, 2));
        const auto day = Number(text.sliced(8, 2));
        if (!year || !month || !day)
            return result;
        result.LooksLike = true;
        result.Date = QDate(*year, *month, *day);
        return result;
    }
    const qsizetype firstDot = text.indexOf(u'.');
    const qsizetype secondDot = firstDot < 0 ? -1 : text.indexOf(u'.', firstDot + 1);
    if (firstDot < 1 || firstDot > 2 || secondDot < 0 || secondDot - firstDot - 1 < 1 || secondDot - firstDot - 1 > 2)
        return result;
    const QStringView yearText = text.sliced(secondDot + 1);
    if (yearText.size() != 2 && yearText.size() != 4)
        return result;
    const auto day = Number(text.sliced(0, firstDot));
    const auto month = Number(text.sliced(firstDot + 1, secondDot - firstDot - 1));
    const auto year = Number(yearText);
    if (!day || !month || !year)
        return result;
    result.LooksLike = true;
    result.Date = QDate(yearText.size() == 2 ? FullYear(*year) : *year, *month, *day);
    return result;
}

std::pair<int, int> SlashDateNumbers(QStringView text)
{
    text = Trimmed(text);
    const qsizetype first = text.indexOf(u'/');
    const qsizetype second = first < 0 ? -1 : text.indexOf(u'/', first + 1);
    if (first < 1 || first > 2 || second - first - 1 < 1 || second - first - 1 > 2)
        return {0, 0};
    const qsizetype yearLength = text.size() - second - 1;
    if (yearLength != 2 && yearLength != 4)
        return {0, 0};
    const auto a = Number(text.sliced(0, first));
    const auto b = Number(text.sliced(first + 1, second - first - 1));
    const auto year = Number(text.sliced(second + 1));
    if (!a || !b || !year || *a == 0 || *b == 0)
        return {0, 0};
    return {*a, *b};
}

SlashOrder JudgeSlashOrder(int slashDates, int firstOver12, int secondOver12)
{
    if (slashDates == 0)
        return SlashOrder::NoSlashes;
    if (firstOver12 > 0 && secondOver12 > 0)
        return SlashOrder::Mixed;
    if (firstOver12 > 0)
        return SlashOrder::DayFirst;
    return secondOver12 > 0 ? SlashOrder::MonthFirst : SlashOrder::Open;
}

DateResult ParseDate(QStringView text, DateOrder slashOrder)
{
    const auto [a, b] = SlashDateNumbers(text);
    if (a == 0)
        return ParseDate(text);
    const QStringView trimmed = Trimmed(text);
    const QStringView yearText = trimmed.sliced(trimmed.lastIndexOf(u'/') + 1);
    const int year = *Number(yearText);
    DateResult result;
    result.LooksLike = true;
    const int day = slashOrder == DateOrder::DayFirst ? a : b;
    const int month = slashOrder == DateOrder::DayFirst ? b : a;
    result.Date = QDate(yearText.size() == 2 ? FullYear(year) : year, month, day);
    return result;
}

QDate ClampedDate(int year, int month, int day)
{
    if (month < 1 || month > 12 || day < 1 || day > 31)
        return {};
    const QDate first(year, month, 1);
    return first.isValid() ? QDate(year, month, std::min(day, first.daysInMonth())) : QDate();
}

QString Simplified(QStringView text)
{
    QString result;
    result.reserve(text.size());
    bool pendingBlank = false;
    for (const QChar ch : text) {
        if (ch.isSpace() || ch == QChar(0x00A0)) {
            pendingBlank = !result.isEmpty();
            continue;
        }
        if (pendingBlank)
            result.append(u' ');
        pendingBlank = false;
        result.append(ch);
    }
    return result;
}

QString AmountForMessage(qint64 cents)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    return german.toString(double(cents) / 100.0, 'f', 2) + QStringLiteral(" €");
}

void Fail(const QString &fileName, int line, const QString &text)
{
    if (line > 0)
        throw QelError(QStringLiteral("Kontoauszug \"%1\", Zeile %2: %3").arg(fileName).arg(line).arg(text));
    throw QelError(QStringLiteral("Kontoauszug \"%1\": %2").arg(fileName, text));
}

QString ImpossibleDateText(QStringView date)
{
    return QStringLiteral("Das Datum \"%1\" gibt es nicht.").arg(Trimmed(date));
}

QString AmountTooLargeText(QStringView amount)
{
    return QStringLiteral("Der Betrag \"%1\" ist größer als 999.999.999,99 € und wird nicht gelesen.")
        .arg(Trimmed(amount));
}

QString NoAmountText(QStringView amount)
{
    return QStringLiteral("\"%1\" ist kein Betrag.").arg(Trimmed(amount));
}

QString TooManyRowsText()
{
    return QStringLiteral("Der Kontoauszug hat mehr als %1 Umsätze. Bitte exportieren Sie einen kürzeren "
                          "Zeitraum.")
        .arg(QLocale(QLocale::German, QLocale::Germany).toString(MaxRows));
}

} // namespace StatementText
