// Month book and Regular.dat files from outside bytes. A month book that reads must also
// survive a save: two records back to back, the second found after the first. The book
// scan's way of reading only the sums takes and refuses the same files, with the same
// message and the same sums.

#include "FuzzCommon.h"

#include "ledger/BookingList.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

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
