#include "support/HelpMap.h"

#include <QtEndian>

#include <algorithm>

namespace {

quint32 ReadUInt32(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.data() + at);
}

} // namespace

namespace HelpMap {

QMap<quint32, QString> ParseContextMap(QByteArrayView ivb, QByteArrayView strings)
{
    QMap<quint32, QString> map;
    if (ivb.size() < 4)
        return map;
    // A length beyond the object only means that it was cut off; the pairs that are
    // there still count.
    const qsizetype declared = qsizetype(ReadUInt32(ivb, 0));
    const qsizetype end = 4 + std::min(declared, ivb.size() - 4);
    for (qsizetype at = 4; end - at >= 8; at += 8) {
        const quint32 context = ReadUInt32(ivb, at);
        const quint32 offset = ReadUInt32(ivb, at + 4);
        if (offset >= quint64(strings.size()) || map.contains(context))
            continue;
        const QByteArrayView rest = strings.sliced(qsizetype(offset));
        const qsizetype nul = rest.indexOf('\0');
        if (nul <= 0)
            continue;
        map.insert(context, QString::fromUtf8(rest.first(nul)));
    }
    return map;
}

QString ResolveTopic(const QString &topic, const QStringList &objectPaths)
{
    QString path = topic;
    path.replace(u'\\', u'/');
    if (const qsizetype hash = path.indexOf(u'#'); hash >= 0)
        path.truncate(hash);
    if (!path.startsWith(u'/'))
        path.prepend(u'/');

    QString best;
    for (const QString &object : objectPaths) {
        // An object path starts with "/", so a match always begins at a folder boundary.
        if (!object.startsWith(u'/') || object.endsWith(u'/') || object.size() <= best.size())
            continue;
        if (path.endsWith(object, Qt::CaseInsensitive))
            best = object;
    }
    return best;
}

} // namespace HelpMap
