#include "support/ResourceImages.h"

#include "ledger/QelError.h"

#include <QBitmap>

using namespace Qt::StringLiterals;

QImage ResourceBitmap(const QString &name)
{
    QImage image;
    if (!image.load(u":/bitmap/"_s + name + u".bmp"_s, "BMP"))
        throw QelError(u"Das Bild „%1“ fehlt in den Programmdateien."_s.arg(name));
    return image.convertToFormat(QImage::Format_RGB888);
}

QPixmap TransparentCornerPixmap(const QImage &image)
{
    if (image.isNull())
        return QPixmap();
    // Compare opaque 32-bit pixels, whatever format the picture came in.
    const QImage opaque = image.convertToFormat(QImage::Format_RGB32);
    const QRgb corner = opaque.pixel(0, 0);
    QPixmap pixmap = QPixmap::fromImage(opaque);
    pixmap.setMask(QBitmap::fromImage(opaque.createMaskFromColor(corner, Qt::MaskInColor)));
    return pixmap;
}

QImage GreyImage(const QImage &image)
{
    QImage grey = image.convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < grey.height(); ++y) {
        uchar *pixel = grey.scanLine(y);
        for (int x = 0; x < grey.width(); ++x, pixel += 3) {
            const auto value = uchar((77 * pixel[0] + 151 * pixel[1] + 28 * pixel[2]) >> 8);
            pixel[0] = pixel[1] = pixel[2] = value;
        }
    }
    return grey;
}
