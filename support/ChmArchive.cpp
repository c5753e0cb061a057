#include "support/ChmArchive.h"

#ifdef QEL_HAVE_CHMLIB

#include <QFile>
#include <QSaveFile>
#include <QtEndian>

#include <chm_lib.h>

#include <cstring>

namespace {

int CollectPath(chmFile *, chmUnitInfo *unit, void *context)
{
    static_cast<QStringList *>(context)->append(QString::fromUtf8(unit->path));
    return CHM_ENUMERATOR_CONTINUE;
}

bool Resolve(chmFile *file, const QString &objectPath, chmUnitInfo &unit)
{
    const QByteArray name = objectPath.toUtf8();
    return file && !name.isEmpty() && name.size() <= CHM_MAX_PATHLEN
           && chm_resolve_object(file, name.constData(), &unit) == CHM_RESOLVE_SUCCESS;
}

template <typename T>
T LittleEndian(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<T>(bytes.constData() + at);
}

} // namespace

ChmArchive::ChmArchive(const QString &path)
{
    if (!path.isEmpty())
        File_ = chm_open(QFile::encodeName(path).constData());
}

ChmArchive::~ChmArchive()
{
    if (File_)
        chm_close(File_);
}

bool ChmArchive::Available()
{
    return true;
}

QString ChmArchive::LibraryVersion()
{
#ifdef QEL_CHMLIB_VERSION
    return QStringLiteral(QEL_CHMLIB_VERSION);
#else
    return {};
#endif
}

std::optional<QByteArray> ChmArchive::Read(const QString &objectPath, qint64 maxSize) const
{
    chmUnitInfo unit{};
    if (!Resolve(File_, objectPath, unit) || unit.length > quint64(maxSize))
        return std::nullopt;
    QByteArray bytes(qsizetype(unit.length), Qt::Uninitialized);
    const LONGINT64 got = chm_retrieve_object(File_, &unit, reinterpret_cast<unsigned char *>(bytes.data()),
                                              0, LONGINT64(unit.length));
    if (got != LONGINT64(unit.length))
        return std::nullopt;
    return bytes;
}

QStringList ChmArchive::ObjectPaths() const
{
    QStringList paths;
    if (File_)
        chm_enumerate(File_, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_FILES, CollectPath, &paths);
    return paths;
}

bool ChmArchive::ClearCompileTimes(const QString &path)
{
    // Header of a version 3 archive: "ITSF", version, header length, 1, the time
    // (4 bytes) at 0x10, ..., the offset of the uncompressed section at 0x58.
    constexpr qsizetype TimeAt = 0x10;
    constexpr qsizetype Section0At = 0x58;
    constexpr qsizetype HeaderSize = 0x60;
    constexpr quint16 SystemTimeCode = 10;

    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QByteArray bytes = in.readAll();
    in.close();
    if (bytes.size() < HeaderSize || !bytes.startsWith("ITSF") || LittleEndian<quint32>(bytes, 4) != 3
        || LittleEndian<quint32>(bytes, 8) < quint64(HeaderSize))
        return false;
    const quint64 section0 = LittleEndian<quint64>(bytes, Section0At);

    // Where "/#SYSTEM" lies in the file: chmlib knows its place in the section.
    chmUnitInfo unit{};
    {
        const ChmArchive archive(path);
        if (!Resolve(archive.File_, QStringLiteral("/#SYSTEM"), unit) || unit.space != CHM_UNCOMPRESSED)
            return false;
    }
    const quint64 size = quint64(bytes.size());
    if (section0 > size || unit.start > size - section0 || unit.length > size - section0 - unit.start
        || unit.length < 4)
        return false;

    // "/#SYSTEM": a version, then records of code, length and data.
    const qsizetype end = qsizetype(section0 + unit.start + unit.length);
    qsizetype at = qsizetype(section0 + unit.start) + 4;
    bool cleared = false;
    while (end - at >= 4) {
        const auto code = LittleEndian<quint16>(bytes, at);
        const auto length = qsizetype(LittleEndian<quint16>(bytes, at + 2));
        at += 4;
        if (length > end - at)
            return false;
        if (code == SystemTimeCode && length >= 4) {
            std::memset(bytes.data() + at, 0, 4);
            cleared = true;
        }
        at += length;
    }
    if (!cleared)
        return false;
    std::memset(bytes.data() + TimeAt, 0, 4);

    QSaveFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit();
}

#else // without chmlib

ChmArchive::ChmArchive(const QString &) {}
ChmArchive::~ChmArchive() = default;

bool ChmArchive::Available()
{
    return false;
}

QString ChmArchive::LibraryVersion()
{
    return {};
}

std::optional<QByteArray> ChmArchive::Read(const QString &, qint64) const
{
    return std::nullopt;
}

QStringList ChmArchive::ObjectPaths() const
{
    return {};
}

bool ChmArchive::ClearCompileTimes(const QString &)
{
    return false;
}

#endif

#ifdef QEL_CHM_STAMP_TOOL
// The build's helper: qel_chm_stamp FILE clears the compile times of a fresh QEL.chm.
#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: qel_chm_stamp FILE.chm\n", stderr);
        return 2;
    }
    if (!ChmArchive::ClearCompileTimes(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "qel_chm_stamp: %s is not laid out as expected\n", argv[1]);
        return 1;
    }
    return 0;
}
#endif
