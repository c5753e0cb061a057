// One list record from outside bytes. What the reader accepts, the writer must write so
// that the reader accepts it again with the same rows and columns. The reader of sums alone
// takes and refuses the same bytes, ends at the same place and adds up the same amounts, also
// when it knows a record of the writer's form and reads one like it by its rows alone.

#include "FuzzCommon.h"

#include "ledger/BookingList.h"
#include "ledger/ComponentStream.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <cstring>

namespace {

// Knows the record the writer makes for an income list of one row (as the seeds are written:
// tab order 0), as a scan knows the books before; inputs of that form are read by their rows.
const ComponentStream::KnownRecords &PrimedRecords()
{
    static const ComponentStream::KnownRecords primed = [] {
        BookingList list(ListKind::Income);
        list.AddRow(ListRow::Make(QStringLiteral("01.03.2008"), {QStringLiteral("12.50"), QStringLiteral("Lohn")}));
        QByteArray record;
        ComponentStream::WriteListRecord(record, list, ListFiles::IncomeObjectName(), 0);
        ComponentStream::KnownRecords known;
        double sum = 0;
        known.Sum(record, 0, sum);
        return known;
    }();
    return primed;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    BookingList list(ListKind::Income);
    QString listError;
    qsizetype listEnd = -1;
    try {
        listEnd = ComponentStream::ReadListRecord(fuzz::Bytes(data, size), 0, list);
    } catch (const QelError &e) {
        listError = e.Message();
    }
    double sum = 0;
    QString sumError;
    qsizetype sumEnd = -1;
    try {
        sumEnd = ComponentStream::SumListRecord(fuzz::Bytes(data, size), 0, sum);
    } catch (const QelError &e) {
        sumError = e.Message();
    }
    if (sumError != listError)
        fuzz::Fail("the sum reader reads differently:", listError + QStringLiteral(" / ") + sumError);

    ComponentStream::KnownRecords known = PrimedRecords();
    double knownSum = 0;
    QString knownError;
    qsizetype knownEnd = -1;
    try {
        knownEnd = known.Sum(fuzz::Bytes(data, size), 0, knownSum);
    } catch (const QelError &e) {
        knownError = e.Message();
    }
    if (knownError != listError)
        fuzz::Fail("the known-record reader reads differently:", listError + QStringLiteral(" / ") + knownError);
    if (listError.isEmpty() && (knownEnd != listEnd || std::memcmp(&knownSum, &sum, sizeof sum) != 0))
        fuzz::Fail("the known-record reader ends elsewhere or sums differently");
    if (!listError.isEmpty())
        return 0;
    if (sumEnd != listEnd)
        fuzz::Fail("the sum reader ends elsewhere");
    fuzz::ExpectSameSum(sum, list, "sum differs:");

    QByteArray written;
    ComponentStream::WriteListRecord(written, list, ListFiles::IncomeObjectName(), list.Presentation().TabOrder);

    BookingList again(ListKind::Income);
    qsizetype end = 0;
    try {
        end = ComponentStream::ReadListRecord(written, 0, again);
    } catch (const QelError &e) {
        fuzz::Fail("written record does not read back:", e.Message());
    }
    if (end != written.size())
        fuzz::Fail("re-read stopped before the end of the written record");
    fuzz::ExpectSameList(list, again, "written record reads back different:");
    return 0;
}
