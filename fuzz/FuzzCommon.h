#pragma once

#include "ledger/BookingList.h"
#include "ledger/FuncUnit.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fuzz {

inline QByteArrayView Bytes(const uint8_t *data, size_t size)
{
    return QByteArrayView(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
}

// A broken property: say which, then abort so that libFuzzer keeps the input.
[[noreturn]] inline void Fail(const char *what, const QString &detail = QString())
{
    std::fprintf(stderr, "fuzz property broken: %s %s\n", what, qUtf8Printable(detail));
    std::fflush(stderr);
    std::abort();
}

// Rows compared as the program sees them: a missing sub-item image counts as -1, so a
// row read from the older block without images equals the same row written back.
inline bool SameRow(const ListRow &a, const ListRow &b)
{
    if (a.Caption != b.Caption || a.SubItems != b.SubItems || a.ImageIndex != b.ImageIndex
        || a.StateIndex != b.StateIndex || a.OverlayIndex != b.OverlayIndex || a.Data != b.Data)
        return false;
    for (int i = 0; i < a.SubItems.size(); ++i) {
        if (a.SubItemImage(i) != b.SubItemImage(i))
            return false;
    }
    return true;
}

inline void ExpectSameList(const BookingList &before, const BookingList &after, const char *what)
{
    if (before.RowCount() != after.RowCount())
        Fail(what, QStringLiteral("row count %1 became %2").arg(before.RowCount()).arg(after.RowCount()));
    for (qsizetype r = 0; r < before.RowCount(); ++r) {
        if (!SameRow(before.Row(r), after.Row(r)))
            Fail(what, QStringLiteral("row %1 (caption \"%2\" became \"%3\")")
                           .arg(r)
                           .arg(before.Row(r).Caption, after.Row(r).Caption));
    }
    if (before.Columns() != after.Columns())
        Fail(what, QStringLiteral("columns differ (%1 became %2)")
                       .arg(before.Columns().size())
                       .arg(after.Columns().size()));
}

// ListSum's sum before it is formatted: what the book scan adds up while it reads.
inline double AmountSum(const BookingList &list)
{
    double sum = 0.0;
    for (const ListRow &row : list.Rows()) {
        if (!row.SubItem(0).isEmpty())
            sum += ParseAmount(row.SubItem(0));
    }
    return sum;
}

inline bool SameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The scan's sum of a list must be the list's own, to the last bit.
inline void ExpectSameSum(double scanned, const BookingList &list, const char *what)
{
    if (!SameBits(scanned, AmountSum(list)))
        Fail(what, QStringLiteral("%1 != %2").arg(scanned, 0, 'g', 17).arg(AmountSum(list), 0, 'g', 17));
}

} // namespace fuzz
