#include "ledger/Win1252.h"

#include <array>

namespace {

// Bytes 0x80..0x9F; all other bytes stand for the character of the same code.
constexpr std::array<char16_t, 32> HighControlBlock = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool IsHighSurrogate(char16_t ch) { return ch >= 0xD800 && ch <= 0xDBFF; }
bool IsLowSurrogate(char16_t ch) { return ch >= 0xDC00 && ch <= 0xDFFF; }

template <typename Sink>
void ForEachByte(QStringView text, Sink sink)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ch = text[i].unicode();
        if (IsHighSurrogate(ch) && i + 1 < n && IsLowSurrogate(text[i + 1].unicode())) {
            ++i;
            sink('?');
            continue;
        }
        const int byte = Win1252::FromUnicode(ch);
        sink(byte < 0 ? '?' : static_cast<unsigned char>(byte));
    }
}

} // namespace

namespace Win1252 {

char16_t ToUnicode(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return HighControlBlock[byte - 0x80];
    return byte;
}

int FromUnicode(char16_t ch)
{
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF))
        return ch;
    for (std::size_t i = 0; i < HighControlBlock.size(); ++i) {
        if (HighControlBlock[i] == ch)
            return static_cast<int>(0x80 + i);
    }
    return -1;
}

QString Decode(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(ToUnicode(in[i]));
    return text;
}

QByteArray Encode(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    ForEachByte(text, [&bytes](unsigned char byte) { bytes.append(static_cast<char>(byte)); });
    return bytes;
}

QString Sanitize(QStringView text)
{
    if (IsRepresentable(text))
        return text.toString();
    QString result;
    result.reserve(text.size());
    ForEachByte(text, [&result](unsigned char byte) { result.append(QChar(ToUnicode(byte))); });
    return result;
}

qsizetype EncodedLength(QStringView text)
{
    qsizetype n = 0;
    ForEachByte(text, [&n](unsigned char) { ++n; });
    return n;
}

bool IsRepresentable(QStringView text)
{
    for (const QChar ch : text) {
        if (FromUnicode(ch.unicode()) < 0)
            return false;
    }
    return true;
}

} // namespace Win1252
