#pragma once

#include "documents/DocumentReader.h"

// TextRecognizer through Tesseract with its German data. The picture is made grey, straightened
// and, when small, enlarged; the second pass also evens out shadows and the paper's colour,
// which photos need and clean scans are harmed by.
class TesseractRecognizer final : public TextRecognizer
{
public:
    int Passes() const override { return 2; }
    std::optional<QString> Recognize(const QByteArray &image, int pass, QString &error) const override;
};
