#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Texts of the ledger are 8-bit Windows-1252 text. We hold them as QString, but only
// characters that survive the 8-bit form may be in them; these helpers convert and
// reduce a text to that form. The five byte values that Windows-1252 leaves open map
// to the control characters of the same code, so every byte has a character.
namespace Win1252 {

// The character of one 8-bit byte.
char16_t ToUnicode(unsigned char byte);

// The byte of a character, or -1 when the 8-bit form has none.
int FromUnicode(char16_t ch);

QString Decode(QByteArrayView bytes);

// Characters without a byte become "?" (a surrogate pair becomes one "?").
QByteArray Encode(QStringView text);

// The text as it comes back from the 8-bit form: Decode(Encode(text)).
QString Sanitize(QStringView text);

// The number of bytes of the 8-bit form.
qsizetype EncodedLength(QStringView text);

// True when every character of the text has a byte, so Sanitize would not change it.
bool IsRepresentable(QStringView text);

} // namespace Win1252
