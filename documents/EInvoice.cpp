#include "documents/EInvoice.h"

#include <QStringList>
#include <QXmlStreamReader>

#include <array>

using namespace Qt::StringLiterals;

namespace {

enum class Field { Profile, Number, TypeCode, Date, Currency, Seller, SellerTradingName, Buyer, BuyerTradingName,
                   GrandTotal, Prepaid, Rounding, Due };

struct FieldPath
{
    EInvoice::Syntax Format;
    QStringView Path;
    Field Target;
};

// Paths by local names from the root; the namespaces differ between versions, the names do not.

const std::array FieldPaths{
    FieldPath{EInvoice::Syntax::Cii,
              u"CrossIndustryInvoice/ExchangedDocumentContext/GuidelineSpecifiedDocumentContextParameter/ID",
              Field::Profile},
    FieldPath{EInvoice::Syntax::Cii, u"CrossIndustryInvoice/ExchangedDocument/ID", Field::Number},
    FieldPath{EInvoice::Syntax::Cii, u"CrossIndustryInvoice/ExchangedDocument/TypeCode", Field::TypeCode},
    FieldPath{EInvoice::Syntax::Cii, u"CrossIndustryInvoice/ExchangedDocument/IssueDateTime",
              Field::Date},
    FieldPath{EInvoice::Syntax::Cii,
              u"CrossIndustryInvoice/SupplyChainTradeTransaction/ApplicableHeaderTradeAgreement/SellerTradeParty/Name",
              Field::Seller},
    FieldPath{EInvoice::Syntax::Cii,
              u"CrossIndustryInvoice/SupplyChainTradeTransaction/ApplicableHeaderTradeAgreement/BuyerTradeParty/Name",
              Field::Buyer},
    FieldPath{EInvoice::Syntax::Cii,
              u"CrossIndustryInvoice/SupplyChainTradeTransaction/ApplicableHeaderTradeSettlement/InvoiceCurrencyCode",
              Field::Currency},
    FieldPath{EInvoice::Syntax::Cii,
              u"CrossIndustryInvoice/SupplyChainTradeTransaction/ApplicableHeaderTradeSettlement/"
              u"SpecifiedTradeSettlementHeaderMonetarySummation/GrandTotalAmount",
              Field::GrandTotal},
    FieldPath{EInvoice::Syntax::Cii,
              u"CrossIndustryInvoice/SupplyChainTradeTransaction/ApplicableHeaderTradeSettlement/"
              u"SpecifiedTradeSettlementHeaderMonetarySummation/TotalPrepaidAmount",
              Field::Prepaid},
    FieldPath{EInvoice::Syntax::Cii,
              u"CrossIndustryInvoice/SupplyChainTradeTransaction/ApplicableHeaderTradeSettlement/"
              u"SpecifiedTradeSettlementHeaderMonetarySummation/DuePayableAmount",
              Field::Due},
    FieldPath{EInvoice::Syntax::Cii,
              u"CrossIndustryInvoice/SupplyChainTradeTransaction/ApplicableHeaderTradeSettlement/"
              u"SpecifiedTradeSettlementHeaderMonetarySummation/RoundingAmount",
              Field::Rounding},

    FieldPath{EInvoice::Syntax::CiiFirstVersion,
              u"CrossIndustryDocument/SpecifiedExchangedDocumentContext/GuidelineSpecifiedDocumentContextParameter/ID",
              Field::Profile},
    FieldPath{EInvoice::Syntax::CiiFirstVersion, u"CrossIndustryDocument/HeaderExchangedDocument/ID", Field::Number},
    FieldPath{EInvoice::Syntax::CiiFirstVersion, u"CrossIndustryDocument/HeaderExchangedDocument/TypeCode",
              Field::TypeCode},
    FieldPath{EInvoice::Syntax::CiiFirstVersion,
              u"CrossIndustryDocument/HeaderExchangedDocument/IssueDateTime", Field::Date},
    FieldPath{EInvoice::Syntax::CiiFirstVersion,
              u"CrossIndustryDocument/SpecifiedSupplyChainTradeTransaction/ApplicableSupplyChainTradeAgreement/"
              u"SellerTradeParty/Name",
              Field::Seller},
    FieldPath{EInvoice::Syntax::CiiFirstVersion,
              u"CrossIndustryDocument/SpecifiedSupplyChainTradeTransaction/ApplicableSupplyChainTradeAgreement/"
              u"BuyerTradeParty/Name",
              Field::Buyer},
    FieldPath{EInvoice::Syntax::CiiFirstVersion,
              u"CrossIndustryDocument/SpecifiedSupplyChainTradeTransaction/ApplicableSupplyChainTradeSettlement/"
              u"InvoiceCurrencyCode",
              Field::Currency},
    FieldPath{EInvoice::Syntax::CiiFirstVersion,
              u"CrossIndustryDocument/SpecifiedSupplyChainTradeTransaction/ApplicableSupplyChainTradeSettlement/"
              u"SpecifiedTradeSettlementMonetarySummation/GrandTotalAmount",
              Field::GrandTotal},
    FieldPath{EInvoice::Syntax::CiiFirstVersion,
              u"CrossIndustryDocument/SpecifiedSupplyChainTradeTransaction/ApplicableSupplyChainTradeSettlement/"
              u"SpecifiedTradeSettlementMonetarySummation/TotalPrepaidAmount",
              Field::Prepaid},
    FieldPath{EInvoice::Syntax::CiiFirstVersion,
              u"CrossIndustryDocument/SpecifiedSupplyChainTradeTransaction/ApplicableSupplyChainTradeSettlement/"
              u"SpecifiedTradeSettlementMonetarySummation/DuePayableAmount",
              Field::Due},
};

// UBL: the same paths under "Invoice" and "CreditNote".
struct UblPath
{
    QStringView Tail;
    Field Target;
};
const std::array UblPaths{
    UblPath{u"CustomizationID", Field::Profile},
    UblPath{u"ID", Field::Number},
    UblPath{u"InvoiceTypeCode", Field::TypeCode},
    UblPath{u"CreditNoteTypeCode", Field::TypeCode},
    UblPath{u"IssueDate", Field::Date},
    UblPath{u"DocumentCurrencyCode", Field::Currency},
    UblPath{u"AccountingSupplierParty/Party/PartyLegalEntity/RegistrationName", Field::Seller},
    UblPath{u"AccountingSupplierParty/Party/PartyName/Name", Field::SellerTradingName},
    UblPath{u"AccountingCustomerParty/Party/PartyLegalEntity/RegistrationName", Field::Buyer},
    UblPath{u"AccountingCustomerParty/Party/PartyName/Name", Field::BuyerTradingName},
    UblPath{u"LegalMonetaryTotal/TaxInclusiveAmount", Field::GrandTotal},
    UblPath{u"LegalMonetaryTotal/PrepaidAmount", Field::Prepaid},
    UblPath{u"LegalMonetaryTotal/PayableAmount", Field::Due},
    UblPath{u"LegalMonetaryTotal/PayableRoundingAmount", Field::Rounding},
};

std::optional<EInvoice::Syntax> SyntaxOfRoot(QStringView name)
{
    if (name == u"CrossIndustryInvoice")
        return EInvoice::Syntax::Cii;
    if (name == u"CrossIndustryDocument")
        return EInvoice::Syntax::CiiFirstVersion;
    if (name == u"Invoice" || name == u"CreditNote")
        return EInvoice::Syntax::Ubl;
    return std::nullopt;
}

std::optional<Field> FieldAt(EInvoice::Syntax format, QStringView root, QStringView path)
{
    if (format == EInvoice::Syntax::Ubl) {
        if (path.size() <= root.size() + 1)
            return std::nullopt;
        const QStringView tail = path.sliced(root.size() + 1);
        for (const UblPath &entry : UblPaths) {
            if (entry.Tail == tail)
                return entry.Target;
        }
        return std::nullopt;
    }
    for (const FieldPath &entry : FieldPaths) {
        if (entry.Format == format && entry.Path == path)
            return entry.Target;
    }
    return std::nullopt;
}

// An xs:decimal: sign, digits, a point and decimals. More than two decimals are rounded half
// away from zero (a sum is stated in cents; some writers add zeros).
std::optional<qint64> DecimalCents(QStringView text)
{
    text = text.trimmed();
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text = text.sliced(1);
    }
    const qsizetype point = text.indexOf(u'.');
    const QStringView whole = point < 0 ? text : text.first(point);
    const QStringView decimals = point < 0 ? QStringView() : text.sliced(point + 1);
    if ((whole.isEmpty() && decimals.isEmpty()) || whole.size() > 12 || decimals.size() > 10)
        return std::nullopt;
    const auto allDigits = [](QStringView part) {
        return std::all_of(part.begin(), part.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    };
    if (!allDigits(whole) || !allDigits(decimals) || (point >= 0 && decimals.isEmpty()))
        return std::nullopt;
    qint64 cents = 0;
    for (QChar c : whole)
        cents = cents * 10 + (c.unicode() - u'0');
    for (int i = 0; i < 2; ++i)
        cents = cents * 10 + (i < decimals.size() ? decimals.at(i).unicode() - u'0' : 0);
    if (decimals.size() > 2 && decimals.at(2) >= u'5')
        ++cents;
    if (cents > 99'999'999'999)
        return std::nullopt;
    return negative ? -cents : cents;
}

QDate InvoiceDate(EInvoice::Syntax format, QStringView text)
{
    text = text.trimmed();
    if (format == EInvoice::Syntax::Ubl)
        return QDate::fromString(text.toString(), u"yyyy-MM-dd"_s);
    // Format 102, CCYYMMDD, is the only one a day can be told from. Some writers misname the
    // format or leave it out; eight digits are read as that.
    if (text.size() != 8)
        return {};
    return QDate::fromString(text.toString(), u"yyyyMMdd"_s);
}

// Invoices are UTF-8 by their standards; a declaration naming another encoding, or one that
// does not exist ("UTF-8_W/O_BOM"), is dropped, so that the bytes are read as UTF-8.
QByteArray WithoutForeignEncoding(QByteArrayView xml)
{
    QByteArrayView body = xml;
    if (body.startsWith("\xEF\xBB\xBF"))
        body = body.sliced(3);
    if (!body.startsWith("<?xml"))
        return xml.toByteArray();
    const qsizetype end = body.indexOf("?>");
    if (end < 0)
        return xml.toByteArray();
    const QByteArray declaration = body.first(end).toByteArray().toLower();
    const qsizetype encoding = declaration.indexOf("encoding");
    if (encoding < 0)
        return xml.toByteArray();
    const QByteArray value = declaration.sliced(encoding);
    if (value.contains("\"utf-8\"") || value.contains("'utf-8'"))
        return xml.toByteArray();
    return "<?xml version=\"1.0\"?>" + body.sliced(end + 2).toByteArray();
}

QString Simplified(const QString &text)
{
    return text.simplified().left(200);
}

} // namespace

bool EInvoice::IsCreditNote() const
{
    // UNTDID 1001: the codes EN 16931 allows for credit notes.
    static const QStringList credits{u"81"_s,  u"83"_s,  u"262"_s, u"296"_s, u"308"_s,
                                     u"381"_s, u"396"_s, u"420"_s, u"458"_s, u"532"_s};
    return credits.contains(TypeCode);
}

bool EInvoice::IsSelfBilled() const
{
    // 389 self-billed invoice, 261 self-billed credit note: the buyer wrote it.
    return TypeCode == u"389" || TypeCode == u"261";
}

QString EInvoice::OtherParty() const
{
    return IsSelfBilled() && !Buyer.isEmpty() ? Buyer : Seller;
}

qint64 EInvoice::ToPayCents() const
{
    // Where both are stated, the total less the prepaid amount decides: some writers leave
    // the amount due at 0.00. The smallest profile states no prepaid amount, only the due.
    if (GrandTotalCents && (PrepaidCents || !DuePayableCents))
        return *GrandTotalCents - PrepaidCents.value_or(0) + RoundingCents.value_or(0);
    return DuePayableCents.value_or(0);
}

bool EInvoice::IsIncome() const
{
    const qint64 toPay = ToPayCents();
    if (toPay == 0)
        return false;
    // Positive amounts: an invoice is paid by its buyer, a credit note by its seller.
    const bool credit = IsCreditNote() || TypeCode == u"261";
    const bool buyerPays = (toPay > 0) != credit;
    // The household is the buyer, except on a self-billed document, which it receives as the seller.
    return IsSelfBilled() ? buyerPays : !buyerPays;
}

EInvoiceRead ReadEInvoice(QByteArrayView xml)
{
    EInvoiceRead read;
    if (xml.size() > EInvoiceLimits::MaxXmlBytes) {
        read.Error = u"Die XML-Datei ist größer als 16 MB; so groß ist keine Rechnung."_s;
        return read;
    }
    QXmlStreamReader reader(WithoutForeignEncoding(xml));
    reader.setNamespaceProcessing(true);
    EInvoice invoice;
    QString root;
    QStringList path;
    QString tradingName;
    QString buyerTradingName;
    QString dateText;
    bool haveDate = false;
    const auto fail = [&read](const QString &why) {
        read.Invoice.reset();
        read.Error = why;
        return read;
    };
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::DTD)
            return fail(u"Die XML-Datei enthält eine DTD; eine Rechnung hat keine, sie wird nicht gelesen."_s);
        if (token == QXmlStreamReader::EntityReference)
            return fail(u"Die XML-Datei verweist auf eine Entität; sie wird nicht gelesen."_s);
        if (token == QXmlStreamReader::EndElement) {
            if (!path.isEmpty())
                path.removeLast();
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (path.size() >= EInvoiceLimits::MaxDepth)
            return fail(u"Die XML-Datei ist tiefer verschachtelt als jede Rechnung."_s);
        path.append(reader.name().toString());
        if (path.size() == 1) {
            root = path.front();
            // A draft of the first hybrid format named its root "Invoice" in the UN/CEFACT namespace.
            if (root == u"Invoice" && reader.namespaceUri().contains(u"uncefact"_s)) {
                root = u"CrossIndustryDocument"_s;
                path.front() = root;
            }
            const std::optional<EInvoice::Syntax> syntax = SyntaxOfRoot(root);
            if (!syntax)
                return fail(u"Die XML-Datei ist keine elektronische Rechnung (ZUGFeRD, Factur-X oder XRechnung)."_s);
            invoice.Format = *syntax;
            read.Recognised = true;
            continue;
        }
        const std::optional<Field> field = FieldAt(invoice.Format, root, path.join(u'/'));
        if (!field)
            continue;
        const QString text = reader.readElementText(QXmlStreamReader::IncludeChildElements);
        path.removeLast(); // readElementText has read the end element
        if (reader.hasError())
            break;
        const auto setOnce = [](QString &target, const QString &value) {
            if (target.isEmpty())
                target = Simplified(value);
        };
        const auto amountOnce = [&](std::optional<qint64> &target, const char16_t *label) -> bool {
            if (target)
                return true;
            target = DecimalCents(text);
            if (!target) {
                read.Error = u"Der Betrag „%1“ (%2) ist keine Zahl."_s.arg(text.simplified().left(40),
                                                                         QString::fromUtf16(label));
                return false;
            }
            return true;
        };
        switch (*field) {
        case Field::Profile: setOnce(invoice.Profile, text); break;
        case Field::Number: setOnce(invoice.Number, text); break;
        case Field::TypeCode: setOnce(invoice.TypeCode, text); break;
        case Field::Currency: setOnce(invoice.Currency, text); break;
        case Field::Seller: setOnce(invoice.Seller, text); break;
        case Field::SellerTradingName: setOnce(tradingName, text); break;
        case Field::Buyer: setOnce(invoice.Buyer, text); break;
        case Field::BuyerTradingName: setOnce(buyerTradingName, text); break;
        case Field::Date:
            if (!haveDate) {
                haveDate = true;
                dateText = text;
            }
            break;
        case Field::GrandTotal:
            if (!amountOnce(invoice.GrandTotalCents, u"Gesamtbetrag"))
                return fail(read.Error);
            break;
        case Field::Prepaid:
            if (!amountOnce(invoice.PrepaidCents, u"Vorauszahlung"))
                return fail(read.Error);
            break;
        case Field::Rounding:
            if (!amountOnce(invoice.RoundingCents, u"Rundungsbetrag"))
                return fail(read.Error);
            break;
        case Field::Due:
            if (!amountOnce(invoice.DuePayableCents, u"Zahlbetrag"))
                return fail(read.Error);
            break;
        }
    }
    if (reader.hasError()) {
        return fail(u"Die XML-Datei ist nicht lesbar (Zeile %1, Spalte %2): %3"_s.arg(reader.lineNumber())
                        .arg(reader.columnNumber())
                        .arg(reader.errorString()));
    }
    if (!read.Recognised)
        return fail(u"Die Datei enthält kein XML."_s);
    if (invoice.Seller.isEmpty())
        invoice.Seller = tradingName;
    if (invoice.Buyer.isEmpty())
        invoice.Buyer = buyerTradingName;
    invoice.Date = InvoiceDate(invoice.Format, dateText);
    if (!invoice.Date.isValid()) {
        return fail(dateText.isEmpty() ? u"Die Rechnung nennt kein Rechnungsdatum."_s
                                       : u"Das Rechnungsdatum „%1“ ist kein Datum."_s.arg(dateText.simplified().left(40)));
    }
    if (!invoice.DuePayableCents && !invoice.GrandTotalCents)
        return fail(u"Die Rechnung nennt keinen Betrag."_s);
    read.Invoice = std::move(invoice);
    return read;
}
