#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QString>

// Decodes JPEG bytes with libjpeg into a 24-bit colour image (QImage::Format_RGB888), also
// for a grey-scale source. Any fault, including a truncated or oversized picture, gives a null
// image and, when asked for, a reason in *error; nothing is written to the terminal.
QImage DecodeJpeg(QByteArrayView data, QString *error = nullptr);
