#include "ledger/Cents.h"

#include "ledger/FuncUnit.h"

#include <cmath>

qint64 ShownCents(double value)
{
    if (std::isnan(value))
        return 0;
    if (std::fabs(value) * 100 >= double(MaxCents))
        return value < 0 ? -MaxCents : MaxCents;
    // The text has at most two decimals; read back, it is the nearest double to a whole
    // number of cents, which rounding then hits exactly.
    return qRound64(ParseAmount(FormatAmount(value)) * 100);
}

QString CentsText(qint64 cents)
{
    const quint64 magnitude = cents < 0 ? quint64(0) - quint64(cents) : quint64(cents);
    return QStringLiteral("%1%2.%3")
        .arg(cents < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 100)
        .arg(magnitude % 100, 2, 10, QChar(u'0'));
}
