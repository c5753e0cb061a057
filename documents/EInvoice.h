#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QString>

#include <optional>

// An electronic invoice as its XML states it: the UN/CEFACT cross-industry invoice (also the
// XML inside a hybrid PDF, in its first version and in every profile since) and the UBL
// invoice and credit note. Only what a household books is read; everything else is left.
struct EInvoice
{
    enum class Syntax { Cii, CiiFirstVersion, Ubl };
    Syntax Format = Syntax::Cii;
    QString Profile;  // the guideline the invoice follows, as it names it
    QString Number;
    QString TypeCode; // 380 invoice, 381 credit note, 384 correction, ...
    QDate Date;
    QString Currency;
    QString Seller;
    QString Buyer;
    std::optional<qint64> GrandTotalCents;
    std::optional<qint64> PrepaidCents;
    std::optional<qint64> RoundingCents;
    std::optional<qint64> DuePayableCents;

    // A credit note: the money goes to the buyer.
    bool IsCreditNote() const;
    // Written by the buyer for what it owes the seller (a "Gutschrift" in the German sense).
    bool IsSelfBilled() const;
    // Whom the household deals with: the seller, or the buyer of a self-billed invoice, which
    // the household receives as the one who sold.
    QString OtherParty() const;
    // What is still to be paid: the grand total less what was paid before (and the rounding
    // some invoices state); the amount due where no prepaid amount is stated. Negative when
    // the seller pays back.
    qint64 ToPayCents() const;
    // From the household's side: true when money comes in (a credit note, an invoice whose
    // amount to pay is negative, a self-billed invoice).
    bool IsIncome() const;
};

struct EInvoiceRead
{
    std::optional<EInvoice> Invoice;
    QString Error; // German, when Invoice is empty
    // The XML is an invoice of a kind this reader knows (so a failure is worth telling),
    // not some other XML.
    bool Recognised = false;
};

namespace EInvoiceLimits {
// A real invoice with hundreds of lines stays below a megabyte; 16 MiB stops a wrong file.
constexpr qsizetype MaxXmlBytes = 16 * 1024 * 1024;
// Deeper nesting than any invoice schema has.
constexpr int MaxDepth = 64;
} // namespace EInvoiceLimits

// Reads the invoice from its XML. Refuses a DTD (so no entity of any kind is expanded), more
// than MaxXmlBytes and deeper nesting than MaxDepth.
EInvoiceRead ReadEInvoice(QByteArrayView xml);
