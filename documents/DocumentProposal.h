#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// A booking proposed from a document: what was read, from where, and how sure each part is.
enum class DocumentSource { EInvoice, PdfText, TextRecognition };

// "E-Rechnung", "PDF-Text", "Texterkennung".
QString DocumentSourceText(DocumentSource source);

struct DocumentProposal
{
    QDate Date;
    qint64 AmountCents = 0; // >= 0
    bool Income = false;
    QString Seller;
    QString Currency = QStringLiteral("EUR");
    DocumentSource Source = DocumentSource::EInvoice;
    // Read from the document's data, or found by a rule that the document bears out; what is
    // not sure is shown to the user before it is booked.
    bool AmountSure = false;
    bool DateSure = false;
    bool SellerSure = false;
    QStringList Doubts; // German, one sentence each: why a part is not sure

    bool Sure() const { return AmountSure && DateSure && SellerSure; }
};
