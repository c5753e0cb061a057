#pragma once

#include "documents/DocumentProposal.h"
#include "documents/EInvoice.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What a PDF holds for reading a booking: its attached files and the text of its pages.
struct PdfContent
{
    struct Attachment
    {
        QString Name;
        QByteArray Data;
    };
    QList<Attachment> Attachments;
    QStringList PageTexts;
};

// Opens PDFs; the core does not read PDF itself (documents/pdf does, with a PDF library).
class PdfReader
{
public:
    virtual ~PdfReader() = default;
    // nullopt with a German reason when the bytes are no PDF that can be opened.
    virtual std::optional<PdfContent> Read(const QByteArray &bytes, QString &error) const = 0;
};

// Turns a picture of a receipt into text (documents/ocr does, with a text recogniser). A
// recogniser may read a picture in several passes, each preparing it another way; the reader
// asks for the next only while what it read is not sure.
class TextRecognizer
{
public:
    virtual ~TextRecognizer() = default;
    virtual int Passes() const { return 1; }
    virtual std::optional<QString> Recognize(const QByteArray &image, int pass, QString &error) const = 0;
};

struct DocumentRead
{
    std::optional<DocumentProposal> Proposal;
    std::optional<EInvoice> Invoice; // when the proposal came from an e-invoice
    QString Error;                   // German, when there is no proposal
};

namespace DocumentLimits {
// Scanned invoices of many pages stay well below this; larger files are refused unread.
constexpr qint64 MaxFileBytes = 64 * 1024 * 1024;
} // namespace DocumentLimits

enum class DocumentKind { Pdf, Xml, Jpeg, Png, Unknown };
// By the first bytes, not by the name.
DocumentKind KindOfDocument(QByteArrayView bytes);

// Reads a booking from a document: an e-invoice from its XML (inside a PDF or as the file
// itself; never by text recognition when there is XML), a PDF from its text, a photo or scan
// by text recognition. Either reader may be missing; then that kind is refused with a reason.
class DocumentReader
{
public:
    DocumentReader(const PdfReader *pdf, const TextRecognizer *recognizer);

    void SetKnownSellers(QStringList sellers) { KnownSellers_ = std::move(sellers); }
    void SetToday(QDate today) { Today_ = today; }

    DocumentRead ReadFile(const QString &path) const;
    DocumentRead Read(const QByteArray &bytes) const;

private:
    DocumentRead FromInvoice(const EInvoice &invoice) const;
    DocumentRead FromText(const QString &text, DocumentSource source) const;
    DocumentRead ReadPdf(const QByteArray &bytes) const;

    const PdfReader *Pdf_;
    const TextRecognizer *Recognizer_;
    QStringList KnownSellers_;
    QDate Today_;
};
