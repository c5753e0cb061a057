#pragma once

#include <QByteArray>
#include <QString>

class BookingList;

// The spreadsheet file of a booking list, in the simplest .xls form: a beginning-of-file
// record, one text cell record per cell and an end-of-file record, nothing else. Every
// cell, amounts included, is text in Windows-1252. The records are built in memory and
// written in one go, so a failed write never leaves half a table behind.
class TXLSExport
{
public:
    // A text cell holds at most this many bytes: the record's 16-bit length field counts
    // the 8 bytes before the text too. Longer texts are cut there.
    static constexpr qsizetype MaxTextBytes = 0xFFFF - 8;

    TXLSExport(); // the beginning-of-file record

    void WriteLabel(quint16 column, quint16 row, const QString &text);
    // A number cell, which a spreadsheet can add up.
    void WriteNumber(quint16 column, quint16 row, double value);

    // The end-of-file record; returns the whole file.
    QByteArray Finish();

private:
    QByteArray Bytes_;
};

// How the table's cells are written: every cell as text (the lists' exports), or the amounts
// ("-1234.50", as the sums write them) of every column but the first as numbers.
enum class XlsCells { Text, AmountsAsNumbers };

// The table of a list as the export writes it: row 0 the column captions, then one row per
// list row in list order (caption, then the sub-items of the remaining columns). Throws
// QelError when the list has more rows or columns than the file can number.
QByteArray XlsTableBytes(const BookingList &list, XlsCells cells = XlsCells::Text);

// Writes the table into the file through a temporary file in the same folder that replaces
// an existing file only when complete. Throws QelError with the German reason; the old
// file then stays as it was.
void SaveXlsFile(const QString &path, const BookingList &list, XlsCells cells = XlsCells::Text);

// The chosen file name with ".xls" appended, unless it already ends in ".xls" in any letter
// case.
QString WithXlsExtension(const QString &fileName);
