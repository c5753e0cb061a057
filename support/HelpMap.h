#pragma once

#include <QByteArrayView>
#include <QMap>
#include <QString>
#include <QStringList>

// The context numbers of a compiled help archive. Its "/#IVB" object holds a byte
// length (uint32, little-endian) and then pairs of uint32 context number and uint32
// offset into "/#STRINGS", which holds NUL-terminated topic texts.
namespace HelpMap {

// Context number -> topic text as stored. Every length and offset is checked against
// the bytes that remain: a pair that is cut off, points outside "/#STRINGS", or names
// an unterminated or empty text is left out, so damaged data gives fewer entries and
// never a read outside the buffers. The first pair of a context number counts.
QMap<quint32, QString> ParseContextMap(QByteArrayView ivb, QByteArrayView strings);

// The archive object a stored topic names. The compiler stores topics as paths of the
// machine that built the archive ("/home/x/build/help/start.html"), so the topic is
// matched against the object paths ("/start.html") by the longest one that ends it at
// a folder boundary, letter case ignored. A "#anchor" is ignored, backslashes count as
// "/". Empty when no object matches.
QString ResolveTopic(const QString &topic, const QStringList &objectPaths);

} // namespace HelpMap
