#pragma once

#include "documents/DocumentProposal.h"

#include <QStringList>

#include <optional>

// The rules that read a booking from a receipt's or an invoice's text, whether the text came
// from a PDF's text layer or from text recognition: the total beside its words ("SUMME",
// "Gesamt", "zu zahlen", ...) checked against the VAT lines where printed, the date in German
// and ISO forms, the seller from the first lines or from the sellers the books already know.
namespace ReceiptText {

struct Options
{
    DocumentSource Source = DocumentSource::PdfText;
    // Sellers already in the books: a receipt that names one is taken as from that seller.
    QStringList KnownSellers;
    // The receipt's year where it writes only day and month; dates after it are not taken.
    QDate Today;
};

// nullopt when neither a total nor a date can be found.
std::optional<DocumentProposal> Propose(const QString &text, const Options &options);

} // namespace ReceiptText
