#pragma once

#include <QString>

// Amounts in whole cents, for figures that are added up further (the year's months, the
// search's amounts): a sum of cents is exact, and each figure is exactly what its money label
// shows. Only a crafted file brings amounts beyond ten trillion euro; they are held at that
// bound, so that sums of them cannot overflow.
constexpr qint64 MaxCents = 1'000'000'000'000'000LL;

// The value rounded as FormatAmount shows it (two decimals, halves away from zero), in cents.
qint64 ShownCents(double value);

// Cents as amount text: "-1234.50", "0.05"; never "-0.00".
QString CentsText(qint64 cents);
