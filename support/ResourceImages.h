#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>

// The bitmap resource NAME (":/bitmap/NAME.bmp") as a 24-bit image; throws QelError when the
// program has no such picture.
QImage ResourceBitmap(const QString &name);

// The picture with every pixel of its top-left pixel's colour transparent, the way the
// program's markers, key faces and button symbols are drawn.
QPixmap TransparentCornerPixmap(const QImage &image);

// The look of a disabled symbol: each pixel's channels become (77·R + 151·G + 28·B) >> 8.
// The result is 24-bit, so a transparent corner colour stays one colour.
QImage GreyImage(const QImage &image);
