// The draft of a booking left unconfirmed at a session's end, read at the next start: whatever
// the file holds, a draft read from it is written and read back the same.

#include "FuzzCommon.h"

#include "ledger/BookingDraft.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::optional<BookingDraft> draft = BookingDrafts::Parse(fuzz::Bytes(data, size));
    if (!draft)
        return 0;
    // Describing it must not fail on any fields.
    (void)BookingDrafts::Describe(*draft);
    const QByteArray bytes = BookingDrafts::Bytes(*draft);
    const std::optional<BookingDraft> again = BookingDrafts::Parse(bytes);
    if (!again || BookingDrafts::Bytes(*again) != bytes)
        fuzz::Fail("the draft does not read back the same:", QString::fromUtf8(bytes));
    return 0;
}
