#include "documents/pdf/PopplerPdfReader.h"

#include <poppler-document.h>
#include <poppler-embedded-file.h>
#include <poppler-page.h>

#include <memory>
#include <mutex>

using namespace Qt::StringLiterals;

namespace {

// More pages than any receipt or invoice; the text of the rest is not needed for a booking.
constexpr int MaxPages = 50;
constexpr qsizetype MaxTextChars = 2 * 1024 * 1024;

QString FromUtf8(const poppler::byte_array &bytes)
{
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

// A PDF text string: UTF-16 big-endian behind its byte order mark, else PDFDocEncoding, which
// agrees with Latin-1 in everything a file name holds.
QString PdfTextString(const std::string &bytes)
{
    if (bytes.size() >= 2 && uchar(bytes[0]) == 0xFE && uchar(bytes[1]) == 0xFF) {
        QString text;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
            text.append(QChar(char16_t((uchar(bytes[i]) << 8) | uchar(bytes[i + 1]))));
        return text;
    }
    if (bytes.size() >= 3 && uchar(bytes[0]) == 0xEF && uchar(bytes[1]) == 0xBB && uchar(bytes[2]) == 0xBF)
        return QString::fromUtf8(bytes.data() + 3, qsizetype(bytes.size() - 3));
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

} // namespace

PopplerPdfReader::PopplerPdfReader()
{
    // The library's complaints about damaged files would end up on the terminal; the reader
    // says itself what could not be read.
    static std::once_flag quiet;
    std::call_once(quiet, [] { poppler::set_debug_error_function([](const std::string &, void *) {}, nullptr); });
}

std::optional<PdfContent> PopplerPdfReader::Read(const QByteArray &bytes, QString &error) const
{
    if (bytes.size() > DocumentLimits::MaxFileBytes) {
        error = u"Die PDF-Datei ist größer als 64 MB und wird nicht gelesen."_s;
        return std::nullopt;
    }
    const std::unique_ptr<poppler::document> document(
        poppler::document::load_from_raw_data(bytes.constData(), int(bytes.size())));
    if (!document) {
        error = u"Die PDF-Datei ist beschädigt oder keine PDF-Datei."_s;
        return std::nullopt;
    }
    if (document->is_locked()) {
        error = u"Die PDF-Datei ist mit einem Kennwort geschützt und kann nicht gelesen werden."_s;
        return std::nullopt;
    }
    PdfContent content;
    if (document->has_embedded_files()) {
        for (poppler::embedded_file *file : document->embedded_files()) {
            if (!file || !file->is_valid())
                continue;
            // Only the size it states is known before the data is unpacked.
            if (file->size() > EInvoiceLimits::MaxXmlBytes)
                continue;
            const poppler::byte_array data = file->data();
            if (qsizetype(data.size()) > EInvoiceLimits::MaxXmlBytes)
                continue;
            content.Attachments.append(
                {PdfTextString(file->name()), QByteArray(data.data(), qsizetype(data.size()))});
        }
    }
    qsizetype chars = 0;
    const int pages = std::min(document->pages(), MaxPages);
    for (int index = 0; index < pages && chars < MaxTextChars; ++index) {
        const std::unique_ptr<poppler::page> page(document->create_page(index));
        if (!page)
            continue;
        QString text = FromUtf8(page->text(poppler::rectf(), poppler::page::physical_layout).to_utf8());
        text.truncate(MaxTextChars - chars);
        chars += text.size();
        content.PageTexts.append(std::move(text));
    }
    return content;
}
