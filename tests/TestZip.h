#pragma once

// ZIP archives written with libzip for the tests of statements in ZIP files.

#include <QByteArray>
#include <QList>
#include <QString>

#include <zip.h>

#include <cstdlib>

struct ZipEntry
{
    QString Name; // ending in "/" for a folder
    QByteArray Bytes;
    bool Encrypted = false;
    int Level = 0; // libzip's default; 1 packs the large entries of the limit tests in a moment
};

// The archive's bytes as libzip writes them.
inline QByteArray MakeZip(const QList<ZipEntry> &entries)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(buffer);
    zip_t *archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    if (!archive)
        qFatal("cannot open an archive to write: %s", zip_error_strerror(&error));
    for (const ZipEntry &entry : entries) {
        const QByteArray name = entry.Name.toUtf8();
        if (entry.Name.endsWith(u'/')) {
            zip_dir_add(archive, name.constData(), ZIP_FL_ENC_UTF_8);
            continue;
        }
        zip_source_t *data = zip_source_buffer(archive, entry.Bytes.constData(), zip_uint64_t(entry.Bytes.size()), 0);
        const zip_int64_t index = zip_file_add(archive, name.constData(), data, ZIP_FL_ENC_UTF_8);
        const auto at = zip_uint64_t(index);
        if (index < 0 || zip_set_file_compression(archive, at, ZIP_CM_DEFLATE, zip_uint32_t(entry.Level)) != 0
            || (entry.Encrypted && zip_file_set_encryption(archive, at, ZIP_EM_AES_256, "geheim") != 0))
            qFatal("cannot add %s: %s", name.constData(), zip_strerror(archive));
    }
    if (zip_close(archive) != 0)
        qFatal("cannot write the archive: %s", zip_strerror(archive));
    zip_stat_t stat;
    QByteArray bytes;
    if (zip_source_stat(buffer, &stat) != 0 || zip_source_open(buffer) != 0)
        qFatal("cannot read the written archive");
    bytes.resize(qsizetype(stat.size));
    if (zip_source_read(buffer, bytes.data(), stat.size) != zip_int64_t(stat.size))
        qFatal("cannot read the written archive");
    zip_source_close(buffer);
    zip_source_free(buffer);
    return bytes;
}

