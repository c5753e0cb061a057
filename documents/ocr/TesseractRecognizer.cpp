#include "documents/ocr/TesseractRecognizer.h"

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// A photo larger than this is read at this size: receipt print stays legible, and the
// recogniser's time grows with the pixels.
constexpr int MaxLongSide = 3000;
// Phones take receipts from far: below this the print is too small for the recogniser.
constexpr int MinLongSide = 1600;
// Not a receipt but a poster; such pictures are refused before they are decoded.
constexpr qsizetype MaxImageBytes = 32 * 1024 * 1024;

struct PixFree
{
    void operator()(Pix *pix) const { pixDestroy(&pix); }
};
using PixPtr = std::unique_ptr<Pix, PixFree>;

// Each step makes a new picture; a step that fails keeps the picture as it was.
void Step(PixPtr &pix, Pix *next)
{
    if (next)
        pix.reset(next);
}

PixPtr Prepared(PixPtr pix, bool evenOut)
{
    // Each step leaves the earlier picture to be freed once the next one is there.
    Step(pix, pixConvertTo8(pix.get(), 0));
    const int longSide = std::max(pixGetWidth(pix.get()), pixGetHeight(pix.get()));
    if (longSide > MaxLongSide) {
        const float factor = float(MaxLongSide) / float(longSide);
        Step(pix, pixScale(pix.get(), factor, factor));
    } else if (longSide < MinLongSide && longSide > 0) {
        const float factor = std::min(3.0f, float(MinLongSide) / float(longSide));
        Step(pix, pixScale(pix.get(), factor, factor));
    }
    // Shadows and the paper's colour: the background made even.
    if (evenOut)
        Step(pix, pixBackgroundNormSimple(pix.get(), nullptr, nullptr));
    Step(pix, pixDeskew(pix.get(), 0));
    return pix;
}

} // namespace

std::optional<QString> TesseractRecognizer::Recognize(const QByteArray &image, int pass, QString &error) const
{
    if (image.size() > MaxImageBytes) {
        error = u"Das Bild ist größer als 32 MB und wird nicht gelesen."_s;
        return std::nullopt;
    }
    // The decoder checks the picture's size against its bytes; a damaged one gives nothing.
    PixPtr pix(pixReadMem(reinterpret_cast<const l_uint8 *>(image.constData()), size_t(image.size())));
    if (!pix || pixGetWidth(pix.get()) <= 0 || pixGetHeight(pix.get()) <= 0) {
        error = u"Das Bild ist beschädigt oder kein JPEG- oder PNG-Bild."_s;
        return std::nullopt;
    }
    if (qint64(pixGetWidth(pix.get())) * pixGetHeight(pix.get()) > 100'000'000) {
        error = u"Das Bild hat mehr als 100 Millionen Bildpunkte und wird nicht gelesen."_s;
        return std::nullopt;
    }
    pix = Prepared(std::move(pix), pass > 0);

    tesseract::TessBaseAPI api;
    if (api.Init(nullptr, "deu", tesseract::OEM_LSTM_ONLY) != 0) {
        error = u"Für die Texterkennung fehlen die deutschen Sprachdaten (Paket „tesseract-ocr-deu“)."_s;
        return std::nullopt;
    }
    // A receipt is one column of lines of different sizes.
    api.SetPageSegMode(tesseract::PSM_SINGLE_COLUMN);
    api.SetVariable("debug_file", "/dev/null");
    api.SetImage(pix.get());
    api.SetSourceResolution(300);
    const std::unique_ptr<char[]> text(api.GetUTF8Text());
    api.End();
    if (!text) {
        error = u"Die Texterkennung hat in dem Bild nichts gefunden."_s;
        return std::nullopt;
    }
    return QString::fromUtf8(text.get());
}
