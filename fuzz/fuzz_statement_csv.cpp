// Bank CSV exports from outside bytes, through the whole recognition: the known banks'
// layouts, an unknown layout handed back, and the same file read with a column choice
// taken from the input's first bytes.

#include "StatementFuzz.h"

#include "ledger/QelError.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes = fuzz::Bytes(data, size);
    // Read again with a column choice only where the first read asked for one: a known
    // bank's layout, MT940 or CAMT would be read the same way twice.
    bool asked = false;
    try {
        fuzz::CheckStatement(ReadStatement(bytes, QStringLiteral("fuzz.csv"), [&asked](const QString &) {
            asked = true;
            return std::optional<CsvColumnChoice>();
        }));
    } catch (const QelError &) {
    }
    if (!asked)
        return 0;

    CsvColumnChoice choice;
    auto column = [&bytes](qsizetype i) { return i < bytes.size() ? int(static_cast<unsigned char>(bytes[i]) % 8) - 1 : -1; };
    choice.Date = column(0);
    choice.Amount = column(1);
    choice.Debit = column(2);
    choice.Credit = column(3);
    choice.Counterparty = column(4);
    choice.Purpose = column(5);
    choice.PurposeTo = column(6);
    choice.Payee = column(7);
    choice.BookingText = column(8);
    choice.Account = column(9);
    try {
        fuzz::CheckStatement(ReadStatement(bytes, QStringLiteral("fuzz.csv"),
                                           [&choice](const QString &) { return std::optional(choice); }));
    } catch (const QelError &) {
    }
    return 0;
}
