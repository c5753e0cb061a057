#pragma once

#include "documents/DocumentReader.h"

// TextRecognizer through Tesseract with its German data: the picture made grey, evened out
// (shadows and paper colour), straightened and, when small, enlarged before it is read.
class TesseractRecognizer final : public TextRecognizer
{
public:
    std::optional<QString> Recognize(const QByteArray &image, QString &error) const override;
};
