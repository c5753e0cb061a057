// The history of changes in the program data folder, which a crash, a full disk or another
// program may have left in any state: whatever it holds is read or refused, and what is read
// writes back to the same bytes.

#include "FuzzCommon.h"

#include "history/UndoHistory.h"
#include "ledger/QelError.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes = fuzz::Bytes(data, size);
    QList<HistoryStep> steps;
    qsizetype position = 0;
    try {
        UndoHistory::Parse(bytes, steps, position);
    } catch (const QelError &) {
        return 0;
    }
    if (position < 0 || position > steps.size())
        fuzz::Fail("a position outside the steps:", QString::number(position));
    // Text that is not UTF-8 reads with replacement characters and so writes back otherwise;
    // what was written once must read and write back exactly.
    const QByteArray written = UndoHistory::Bytes(steps, position);
    QList<HistoryStep> again;
    qsizetype againPosition = 0;
    try {
        UndoHistory::Parse(written, again, againPosition);
    } catch (const QelError &error) {
        fuzz::Fail("the written history is refused:", error.Message());
    }
    if (again != steps || againPosition != position || UndoHistory::Bytes(again, againPosition) != written)
        fuzz::Fail("the history does not read back the same", QString());
    return 0;
}
