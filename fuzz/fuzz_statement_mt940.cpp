// MT940/MT942 statements from outside bytes: read or refused with QelError.

#include "StatementFuzz.h"

#include "statements/Mt940Reader.h"
#include "ledger/QelError.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = StatementText::Decode(fuzz::Bytes(data, size));
    (void)LooksLikeMt940(text);
    try {
        fuzz::CheckStatement(ReadMt940(text, QStringLiteral("fuzz.sta")));
    } catch (const QelError &) {
    }
    return 0;
}
