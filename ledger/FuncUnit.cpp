#include "ledger/FuncUnit.h"

#include "ledger/BookingList.h"
#include "ledger/Regional.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace {

bool IsDecimalSeparator(QChar ch) { return ch == u'.' || ch == u','; }
bool IsDigit(QChar ch) { return ch >= u'0' && ch <= u'9'; }

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
    char buf[48];
    const auto result = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 17);
    const std::string text(buf, result.ptr);
    const std::size_t e = text.find('e');
    std::string digits = text.substr(0, 1) + text.substr(2, e - 2);
    const int exponent = std::stoi(text.substr(e + 1));

    // Keep the digits up to the second decimal; the first dropped digit rounds.
    const int keep = exponent + 3;
    std::string kept;
    if (keep > 0) {
        kept = digits.substr(0, std::min<std::size_t>(keep, digits.size()));
        kept.resize(keep, '0');
    }
    const bool roundUp = keep >= 0 && keep < int(digits.size()) && digits[keep] >= '5';
    if (roundUp) {
        int i = int(kept.size()) - 1;
        while (i >= 0 && kept[i] == '9')
            kept[i--] = '0';
        if (i >= 0)
            ++kept[i];
        else
            kept.insert(kept.begin(), '1');
    }
    if (kept.size() < 3)
        kept.insert(kept.begin(), 3 - kept.size(), '0');

    const bool zero = kept.find_first_not_of('0') == std::string::npos;
    std::string out;
    if (value < 0 && !zero)
        out += '-';
    out += kept.substr(0, kept.size() - 2);
    out += '.';
    out += kept.substr(kept.size() - 2);
    return QString::fromLatin1(out);
}

std::optional<double> TryParseAmount(QStringView text)
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
    return TryParseAmount(text).value_or(0.0);
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
    const QString upper = regional.UpperCase(monthWord);
    const QStringList &names = MonthNames();
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (upper == regional.UpperCase(names.at(i)))
            return QStringLiteral("%1").arg(i + 1, 2, 10, QChar(u'0'));
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
