#include "controls/FillGradient.h"

#include <QPainter>

#include <cmath>

void FillGradient(QPainter &painter, const QRect &rect, const QList<QColor> &colors)
{
    const int n = int(colors.size()) - 1;
    if (n <= 0)
        return;
    const int height = rect.height();
    // std::nearbyint rounds half to even in the default rounding mode.
    const int band = int(std::nearbyint(double(height) / n));
    for (int i = 0; i < n; ++i) {
        const QColor from = colors.at(i);
        const QColor to = colors.at(i + 1);
        const int lines = i == n - 1 ? height - i * band - 1 : band;
        for (int q = 0; q <= lines; ++q) {
            const int y = rect.top() + i * band + q;
            if (y < rect.top() || y > rect.bottom())
                continue;
            // A band of no lines is a single row in its start colour.
            const double t = lines > 0 ? double(q) / lines : 0.0;
            const auto channel = [t](int a, int b) { return int(a + (b - a) * t); };
            painter.fillRect(QRect(rect.left(), y, rect.width(), 1),
                             QColor(channel(from.red(), to.red()), channel(from.green(), to.green()),
                                    channel(from.blue(), to.blue())));
        }
    }
}
