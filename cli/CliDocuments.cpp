// Documents on bookings: reading a booking from an e-invoice, a PDF or a photo of a receipt.

#include "cli/Cli.h"

#include "documents/DocumentReader.h"
#include "documents/pdf/PopplerPdfReader.h"
#include "ledger/FuncUnit.h"

using namespace Qt::StringLiterals;

namespace {

QString AmountText(qint64 cents)
{
    return u"%1.%2"_s.arg(cents / 100).arg(cents % 100, 2, 10, QChar(u'0'));
}

} // namespace

int Cli::ReadDocument(const QString &file)
{
    const PopplerPdfReader pdf;
    const DocumentReader reader(&pdf, nullptr);
    const DocumentRead read = reader.ReadFile(file);
    if (!read.Proposal)
        return Fail(read.Error);
    const DocumentProposal &proposal = *read.Proposal;
    Out_ << QStringList{proposal.Date.isValid() ? proposal.Date.toString(u"dd.MM.yyyy"_s) : QString(),
                        AmountText(proposal.AmountCents), proposal.Income ? u"Einnahme"_s : u"Ausgabe"_s,
                        proposal.Seller.simplified(), DocumentSourceText(proposal.Source)}
                .join(u'\t')
         << '\n';
    if (proposal.Currency != u"EUR")
        Err_ << u"Der Betrag lautet auf %1, nicht auf Euro."_s.arg(proposal.Currency) << '\n';
    for (const QString &doubt : proposal.Doubts)
        Err_ << u"Unsicher: "_s << doubt << '\n';
    return 0;
}
