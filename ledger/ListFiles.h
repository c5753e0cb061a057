#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class BookingList;

// The list files of the data folder: a month book (two list records, income then
// expenses) and Regular.dat (one record). Reading takes the whole file and parses it
// from memory; writing goes to a temporary file in the same folder that replaces the
// old file only once it is complete.
namespace ListFiles {

QString IncomeObjectName();  // "ListViewIncome"
QString ExpendObjectName();  // "ListViewExpend"
QString RegularObjectName(); // "ListViewRegular"

QByteArray MonthBookBytes(const BookingList &income, const BookingList &expend);
QByteArray RegularBytes(const BookingList &regular);

// Parse errors throw QelError; rows read before the error stay in the lists.
void ParseMonthBook(QByteArrayView data, BookingList &income, BookingList &expend);
void ParseRegular(QByteArrayView data, BookingList &regular);

// "Datei %s kann nicht geöffnet werden. %s" when the file cannot be read.
QByteArray ReadFile(const QString &path);
// "Datei "%s" kann nicht erstellt werden. %s" or "Stream-Schreibfehler"; the old file
// stays as it was on any failure.
void WriteFile(const QString &path, const QByteArray &bytes);

// The system's reason for an errno value, in German.
QString SystemReason(int errorNumber);

} // namespace ListFiles
