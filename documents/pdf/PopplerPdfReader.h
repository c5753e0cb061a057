#pragma once

#include "documents/DocumentReader.h"

// PdfReader through the Poppler library: attached files and the text of the pages, in the
// order a reader reads them.
class PopplerPdfReader final : public PdfReader
{
public:
    PopplerPdfReader();
    std::optional<PdfContent> Read(const QByteArray &bytes, QString &error) const override;
};
