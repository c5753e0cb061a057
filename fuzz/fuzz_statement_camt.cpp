// CAMT statements (camt.052/.053/.054) from outside bytes: read or refused with QelError.

#include "StatementFuzz.h"

#include "statements/CamtReader.h"
#include "ledger/QelError.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    try {
        fuzz::CheckStatement(ReadCamt(fuzz::Bytes(data, size), QStringLiteral("fuzz.xml")));
    } catch (const QelError &) {
    }
    return 0;
}
