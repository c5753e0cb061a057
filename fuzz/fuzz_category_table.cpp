// Entrys.dat from outside bytes: any record is taken over byte for byte, and no name
// read from it may run past its 30 characters into the next slot.

#include "FuzzCommon.h"

#include "ledger/CategoryTable.h"
#include "ledger/QelError.h"

#include <algorithm>
#include <cstring>

namespace {

void ExpectShortName(const QString &name, const char *which, int a, int b = -1)
{
    if (name.size() > CategoryTable::MaxNameLength)
        fuzz::Fail("category name longer than 30 characters:",
                   QStringLiteral("%1 %2/%3 has %4").arg(QLatin1StringView(which)).arg(a).arg(b).arg(name.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    CategoryTable table;
    bool whole = true;
    try {
        table.LoadRecord(fuzz::Bytes(data, size), QStringLiteral("Entrys.dat"));
    } catch (const QelError &) {
        if (size >= size_t(CategoryTable::RecordSize))
            fuzz::Fail("a full record was refused");
        whole = false;
    }
    if (whole && size < size_t(CategoryTable::RecordSize))
        fuzz::Fail("a short record was accepted");

    // A short record keeps the names it holds whole; the rest of the table is empty.
    const size_t kept = whole ? size_t(CategoryTable::RecordSize) : size - size % CategoryTable::NameSize;
    const QByteArray record = table.Record();
    if (record.size() != CategoryTable::RecordSize || std::memcmp(record.constData(), data, kept) != 0
        || !std::all_of(record.cbegin() + kept, record.cend(), [](char b) { return b == 0; }))
        fuzz::Fail("the record was not taken over byte for byte");

    for (int i = 0; i < CategoryTable::IncomeCount; ++i)
        ExpectShortName(table.IncomeName(i), "income", i);
    for (int g = 0; g < CategoryTable::GroupCount; ++g) {
        ExpectShortName(table.GroupName(g), "group", g);
        for (int k = 0; k < CategoryTable::SubCategoryCount; ++k)
            ExpectShortName(table.SubCategory(g, k), "sub-category", g, k);
    }
    return 0;
}
