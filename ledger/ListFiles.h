#pragma once

#include "ledger/ComponentStream.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

class BookingList;

// The list files of the data folder: a month book (two list records, income then
// expenses) and Regular.dat (one record). Reading takes the whole file and parses it
// from memory; writing goes to a temporary file in the same folder that replaces the
// old file only once every byte of it is on the disk.
namespace ListFiles {

QString IncomeObjectName();  // "ListViewIncome"
QString ExpendObjectName();  // "ListViewExpend"
QString RegularObjectName(); // "ListViewRegular"

QByteArray MonthBookBytes(const BookingList &income, const BookingList &expend);
QByteArray RegularBytes(const BookingList &regular);

// Parse errors throw QelError; rows read before the error stay in the lists.
void ParseMonthBook(QByteArrayView data, BookingList &income, BookingList &expend);
void ParseRegular(QByteArrayView data, BookingList &regular);

// A month book read only for the sums of its two lists (ComponentStream::SumListRecord):
// the same errors as ParseMonthBook, no rows made.
struct MonthBookSums
{
    double Income = 0.0;
    double Expend = 0.0;
};
MonthBookSums SumMonthBook(QByteArrayView data);
// The same, with records read before remembered in known (see ComponentStream::KnownRecords).
MonthBookSums SumMonthBook(QByteArrayView data, ComponentStream::KnownRecords &known);

// "Datei %s kann nicht geöffnet werden. %s" when the file cannot be read.
QByteArray ReadFile(const QString &path);
// The same, with the file's time of last change as read (whole seconds since 1970, UTC),
// when the system tells it.
QByteArray ReadFile(const QString &path, std::optional<qint64> &modifiedSecs);
// "Datei "%s" kann nicht erstellt werden. %s" when the temporary file cannot be made,
// "Stream-Schreibfehler: ..." naming the file and the reason when writing, syncing or
// replacing fails. The old file stays as it was on any failure.
void WriteFile(const QString &path, QByteArrayView bytes);

// The parts of WriteFile, for changes of several files that must be made together: the file
// a path names (a link's target for a link), a hidden temporary name beside it, and a new file
// written and put on the disk. WriteNewFile throws QelError as WriteFile does and leaves
// nothing behind on failure; mode: the permissions to take, or -1; addedReason ends a write
// error's message. FileMode: a file's
// permissions, -1 when there is none.
QString ResolvedTarget(const QString &path);
QString TemporaryNameFor(const QString &fileName);
void WriteNewFile(const QByteArray &file, QByteArrayView bytes, const QString &shownPath, int mode,
                  const QString &addedReason = {});
int FileMode(const QByteArray &file);

// The temporary files of WriteFile are hidden and carry a suffix of their own
// (".Mai 2008.qel.a1B2c3.tmp"), so the book scan and the backup never take them. A save
// killed before its rename leaves one behind; RemoveLeftovers deletes those of a folder
// and returns how many. Call it only while no save runs (under the instance lock).
bool IsLeftoverName(const QString &fileName);
int RemoveLeftovers(const QString &folder);
// The same for a folder that only the program fills (its program data folder, the journals):
// every hidden ".NAME.XXXXXX.tmp" there is a leftover.
int RemoveOwnLeftovers(const QString &folder);

// Makes a folder's entries (renames, new and removed names) durable.
void SyncFolder(const QByteArray &folder);

// Month book files whose names the system cannot read as UTF-8 (e.g. "M\xE4rz 2008.qel"
// from an old archive): the names as they read in Windows-1252, sorted. Directory
// listings skip such files, so they are looked for byte by byte.
QStringList UndecodableBookFiles(const QString &folder);
QString UndecodableNameMessage(const QString &win1252Name);

// The system's reason for an errno value, in German.
QString SystemReason(int errorNumber);

} // namespace ListFiles
