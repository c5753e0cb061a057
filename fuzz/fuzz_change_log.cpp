// A change log in the data folder arrives from other computers through synchronisation tools,
// whole, cut short or damaged: whatever it holds is read up to where it stops being a log, what
// is read writes back to bytes that read the same, and the ledger it makes can be derived.

#include "FuzzCommon.h"

#include "changes/DerivedFiles.h"
#include "changes/EntryCodec.h"
#include "changes/LedgerState.h"
#include "ledger/Regional.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes = fuzz::Bytes(data, size);
    const EntryCodec::Read read = EntryCodec::Decode(bytes);
    if (read.GoodEnd < 0 || read.GoodEnd > bytes.size())
        fuzz::Fail("an end outside the bytes:", QString::number(read.GoodEnd));
    if (read.Computer.isEmpty()) {
        if (!read.Entries.isEmpty())
            fuzz::Fail("entries without a header", QString());
        return 0;
    }
    // Text that is not UTF-8 reads with replacement characters and so writes back otherwise;
    // what was written once must read and write back exactly.
    QByteArray written = EntryCodec::HeaderLine(read.Computer, read.Host);
    for (qsizetype i = 0; i < read.Entries.size(); ++i) {
        if (read.Entries.at(i).Seq != i + 1)
            fuzz::Fail("entries out of order at", QString::number(i));
        written += EntryCodec::Encode(read.Entries.at(i));
    }
    const EntryCodec::Read again = EntryCodec::Decode(written);
    if (!again.Problem.isEmpty() || again.TornTail)
        fuzz::Fail("the written log is refused:", again.Problem);
    if (again.Entries.size() != read.Entries.size())
        fuzz::Fail("the written log has another number of entries", QString());
    QByteArray rewritten = EntryCodec::HeaderLine(again.Computer, again.Host);
    for (const ChangeEntry &entry : again.Entries)
        rewritten += EntryCodec::Encode(entry);
    if (rewritten != written)
        fuzz::Fail("the log does not read back the same", QString());

    LedgerState state;
    for (ChangeEntry entry : read.Entries) {
        entry.Computer = read.Computer;
        state.Apply(entry);
    }
    const Regional regional;
    for (const QString &book : state.Books())
        DerivedFiles::BookBytes(state, book, regional);
    DerivedFiles::RegularBytes(state, regional);
    DerivedFiles::BudgetBytes(state);
    state.Conflicts();
    state.BookedRows();
    return 0;
}
