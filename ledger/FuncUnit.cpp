#include "ledger/FuncUnit.h"

#include "ledger/BookingList.h"
#include "ledger/Regional.h"

#include <QtEndian>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

bool IsDecimalSeparator(QChar ch) { return ch == u'.' || ch == u','; }
bool IsDigit(QChar ch) { return ch >= u'0' && ch <= u'9'; }

// 10^0 ... 10^27 are exact in extended precision: 5^27 < 2^64.
constexpr int ExactPowers = 28;
constexpr long double PowersOfTen[ExactPowers] = {
    1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,  1e10L, 1e11L, 1e12L, 1e13L,
    1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L, 1e20L, 1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L,
};
constexpr double SmallPowersOfTen[] = {1e0, 1e1, 1e2, 1e3};

bool IsDigitUnit(char16_t ch) { return ch >= u'0' && ch <= u'9'; }

// The UTF-16 units of a text in memory, or of a text stored in UTF-16LE bytes.
struct Units
{
    const char16_t *Data;
    qsizetype Size;
    char16_t operator[](qsizetype i) const { return Data[i]; }
};
struct LittleEndianUnits
{
    const char *Data;
    qsizetype Size;
    char16_t operator[](qsizetype i) const { return qFromLittleEndian<quint16>(Data + 2 * i); }
};

// The amounts met in practice: at most 19 digits and a power of ten that extended
// precision holds exactly. Then one correctly rounded multiplication or division of two
// exact numbers gives the very value that reading the whole text in extended precision
// gives, and the same double after it. false: the long way decides, also whether the
// text is an amount at all. (No optional here: its copies cost more than the parse.)
template <typename Text>
bool QuickAmount(const Text &text, double &amount)
{
    constexpr qsizetype MaxDigits = 19; // below 2^64
    const qsizetype n = text.Size;
    qsizetype i = 0;
    while (i < n && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';

    // More than 19 digits wrap around, and are then not used.
    quint64 mantissa = 0;
    const qsizetype integerStart = i;
    for (char16_t ch; i < n && IsDigitUnit(ch = text[i]); ++i)
        mantissa = mantissa * 10 + (ch - u'0');
    qsizetype digits = i - integerStart;
    qsizetype fractionDigits = 0;
    if (i < n && text[i] == u'.') {
        const qsizetype fractionStart = ++i;
        for (char16_t ch; i < n && IsDigitUnit(ch = text[i]); ++i)
            mantissa = mantissa * 10 + (ch - u'0');
        fractionDigits = i - fractionStart;
        digits += fractionDigits;
    }
    if (digits == 0 || digits > MaxDigits)
        return false;

    int exponent = 0;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < n && (text[i] == u'+' || text[i] == u'-'))
            negativeExponent = text[i++] == u'-';
        const qsizetype exponentStart = i;
        for (char16_t ch; i < n && i - exponentStart < 4 && IsDigitUnit(ch = text[i]); ++i)
            exponent = exponent * 10 + (ch - u'0');
        if (i == exponentStart || (i < n && IsDigitUnit(text[i])))
            return false;
        if (negativeExponent)
            exponent = -exponent;
    }
    if (i != n)
        return false;

    const qint64 scale = exponent - fractionDigits;
    double value;
    if (scale <= 0 && scale > -qint64(std::size(SmallPowersOfTen)) && mantissa < (quint64(1) << 53)) {
        // Up to three decimals of an integer that double holds. A quotient m / 10^k that
        // is not itself a midpoint between two doubles lies at least 2^-53 * 2^E / 10^k
        // from one (2^E its binade), more than half a unit of extended precision (2^-64 *
        // 2^E) while 10^k < 2^11. So it cannot round onto a midpoint in extended precision,
        // and rounding once to double gives what rounding twice does.
        value = static_cast<double>(mantissa) / SmallPowersOfTen[-scale];
    } else if (scale > -ExactPowers && scale < ExactPowers) {
        const long double exact = static_cast<long double>(mantissa);
        value = static_cast<double>(scale >= 0 ? exact * PowersOfTen[scale] : exact / PowersOfTen[-scale]);
    } else {
        return false;
    }
    amount = negative ? -value : value;
    return true;
}

template <typename Accept>
QString SumOf(const BookingList &list, Accept accept)
{
    double sum = 0.0;
    for (const ListRow &row : list.Rows()) {
        if (!accept(row))
            continue;
        const QString amount = row.SubItem(0);
        if (!amount.isEmpty())
            sum += ParseAmount(amount);
    }
    return FormatAmount(sum);
}

} // namespace

bool CheckAmountText(QStringView text)
{
    qsizetype separators = 0;
    for (const QChar ch : text) {
        if (IsDecimalSeparator(ch))
            ++separators;
    }
    return separators <= 1;
}

QString AmountTextMessage()
{
    return QStringLiteral("Der Buchungsbetrag wurde nicht korrekt eingegeben!\n"
                          "Es darf nur ein Punkt gesetzt werden.\n"
                          "\n"
                          "Richtig: \"1999.99\"        Falsch: \"1.999.99\"\n"
                          "\n"
                          "Bitte korrigieren Sie die Eingabe!");
}

bool CheckAmountCharacters(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar ch) { return IsDigit(ch) || IsDecimalSeparator(ch); });
}

QString AmountCharactersMessage(const QString &text)
{
    return QStringLiteral("Der Buchungsbetrag \"%1\" wurde nicht korrekt eingegeben!\n"
                          "Er darf nur aus Ziffern und einem Punkt bestehen.\n"
                          "\n"
                          "Richtig: \"1999.99\"        Falsch: \"1999.99 €\"\n"
                          "\n"
                          "Bitte korrigieren Sie die Eingabe!")
        .arg(text);
}

QString NormalizeAmountText(QString text)
{
    if (!text.contains(u'.') && !text.contains(u','))
        text.append(QStringLiteral(".00"));
    if (IsDecimalSeparator(text.front()))
        text.prepend(u'0');
    if (IsDecimalSeparator(text.back()))
        text.append(QStringLiteral("00"));
    return text;
}

std::optional<QChar> FilterAmountKey(QChar ch)
{
    if (ch == u',')
        return QChar(u'.');
    if (ch == u'\b' || ch == u'.' || IsDigit(ch))
        return ch;
    return std::nullopt;
}

QString FilterAmountText(QStringView text)
{
    QString kept;
    for (const QChar ch : text) {
        if (const std::optional<QChar> passed = FilterAmountKey(ch); passed && *passed != u'\b')
            kept.append(*passed);
    }
    return kept;
}

QString FormatAmount(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");

    // d.ddddddddddddddddde±x: 18 significant digits.
    char text[48];
    const char *const textBegin = text;
    const char *const textEnd =
        std::to_chars(text, text + sizeof text, std::fabs(value), std::chars_format::scientific, 17).ptr;
    const char *const e = std::find(textBegin, textEnd, 'e');
    constexpr int DigitCount = 18;
    char digits[DigitCount];
    digits[0] = text[0];
    std::copy(textBegin + 2, e, digits + 1);
    int exponent = 0;
    const char *exponentText = e + 1;
    if (*exponentText == '+')
        ++exponentText;
    std::from_chars(exponentText, textEnd, exponent);

    // Keep the digits up to the second decimal; the first dropped digit rounds. One place
    // in front for a carry out of the first digit, at least three digits in the end.
    constexpr int MaxKept = 308 + 3;
    char buffer[1 + MaxKept + 3];
    char *const kept = buffer + 1;
    const int keep = exponent + 3;
    int keptSize = 0;
    if (keep > 0) {
        keptSize = keep;
        const int copied = std::min(keep, DigitCount);
        std::copy(digits, digits + copied, kept);
        std::fill(kept + copied, kept + keep, '0');
    }
    char *first = kept;
    if (keep >= 0 && keep < DigitCount && digits[keep] >= '5') {
        int i = keptSize - 1;
        while (i >= 0 && kept[i] == '9')
            kept[i--] = '0';
        if (i >= 0) {
            ++kept[i];
        } else {
            *--first = '1';
            ++keptSize;
        }
    }
    if (keptSize < 3) {
        const int pad = 3 - keptSize;
        std::copy_backward(first, first + keptSize, first + keptSize + pad);
        std::fill(first, first + pad, '0');
        keptSize = 3;
    }

    const bool zero = std::all_of(first, first + keptSize, [](char c) { return c == '0'; });
    char out[MaxKept + 4];
    char *o = out;
    if (value < 0 && !zero)
        *o++ = '-';
    o = std::copy(first, first + keptSize - 2, o);
    *o++ = '.';
    o = std::copy(first + keptSize - 2, first + keptSize, o);
    return QString::fromLatin1(out, o - out);
}

bool ParseAmountQuickly(QStringView text, double &amount)
{
    return QuickAmount(Units{text.utf16(), text.size()}, amount);
}

bool ParseStoredAmountQuickly(QByteArrayView utf16le, double &amount)
{
    return QuickAmount(LittleEndianUnits{utf16le.data(), utf16le.size() / 2}, amount);
}

std::optional<double> TryParseAmount(QStringView text)
{
    if (double quick; ParseAmountQuickly(text, quick))
        return quick;
    return TryParseAmountExtended(text);
}

std::optional<double> TryParseAmountExtended(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == u' ')
        ++i;

    std::string number;
    number.reserve(n - i);
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-')
            number += '-';
        ++i;
    }
    qsizetype digits = 0;
    while (i < n && IsDigit(text[i])) {
        number += char(text[i++].unicode());
        ++digits;
    }
    if (i < n && text[i] == u'.') {
        number += '.';
        ++i;
        while (i < n && IsDigit(text[i])) {
            number += char(text[i++].unicode());
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        number += 'e';
        ++i;
        if (i < n && (text[i] == u'+' || text[i] == u'-'))
            number += char(text[i++].unicode());
        qsizetype exponentDigits = 0;
        while (i < n && IsDigit(text[i])) {
            number += char(text[i++].unicode());
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != n)
        return std::nullopt;

    // Computed in extended precision, then taken as a double.
    long double extended = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), extended);
    if (ec != std::errc() || end != number.data() + number.size())
        return std::nullopt;
    const double value = static_cast<double>(extended);
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

double ParseAmount(QStringView text)
{
    if (double quick; ParseAmountQuickly(text, quick))
        return quick;
    return TryParseAmountExtended(text).value_or(0.0);
}

QString ListSum(const BookingList &list)
{
    return SumOf(list, [](const ListRow &) { return true; });
}

QString RegularIncomeSum(const BookingList &regular)
{
    const QString kind = IncomeKind();
    return SumOf(regular, [&kind](const ListRow &row) { return row.SubItem(3) == kind; });
}

QString RegularExpenseSum(const BookingList &regular)
{
    const QString kind = ExpenseKind();
    return SumOf(regular, [&kind](const ListRow &row) { return row.SubItem(3) == kind; });
}

QString MoneyLabel(const QString &amount, const Regional &regional)
{
    return amount + u' ' + regional.CurrencySymbol();
}

QString IncomeKind()
{
    return QStringLiteral("Einnahme");
}

QString ExpenseKind()
{
    return QStringLiteral("Ausgabe");
}

const QStringList &MonthNames()
{
    static const QStringList names = {
        QStringLiteral("Januar"),  QStringLiteral("Februar"),   QStringLiteral("März"),
        QStringLiteral("April"),   QStringLiteral("Mai"),       QStringLiteral("Juni"),
        QStringLiteral("Juli"),    QStringLiteral("August"),    QStringLiteral("September"),
        QStringLiteral("Oktober"), QStringLiteral("November"),  QStringLiteral("Dezember"),
    };
    return names;
}

QString MonthNumber(const QString &monthWord, const Regional &regional)
{
    const QStringList &names = MonthNames();
    // A name as written (as every book the program makes has it) needs no upper-casing:
    // the month names differ in upper case too.
    const auto number = [](qsizetype index) {
        const QChar digits[] = {QChar(char16_t(u'0' + (index + 1) / 10)), QChar(char16_t(u'0' + (index + 1) % 10))};
        return QString(digits, 2);
    };
    if (const qsizetype exact = names.indexOf(monthWord); exact >= 0)
        return number(exact);
    const QString upper = regional.UpperCase(monthWord);
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (upper == regional.UpperCase(names.at(i)))
            return number(i);
    }
    return {};
}

QString BookMonthWord(const QString &bookName)
{
    return bookName.left(std::max<qsizetype>(0, bookName.size() - 5));
}

QString BookYear(const QString &bookName)
{
    return bookName.right(4);
}

QString BookKey(const QString &bookName, const Regional &regional)
{
    return BookYear(bookName) + MonthNumber(BookMonthWord(bookName), regional);
}

QString DuplicateBookMessage(const QString &bookName)
{
    return QStringLiteral("Das Haushaltsbuch \"%1\" existiert bereits!").arg(bookName);
}

QString DeleteBookQuestion(const QString &bookName)
{
    return QStringLiteral("Soll das Haushaltsbuch \"%1\" entfernt werden?").arg(bookName);
}

int ExpandTwoDigitYear(int twoDigits)
{
    return twoDigits < 50 ? 2000 + twoDigits : 1900 + twoDigits;
}

QDate ReadTypedDate(QStringView text, QDate reference)
{
    const QStringView typed = text.trimmed();
    QList<QStringView> parts;
    bool digitsOnly = true;
    for (const QChar ch : typed) {
        if (ch == u'.')
            digitsOnly = false;
        else if (!IsDigit(ch))
            return {};
    }
    if (digitsOnly) {
        // Two digits each for day and month, then the year: 15, 1510, 151026, 15102026.
        const qsizetype n = typed.size();
        if (n != 1 && n != 2 && n != 4 && n != 6 && n != 8)
            return {};
        const qsizetype day = std::min<qsizetype>(n, 2);
        parts.append(typed.first(day));
        if (n >= 4)
            parts.append(typed.sliced(2, 2));
        if (n >= 6)
            parts.append(typed.sliced(4));
    } else {
        parts = typed.split(u'.');
        // One point may end the text: "15." and "15.10." leave the rest to the reference.
        if (parts.size() >= 2 && parts.size() <= 3 && parts.constLast().isEmpty())
            parts.removeLast();
        if (parts.size() > 3)
            return {};
    }
    if (parts.size() < 3 && !reference.isValid())
        return {};

    const auto number = [](QStringView part, qsizetype minDigits, qsizetype maxDigits) {
        return part.size() >= minDigits && part.size() <= maxDigits ? part.toInt() : -1;
    };
    const int day = number(parts.at(0), 1, 2);
    const int month = parts.size() >= 2 ? number(parts.at(1), 1, 2) : reference.month();
    int year = reference.isValid() ? reference.year() : 0;
    if (parts.size() == 3) {
        const QStringView y = parts.at(2);
        if (y.size() == 2)
            year = ExpandTwoDigitYear(y.toInt());
        else if (y.size() == 4)
            year = y.toInt();
        else
            return {};
    }
    // QDate knows no year 0 and would take 0 as "no year".
    if (day < 1 || month < 1 || year < 1)
        return {};
    return QDate(year, month, day);
}

QString DateTextMessage(const QString &typed)
{
    return QStringLiteral("Die Angabe \"%1\" unter Datum ist kein gültiges Datum!\n"
                          "Bitte geben Sie Tag, Monat und Jahr mit Punkten ein.\n"
                          "\n"
                          "Beispiel: \"15.10.2026\" oder \"15.10.26\"")
        .arg(typed);
}

QString CompleteDayText(QString day)
{
    if (day.isEmpty() || day.back() != u'.')
        day.append(u'.');
    if (day.size() < 3)
        day.prepend(u'0');
    return day;
}

bool CheckDayText(const QString &day, const Regional &regional)
{
    return regional.ParseDate(day + QStringLiteral("01.2008")).isValid();
}

QString DayTextMessage(const QString &day)
{
    return QStringLiteral("Die Angabe \"%1\" unter Tag entspricht nicht dem geforderten Format\n"
                          "oder ist kein gültiger Datumswert! Bitte korrigieren Sie Ihre Eingabe.\n"
                          "\n"
                          "Beispiel: \"01.\" oder \"25.\"\n"
                          "Vergessen Sie bitte nicht den abschließenden Punkt!")
        .arg(day);
}

QString CapitalizeFirst(QString text)
{
    if (!text.isEmpty() && text.front() >= u'a' && text.front() <= u'z')
        text[0] = QChar(text.front().unicode() - u'a' + u'A');
    return text;
}
