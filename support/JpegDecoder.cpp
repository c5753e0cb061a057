#include "support/JpegDecoder.h"

#include <csetjmp>
#include <cstdio>
#include <memory>

#include <jpeglib.h>

using namespace Qt::StringLiterals;

namespace {

// Limits well above any picture of the program, low enough that a crafted header cannot make
// us allocate gigabytes.
constexpr JDIMENSION MaxSide = 16384;
constexpr quint64 MaxPixels = quint64(8192) * 8192;

struct DecodeState
{
    jpeg_decompress_struct Info{};
    jpeg_error_mgr Errors{};
    std::jmp_buf Jump{};
    char Message[JMSG_LENGTH_MAX]{};
};

void FailJump(j_common_ptr info)
{
    auto *state = reinterpret_cast<DecodeState *>(info->client_data);
    (*info->err->format_message)(info, state->Message);
    std::longjmp(state->Jump, 1);
}

// Warnings are how libjpeg reports corrupt or truncated data that it would paper over with
// grey; the banners are ours, so anything of the kind is refused.
void WarningJump(j_common_ptr info, int level)
{
    if (level < 0)
        FailJump(info);
}

void Silent(j_common_ptr) {}

QImage Fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return QImage();
}

} // namespace

QImage DecodeJpeg(QByteArrayView data, QString *error)
{
    if (data.isEmpty())
        return Fail(error, u"Keine Bilddaten."_s);

    // Everything that changes between setjmp and longjmp lives on the heap behind a pointer
    // that is set before setjmp, so its values survive the jump.
    const auto state = std::make_unique<DecodeState>();
    const auto image = std::make_unique<QImage>();
    jpeg_decompress_struct &info = state->Info;
    info.err = jpeg_std_error(&state->Errors);
    state->Errors.error_exit = FailJump;
    state->Errors.emit_message = WarningJump;
    state->Errors.output_message = Silent;
    info.client_data = state.get();

    if (setjmp(state->Jump)) {
        jpeg_destroy_decompress(&info);
        return Fail(error, u"JPEG-Bild fehlerhaft: "_s + QString::fromLocal8Bit(state->Message));
    }

    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(data.data()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);

    if (info.image_width > MaxSide || info.image_height > MaxSide ||
        quint64(info.image_width) * info.image_height > MaxPixels) {
        const QString reason = u"JPEG-Bild zu groß (%1 × %2 Bildpunkte)."_s.arg(info.image_width).arg(info.image_height);
        jpeg_destroy_decompress(&info);
        return Fail(error, reason);
    }

    info.out_color_space = JCS_RGB;
    info.quantize_colors = FALSE;
    jpeg_start_decompress(&info);
    if (info.output_components != 3) {
        jpeg_destroy_decompress(&info);
        return Fail(error, u"JPEG-Bild lässt sich nicht in Farbe lesen."_s);
    }

    *image = QImage(int(info.output_width), int(info.output_height), QImage::Format_RGB888);
    if (image->isNull()) {
        jpeg_destroy_decompress(&info);
        return Fail(error, u"Zu wenig Speicher für das JPEG-Bild."_s);
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image->scanLine(int(info.output_scanline));
        if (jpeg_read_scanlines(&info, &row, 1) != 1) {
            jpeg_destroy_decompress(&info);
            return Fail(error, u"JPEG-Bild unvollständig."_s);
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    if (error)
        error->clear();
    return *image;
}
