// The lock file of a data folder, which another machine may have written through a synced
// folder: whatever it holds, the holder read from it has short, printable fields and reads
// back the same after it is written again.

#include "FuzzCommon.h"

#include "ledger/DataLock.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::optional<LockHolder> holder = LockHolder::Decode(fuzz::Bytes(data, size));
    if (!holder)
        return 0;
    for (const QString *field : {&holder->Host, &holder->User, &holder->Program}) {
        if (field->size() > 100)
            fuzz::Fail("a field longer than 100 characters:", *field);
        for (const QChar ch : *field) {
            if (ch.category() == QChar::Other_Control)
                fuzz::Fail("a control character in a field:", *field);
        }
    }
    const std::optional<LockHolder> again = LockHolder::Decode(holder->Encode());
    if (!again || again->Host != holder->Host || again->User != holder->User || again->Program != holder->Program
        || again->Process != holder->Process)
        fuzz::Fail("the holder does not read back the same:", QString::fromUtf8(holder->Encode()));
    return 0;
}
