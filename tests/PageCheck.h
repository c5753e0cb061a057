#pragma once

// What the printing tests look at in a page: ink in an area, the likeness of two pages, and
// the output of the poppler tools that read the printed PDF.

#include "output/PagePrinter.h"

#include <QImage>
#include <QList>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <cmath>

inline bool HasInk(const QImage &image, const QRect &area)
{
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (qGray(image.pixel(x, y)) < 128)
                return true;
        }
    }
    return false;
}

// The rightmost column with ink in the area, or -1.
inline int RightmostInk(const QImage &image, const QRect &area)
{
    for (int x = area.right(); x >= area.left(); --x) {
        if (HasInk(image, QRect(x, area.top(), 1, area.height())))
            return x;
    }
    return -1;
}

// The darkness of the page in a coarse grid, one cell per 100 × 100 page pixels.
inline QList<double> InkGrid(const QImage &page)
{
    const QImage small = page.convertToFormat(QImage::Format_Grayscale8)
                             .scaled(PageImage::Width / 100, PageImage::Height / 100, Qt::IgnoreAspectRatio,
                                     Qt::SmoothTransformation);
    QList<double> grid;
    for (int y = 0; y < small.height(); ++y) {
        for (int x = 0; x < small.width(); ++x)
            grid.append(255 - qGray(small.pixel(x, y)));
    }
    return grid;
}

inline double Correlation(const QList<double> &a, const QList<double> &b)
{
    const auto n = double(a.size());
    double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    for (qsizetype i = 0; i < a.size(); ++i) {
        sa += a[i];
        sb += b[i];
        saa += a[i] * a[i];
        sbb += b[i] * b[i];
        sab += a[i] * b[i];
    }
    const double cov = sab - sa * sb / n;
    const double var = std::sqrt((saa - sa * sa / n) * (sbb - sb * sb / n));
    return var > 0 ? cov / var : 0;
}

inline QString Tool(const QString &name, const QStringList &args)
{
    QProcess process;
    process.start(QStandardPaths::findExecutable(name), args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

