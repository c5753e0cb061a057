#include "documents/DocumentReader.h"

#include "documents/ReceiptText.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

QString DocumentSourceText(DocumentSource source)
{
    switch (source) {
    case DocumentSource::EInvoice: return u"E-Rechnung"_s;
    case DocumentSource::PdfText: return u"PDF-Text"_s;
    case DocumentSource::TextRecognition: return u"Texterkennung"_s;
    }
    return {};
}

DocumentKind KindOfDocument(QByteArrayView bytes)
{
    // A PDF may have a few bytes before its header.
    if (bytes.first(std::min<qsizetype>(bytes.size(), 1024)).indexOf("%PDF-") >= 0)
        return DocumentKind::Pdf;
    if (bytes.startsWith("\xFF\xD8\xFF"))
        return DocumentKind::Jpeg;
    if (bytes.startsWith("\x89PNG\r\n\x1A\n"))
        return DocumentKind::Png;
    QByteArrayView start = bytes.first(std::min<qsizetype>(bytes.size(), 64));
    if (start.startsWith("\xEF\xBB\xBF"))
        start = start.sliced(3);
    while (!start.isEmpty() && (start.front() == ' ' || start.front() == '\n' || start.front() == '\r'
                                || start.front() == '\t'))
        start = start.sliced(1);
    if (start.startsWith("<"))
        return DocumentKind::Xml;
    return DocumentKind::Unknown;
}

DocumentReader::DocumentReader(const PdfReader *pdf, const TextRecognizer *recognizer)
    : Pdf_(pdf)
    , Recognizer_(recognizer)
{
}

DocumentRead DocumentReader::ReadFile(const QString &path) const
{
    DocumentRead read;
    const QFileInfo info(path);
    if (!info.isFile()) {
        read.Error = u"Die Datei „%1“ gibt es nicht."_s.arg(path);
        return read;
    }
    if (info.size() > DocumentLimits::MaxFileBytes) {
        read.Error = u"Die Datei „%1“ ist größer als 64 MB und wird nicht gelesen."_s.arg(info.fileName());
        return read;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        read.Error = u"Die Datei „%1“ kann nicht gelesen werden: %2"_s.arg(info.fileName(), file.errorString());
        return read;
    }
    return Read(file.read(DocumentLimits::MaxFileBytes + 1));
}

DocumentRead DocumentReader::Read(const QByteArray &bytes) const
{
    DocumentRead read;
    if (bytes.size() > DocumentLimits::MaxFileBytes) {
        read.Error = u"Die Datei ist größer als 64 MB und wird nicht gelesen."_s;
        return read;
    }
    switch (KindOfDocument(bytes)) {
    case DocumentKind::Pdf:
        return ReadPdf(bytes);
    case DocumentKind::Xml: {
        const EInvoiceRead invoice = ReadEInvoice(bytes);
        if (!invoice.Invoice) {
            read.Error = invoice.Error;
            return read;
        }
        return FromInvoice(*invoice.Invoice);
    }
    case DocumentKind::Jpeg:
    case DocumentKind::Png: {
        if (!Recognizer_) {
            read.Error = u"Für Bilder fehlt die Texterkennung."_s;
            return read;
        }
        // The surest reading wins: amount, then date, then seller.
        const auto score = [](const DocumentRead &r) {
            return r.Proposal ? 1 + 8 * r.Proposal->AmountSure + 4 * r.Proposal->DateSure + 2 * r.Proposal->SellerSure
                              : 0;
        };
        DocumentRead best;
        for (int pass = 0; pass < Recognizer_->Passes(); ++pass) {
            QString error;
            const std::optional<QString> text = Recognizer_->Recognize(bytes, pass, error);
            if (!text) {
                if (pass == 0) {
                    read.Error = error;
                    return read;
                }
                break;
            }
            DocumentRead next = FromText(*text, DocumentSource::TextRecognition);
            if (score(next) > score(best))
                best = std::move(next);
            if (best.Proposal && best.Proposal->AmountSure && best.Proposal->DateSure)
                break;
        }
        return best;
    }
    case DocumentKind::Unknown:
        break;
    }
    read.Error = u"Die Datei ist weder PDF noch XML noch ein Bild (JPEG, PNG)."_s;
    return read;
}

DocumentRead DocumentReader::ReadPdf(const QByteArray &bytes) const
{
    DocumentRead read;
    if (!Pdf_) {
        read.Error = u"PDF-Dateien können hier nicht gelesen werden."_s;
        return read;
    }
    QString error;
    const std::optional<PdfContent> content = Pdf_->Read(bytes, error);
    if (!content) {
        read.Error = error;
        return read;
    }
    // The invoice's own XML, under the names the hybrid formats give it, then any XML that is one.
    static const QStringList names{u"factur-x.xml"_s, u"zugferd-invoice.xml"_s, u"xrechnung.xml"_s};
    QList<const PdfContent::Attachment *> ordered;
    for (const QString &name : names) {
        for (const PdfContent::Attachment &attachment : content->Attachments) {
            if (attachment.Name.compare(name, Qt::CaseInsensitive) == 0)
                ordered.append(&attachment);
        }
    }
    // Some writers give the name in a form that does not come through; what the file holds tells.
    for (const PdfContent::Attachment &attachment : content->Attachments) {
        if (!ordered.contains(&attachment) && KindOfDocument(attachment.Data) == DocumentKind::Xml)
            ordered.append(&attachment);
    }
    QString invoiceError;
    for (const PdfContent::Attachment *attachment : std::as_const(ordered)) {
        const EInvoiceRead invoice = ReadEInvoice(attachment->Data);
        if (invoice.Invoice)
            return FromInvoice(*invoice.Invoice);
        if (invoice.Recognised && invoiceError.isEmpty())
            invoiceError = u"Die Rechnung „%1“ in der PDF-Datei ist nicht lesbar: %2"_s.arg(attachment->Name, invoice.Error);
    }
    // An invoice that cannot be read is said, not guessed from the picture of it.
    if (!invoiceError.isEmpty()) {
        read.Error = invoiceError;
        return read;
    }
    const QString text = content->PageTexts.join(u'\n');
    if (text.trimmed().isEmpty()) {
        if (!Recognizer_) {
            read.Error = u"Die PDF-Datei enthält keinen Text; für eingescannte Belege fehlt die Texterkennung."_s;
            return read;
        }
        read.Error = u"Die PDF-Datei enthält keinen Text; eingescannte PDF-Belege als Bild (JPEG, PNG) buchen."_s;
        return read;
    }
    return FromText(text, DocumentSource::PdfText);
}

DocumentRead DocumentReader::FromInvoice(const EInvoice &invoice) const
{
    DocumentRead read;
    DocumentProposal proposal;
    proposal.Source = DocumentSource::EInvoice;
    proposal.Date = invoice.Date;
    const qint64 toPay = invoice.ToPayCents();
    proposal.AmountCents = toPay < 0 ? -toPay : toPay;
    proposal.Income = invoice.IsIncome();
    proposal.Seller = invoice.OtherParty();
    proposal.Currency = invoice.Currency.isEmpty() ? u"EUR"_s : invoice.Currency;
    proposal.AmountSure = true;
    proposal.DateSure = true;
    proposal.SellerSure = !proposal.Seller.isEmpty();
    if (!proposal.SellerSure)
        proposal.Doubts.append(u"Die Rechnung nennt keinen Verkäufer."_s);
    read.Proposal = std::move(proposal);
    read.Invoice = invoice;
    return read;
}

DocumentRead DocumentReader::FromText(const QString &text, DocumentSource source) const
{
    DocumentRead read;
    ReceiptText::Options options;
    options.Source = source;
    options.KnownSellers = KnownSellers_;
    options.Today = Today_;
    read.Proposal = ReceiptText::Propose(text, options);
    if (!read.Proposal)
        read.Error = u"Im Beleg sind weder Betrag noch Datum zu erkennen."_s;
    return read;
}
