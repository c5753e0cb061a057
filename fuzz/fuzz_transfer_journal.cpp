// The journal of a backup, restore, undo or redo that was under way, which a crash or another
// program may have left in any state: whatever it holds is read or refused, a plan read never
// names a staging folder outside its target, and a plan written reads back the same.

#include "FuzzCommon.h"

#include "transfer/TransferJournal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes = fuzz::Bytes(data, size);
    const std::optional<TransferPlan> plan = TransferJournal::Decode(bytes.toByteArray());
    if (!plan)
        return 0;
    const bool step = plan->Kind == TransferKind::Undo || plan->Kind == TransferKind::Redo;
    if (step ? !plan->Staging.isEmpty() : !plan->Staging.startsWith(QByteArray(plan->Target + '/')))
        fuzz::Fail("a staging folder outside the target:", QString::fromUtf8(plan->Staging));
    for (const qint64 row : plan->Forget) {
        if (row <= 0)
            fuzz::Fail("a row to forget that no store has:", QString::number(row));
    }
    const std::optional<TransferPlan> again = TransferJournal::Decode(TransferJournal::Encode(*plan));
    if (!again || *again != *plan)
        fuzz::Fail("the journal does not read back the same", QString());
    return 0;
}
