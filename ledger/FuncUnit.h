#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

class BookingList;
class Regional;

// Shared routines of the ledger: amount text and list sums, month names and book keys,
// the day text of regular bookings, and the small text helpers of the dialogs.
// All of them are pure; the warnings that the dialogs show come from the window.

// ---- amount text: digits with "." as the one decimal point, e.g. 1999.99

// The entry dialogs accept a typed amount with at most one "." or ",".
bool CheckAmountText(QStringView text);
// The information message shown when CheckAmountText refuses.
QString AmountTextMessage();
// True when the text holds nothing but digits, "." and ",", as the amount field lets through.
bool CheckAmountCharacters(QStringView text);
// The information message shown when CheckAmountCharacters refuses.
QString AmountCharactersMessage(const QString &text);
// Completes an accepted amount: 12 -> 12.00, ,5 -> 0,5, 12. -> 12.00, "" -> 0.00.
QString NormalizeAmountText(QString text);
// The amount field's key filter: a comma becomes a dot; digits, the dot and backspace
// pass; every other character is dropped (nullopt).
std::optional<QChar> FilterAmountKey(QChar ch);
// The same filter over a text that arrives whole (several characters of one key, text
// committed by an input method): kept characters in order, backspace dropped.
QString FilterAmountText(QStringView text);

// Two decimals, halves away from zero, from an 18-digit decimal expansion; "." always.
QString FormatAmount(double value);
// Blanks, optional sign, digits with an optional "." part, optional exponent; nothing
// after. nullopt for anything else (and for values beyond double).
std::optional<double> TryParseAmount(QStringView text);
// The common amounts at their quickest: true with the value that TryParseAmount gives, or
// false when only TryParseAmount can tell (also whether the text is an amount at all).
bool ParseAmountQuickly(QStringView text, double &amount);
// The same for a text as the list files store it, in UTF-16LE bytes. Only ASCII texts
// pass, which are their own 8-bit form.
bool ParseStoredAmountQuickly(QByteArrayView utf16le, double &amount);
// TryParseAmount the long way: the whole number read in extended precision, then taken as
// a double. TryParseAmount gives the same for every text, mostly without this detour.
std::optional<double> TryParseAmountExtended(QStringView text);
// As TryParseAmount; a text outside the grammar counts as 0, so sums never fail.
double ParseAmount(QStringView text);

// Sum of sub-item 0 over all rows, as amount text.
QString ListSum(const BookingList &list);
// The same over the regular rows of kind "Einnahme" / "Ausgabe" (exact comparison).
QString RegularIncomeSum(const BookingList &regular);
QString RegularExpenseSum(const BookingList &regular);
// Amount text, one blank, the currency symbol.
QString MoneyLabel(const QString &amount, const Regional &regional);

QString IncomeKind();  // "Einnahme"
QString ExpenseKind(); // "Ausgabe"

// ---- month books

// "Januar" ... "Dezember".
const QStringList &MonthNames();
// "01" ... "12" for a German month name in any letter case, otherwise empty.
QString MonthNumber(const QString &monthWord, const Regional &regional);
// The month word of a book name (all but its last five characters) and its year (the
// last four characters).
QString BookMonthWord(const QString &bookName);
QString BookYear(const QString &bookName);
// Year followed by month number: "März 2008" -> "200803".
QString BookKey(const QString &bookName, const Regional &regional);

QString DuplicateBookMessage(const QString &bookName);
QString DeleteBookQuestion(const QString &bookName);

// ---- booking dates typed into a date field

// A year written with two digits: 00 to 49 are this century (2000-2049), 50 to 99 the
// last (1950-1999).
int ExpandTwoDigitYear(int twoDigits);
// A date as typed: day, month and year separated by points ("15.10.2026", "1.2.26"; the
// year with two or four digits), or digits alone ("15102026", "151026"). Fewer parts ("15.10",
// "15.", "1510", "15") take the rest from reference, when it is valid. Leading and trailing
// blanks are ignored. Invalid when the text is no such date ("15.10.2", "31.02.2026").
QDate ReadTypedDate(QStringView text, QDate reference = {});
// The error message for a date that cannot be read.
QString DateTextMessage(const QString &typed);

// ---- regular bookings' day text, e.g. 07.

// The regular dialog's completion: a trailing dot, then a leading zero below three
// characters (5 -> 05., 31 -> 31., . -> 0.).
QString CompleteDayText(QString day);
// True when the completed day text reads as a day of January 2008.
bool CheckDayText(const QString &day, const Regional &regional);
QString DayTextMessage(const QString &day);

// ---- dialog text helpers

// First character upper-cased by the ASCII rule only (miete -> Miete, ärger stays).
QString CapitalizeFirst(QString text);
