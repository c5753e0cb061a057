#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QStringView>

#include <optional>
#include <utility>

// Text rules shared by the statement readers: how the banks' files are encoded, how they
// write amounts and dates, the limits a statement must keep, and the German error texts
// that name the file and line.
namespace StatementText {

// 999.999.999,99 €: anything larger is not a household's booking but a misread field.
constexpr qint64 MaxAmountCents = 99'999'999'999;
// A year of statements is well below 5 MB even as CAMT; 32 MiB leaves room for ten
// thousand rows in the wordiest format and stops a wrong file before it is read.
constexpr qint64 MaxFileBytes = 32 * 1024 * 1024;
// More rows than anybody books in years; such a file is refused, not half read.
constexpr int MaxRows = 100'000;

enum class Encoding { Utf8, Utf8WithBom, Utf16, Windows1252 };

// UTF-8 with or without BOM, UTF-16 with BOM; anything that is not valid UTF-8 is read as
// Windows-1252, which covers the printable ISO-8859-1 characters the banks use.
QString Decode(QByteArrayView bytes, Encoding *encoding = nullptr);

// NUL bytes or control characters that no text statement holds (tab, CR, LF, form feed
// and the DOS end-of-file mark are fine).
bool LooksBinary(QByteArrayView bytes);

struct Amount
{
    qint64 Cents = 0;      // signed
    bool TooLarge = false; // beyond MaxAmountCents; Cents is then meaningless
};

// An amount as the banks write it: optional sign in front ("-", "+") or a trailing "-",
// digits with thousands separators, up to two decimals (more are rounded half away from
// zero), an optional currency after it ("EUR", "€"). With a decimal comma "." separates
// thousands in groups of three ("1.000,0", "-1.450", "-62,3"); with a decimal point ","
// does. nullopt when the text is no amount.
std::optional<Amount> ParseAmount(QStringView text, QChar decimalSeparator);

struct DateResult
{
    QDate Date;             // valid when the text is a date
    bool LooksLike = false; // digits in a date's shape, whether or not the day exists
};

// "dd.MM.yyyy", "d.M.yyyy", "dd.MM.yy" (two-digit years are 2000 to 2069, else 19xx),
// "yyyy-MM-dd" with or without a time after it. "31.02.2024" looks like a date but has
// none.
DateResult ParseDate(QStringView text);

// How a date with slashes is written: "14/3/19" (day first) or "3/14/19" (month first, as
// some apps export).
enum class DateOrder { DayFirst, MonthFirst };

// ParseDate, and dates with slashes in the order given ("3/14/19", "03/14/2019").
DateResult ParseDate(QStringView text, DateOrder slashOrder);

// The first two numbers of a date written with slashes, for telling its order from a whole
// column; {0, 0} for any other text.
std::pair<int, int> SlashDateNumbers(QStringView text);

// What a column's dates with slashes tell of their order, from how many there are and how
// many have their first or their second number over 12: none there, the one order, both
// orders (Mixed), or no number over 12 to tell by (Open).
enum class SlashOrder { NoSlashes, DayFirst, MonthFirst, Mixed, Open };
SlashOrder JudgeSlashOrder(int slashDates, int firstOver12, int secondOver12);

// The last day of the month where the day does not exist ("30.02." on a 30-day calendar
// some banks close their periods with); invalid when year or month are impossible.
QDate ClampedDate(int year, int month, int day);

// A two-digit year as the statements mean it.
int FullYear(int twoDigitYear);

// Blanks, tabs and line breaks collapsed into one blank; the ends trimmed.
QString Simplified(QStringView text);

// "1.234,56 €" for messages.
QString AmountForMessage(qint64 cents);

// The one error of the readers: "Kontoauszug "name", Zeile n: text" (without the line
// when it is 0).
[[noreturn]] void Fail(const QString &fileName, int line, const QString &text);

QString ImpossibleDateText(QStringView date);
QString AmountTooLargeText(QStringView amount);
QString NoAmountText(QStringView amount);
QString TooManyRowsText();

} // namespace StatementText
