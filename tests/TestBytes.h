#pragma once

#include <QByteArray>
#include <QString>

// Builds expected byte sequences readably: Hex("01 59 00") and the short strings and
// UTF-16 texts of the list records.
inline QByteArray Hex(const char *spaced)
{
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}

inline QByteArray Short(const QByteArray &latin1)
{
    return char(latin1.size()) + latin1;
}

inline QByteArray Utf16Short(const QString &text)
{
    QByteArray out(1, char(text.size()));
    for (const QChar ch : text) {
        out.append(char(ch.unicode() & 0xFF));
        out.append(char(ch.unicode() >> 8));
    }
    return out;
}
