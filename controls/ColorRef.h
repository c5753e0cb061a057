#pragma once

#include <QColor>

// Colours of the program's look are given as platform colour values 0x00BBGGRR.
constexpr QRgb RgbFromColorRef(quint32 colorRef)
{
    return qRgb(int(colorRef & 0xFF), int((colorRef >> 8) & 0xFF), int((colorRef >> 16) & 0xFF));
}

inline QColor ColorFromRef(quint32 colorRef)
{
    return QColor::fromRgb(RgbFromColorRef(colorRef));
}
