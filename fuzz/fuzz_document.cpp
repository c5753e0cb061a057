// A document from outside bytes: as an e-invoice's XML and as a receipt's text. Whatever is
// read must be a booking the ledger can hold: a real date, an amount within bounds.

#include "FuzzCommon.h"

#include "documents/DocumentReader.h"
#include "documents/EInvoice.h"
#include "documents/ReceiptText.h"
#include "statements/StatementText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes = fuzz::Bytes(data, size);
    const EInvoiceRead invoice = ReadEInvoice(bytes);
    if (invoice.Invoice) {
        if (!invoice.Invoice->Date.isValid())
            fuzz::Fail("an invoice without a valid date was read");
        const qint64 toPay = invoice.Invoice->ToPayCents();
        if (toPay > 3 * StatementText::MaxAmountCents || toPay < -3 * StatementText::MaxAmountCents)
            fuzz::Fail("an amount to pay beyond the bounds");
    } else if (invoice.Error.isEmpty()) {
        fuzz::Fail("a refused invoice without a reason");
    }

    ReceiptText::Options options;
    options.Today = QDate(2026, 6, 30);
    options.KnownSellers = {QStringLiteral("Bäckerei"), QStringLiteral("Markt")};
    const std::optional<DocumentProposal> proposal =
        ReceiptText::Propose(QString::fromUtf8(bytes.first(std::min<qsizetype>(bytes.size(), 64 * 1024))), options);
    if (proposal) {
        if (proposal->AmountCents < 0 || proposal->AmountCents > StatementText::MaxAmountCents)
            fuzz::Fail("a receipt's amount beyond the bounds");
        if (proposal->Date.isValid() && proposal->Date > options.Today.addDays(1))
            fuzz::Fail("a receipt dated after today");
    }
    return 0;
}
