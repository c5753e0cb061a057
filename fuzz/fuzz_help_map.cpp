// The help file's context map: "/#IVB" and "/#STRINGS" as read from QEL.chm.
// Input: uint32 little-endian n, then n bytes of "/#IVB", then "/#STRINGS" (n is cut to
// what is there). The seeds are the two objects of the compiled QEL.chm, whole and cut.

#include "FuzzCommon.h"

#include "support/HelpMap.h"

#include <QStringList>

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input = fuzz::Bytes(data, size);
    QByteArrayView ivb;
    QByteArrayView strings = input;
    if (input.size() >= 4) {
        const quint32 n = quint32(data[0]) | quint32(data[1]) << 8 | quint32(data[2]) << 16 | quint32(data[3]) << 24;
        const qsizetype ivbSize = std::min<qsizetype>(qsizetype(n), input.size() - 4);
        ivb = input.sliced(4, ivbSize);
        strings = input.sliced(4 + ivbSize);
    }

    const QMap<quint32, QString> map = HelpMap::ParseContextMap(ivb, strings);
    const qsizetype pairs = ivb.size() < 4 ? 0 : (ivb.size() - 4) / 8;
    if (map.size() > pairs)
        fuzz::Fail("more contexts than pairs:", QString::number(map.size()));

    for (const QString &topic : map) {
        if (topic.isEmpty())
            fuzz::Fail("empty topic");
        // A text that decodes cleanly stands NUL-terminated in "/#STRINGS".
        if (!topic.contains(QChar::ReplacementCharacter)) {
            QByteArray stored = topic.toUtf8();
            stored.append('\0');
            if (!strings.contains(stored))
                fuzz::Fail("topic not in /#STRINGS:", topic);
        }

        // An archive that holds the topic's file name always resolves it, and the
        // answer is always one of the archive's objects.
        QString path = topic;
        path.replace(u'\\', u'/');
        path.truncate(path.indexOf(u'#') < 0 ? path.size() : path.indexOf(u'#'));
        const QString name = path.section(u'/', -1);
        QStringList objects{QStringLiteral("/"), QStringLiteral("/start.html"), QStringLiteral("::DataSpace/NameList")};
        if (!name.isEmpty())
            objects << u'/' + name;
        const QString object = HelpMap::ResolveTopic(topic, objects);
        if (!object.isEmpty() && !objects.contains(object))
            fuzz::Fail("resolved to no object:", object);
        if (!name.isEmpty() && object.isEmpty())
            fuzz::Fail("file name not resolved:", topic);
        const QString rooted = u'/' + path;
        if (!object.isEmpty() && !rooted.endsWith(object, Qt::CaseInsensitive))
            fuzz::Fail("object does not end the topic:", topic + QStringLiteral(" -> ") + object);
    }
    return 0;
}
