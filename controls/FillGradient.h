#pragma once

#include <QColor>
#include <QList>
#include <QRect>

class QPainter;

// Fills rect with vertical bands between the colours, the first at the top. Each band runs
// from its start colour to its end colour inclusive; neighbouring bands share their
// boundary row, and the last band ends on the last row. The band height is rect's height
// divided by the number of bands, rounded half to even. Fewer than two colours paint
// nothing. The painter's pen is not touched.
void FillGradient(QPainter &painter, const QRect &rect, const QList<QColor> &colors);
