#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class BookingList;

// The binary object stream in which every booking list is stored: one self-describing
// list record per list ("TPF0", class and object name, property records, two end
// markers), the rows carried as one binary block. Month book files hold two records
// back to back, Regular.dat one.
namespace ComponentStream {

// Appends one list record for the list to out.
void WriteListRecord(QByteArray &out, const BookingList &list, const QString &objectName, int tabOrder);

// Reads the list record that starts at offset into the list and returns the offset of
// the byte after its last end marker. Every length and count is checked against the
// bytes that remain. Throws QelError with the user's message; rows read before the
// error stay in the list.
qsizetype ReadListRecord(QByteArrayView data, qsizetype offset, BookingList &list);

// Reads the same record for its amounts alone: what ListSum of the list adds up before it
// formats the sum (sub-item 0 of each row as ParseAmount reads it, empty ones left out,
// in row order). Accepts and refuses exactly what ReadListRecord does, with the same
// messages, but makes no rows: nothing is allocated per row or field.
qsizetype SumListRecord(QByteArrayView data, qsizetype offset, double &amountSum);

// The size field S of a row block for the list's rows.
quint32 RowBlockSizeField(const BookingList &list);

} // namespace ComponentStream
