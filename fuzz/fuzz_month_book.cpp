// Month book and Regular.dat files from outside bytes. A month book that reads must also
// survive a save: two records back to back, the second found after the first. The book
// scan's way of reading only the sums takes and refuses the same files, with the same
// message and the same sums, also when it knows records like the book's from books before.

#include "FuzzCommon.h"

#include "ledger/BookingList.h"
#include "ledger/ComponentStream.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

namespace {

// Knows the records the writer makes for a book of one income and one expense row, as a scan
// knows them from the books before; books of that form have their two lists walked side by side.
const ComponentStream::KnownRecords &PrimedRecords()
{
    static const ComponentStream::KnownRecords primed = [] {
        BookingList income(ListKind::Income);
        income.AddRow(ListRow::Make(QStringLiteral("01.03.2008"), {QStringLiteral("12.50"), QStringLiteral("Lohn")}));
        BookingList expend(ListKind::Expend);
        expend.AddRow(ListRow::Make(QStringLiteral("02.03.2008"), {QStringLiteral("3.20"), QStringLiteral("Brot")}));
        ComponentStream::KnownRecords known;
        ListFiles::SumMonthBook(ListFiles::MonthBookBytes(income, expend), known);
        return known;
    }();
    return primed;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes = fuzz::Bytes(data, size);

    BookingList income(ListKind::Income);
    BookingList expend(ListKind::Expend);
    bool bookRead = true;
    QString bookError;
    try {
        ListFiles::ParseMonthBook(bytes, income, expend);
    } catch (const QelError &e) {
        bookRead = false;
        bookError = e.Message();
    }
    ListFiles::MonthBookSums sums;
    QString sumError;
    try {
        sums = ListFiles::SumMonthBook(bytes);
    } catch (const QelError &e) {
        sumError = e.Message();
    }
    if (sumError != bookError)
        fuzz::Fail("the scan's sums read differently:", bookError + QStringLiteral(" / ") + sumError);
    if (bookRead) {
        fuzz::ExpectSameSum(sums.Income, income, "income sum differs:");
        fuzz::ExpectSameSum(sums.Expend, expend, "expense sum differs:");
    }
    ComponentStream::KnownRecords known = PrimedRecords();
    ListFiles::MonthBookSums knownSums;
    QString knownError;
    try {
        knownSums = ListFiles::SumMonthBook(bytes, known);
    } catch (const QelError &e) {
        knownError = e.Message();
    }
    if (knownError != bookError)
        fuzz::Fail("the scan's sums of known records read differently:", bookError + QStringLiteral(" / ") + knownError);
    if (bookRead) {
        fuzz::ExpectSameSum(knownSums.Income, income, "income sum of known records differs:");
        fuzz::ExpectSameSum(knownSums.Expend, expend, "expense sum of known records differs:");
    }
    if (bookRead) {
        const QByteArray saved = ListFiles::MonthBookBytes(income, expend);
        BookingList income2(ListKind::Income);
        BookingList expend2(ListKind::Expend);
        try {
            ListFiles::ParseMonthBook(saved, income2, expend2);
        } catch (const QelError &e) {
            fuzz::Fail("saved month book does not read back:", e.Message());
        }
        fuzz::ExpectSameList(income, income2, "income differs after save:");
        fuzz::ExpectSameList(expend, expend2, "expenses differ after save:");
    }

    BookingList regular(ListKind::Regular);
    try {
        ListFiles::ParseRegular(bytes, regular);
    } catch (const QelError &) {
    }
    return 0;
}
