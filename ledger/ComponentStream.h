#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>
#include <vector>

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

// Records that differ from one read before only in their rows, as the books of a folder do:
// their presentation, columns and end repeat. A record whose bytes before and after its one
// row block equal those of a record read here before is read as that one was, and only its
// rows are summed; any other is read whole (SumListRecord) and remembered. The same results
// and errors as SumListRecord, for records of any kind.
class KnownRecords
{
public:
    qsizetype Sum(QByteArrayView data, qsizetype offset, double &amountSum);
    // Two records one after the other from the start of data, as two calls of Sum read them;
    // the rows of two known records are walked side by side.
    qsizetype SumTwo(QByteArrayView data, double &firstSum, double &secondSum);

private:
    struct Match
    {
        QByteArrayView Rows; // the row block, after its length field
        qsizetype End;       // where the record ends
    };
    std::optional<Match> Find(QByteArrayView data, qsizetype offset) const;

    static constexpr std::size_t MaxKnown = 4;
    struct Known
    {
        QByteArray Head; // up to the row block's length field
        QByteArray Tail; // after the rows to the record's end
    };
    std::vector<Known> Known_;
};

// The size field S of a row block for the list's rows.
quint32 RowBlockSizeField(const BookingList &list);

} // namespace ComponentStream
