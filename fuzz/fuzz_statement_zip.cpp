// ZIP files of statements from outside bytes: the archive's limits and names, then every
// entry through the statement readers. As packed data whose checksum is wrong is refused
// before any entry is read, the bytes are also packed into a well-formed archive (names,
// contents and packing taken from them) and read from there.

#include "StatementFuzz.h"

#include "statements/StatementArchive.h"
#include "ledger/QelError.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <zip.h>

#include <string>
#include <vector>

namespace {

// What the archive reader promises of the names it hands on: below the archive's own,
// never above it, and free of control characters.
void CheckName(const QString &name)
{
    const QString prefix = QStringLiteral("fuzz.zip/");
    if (!name.startsWith(prefix) || name.size() == prefix.size())
        fuzz::Fail("entry name not below the archive:", name);
    for (const QStringView part : QStringView(name).sliced(prefix.size()).split(u'/')) {
        for (const QStringView piece : part.split(u'\\')) {
            if (piece == u"..")
                fuzz::Fail("entry name leaves the archive:", name);
        }
    }
    for (const QChar ch : name) {
        if (ch.unicode() < 0x20)
            fuzz::Fail("control character in an entry name:", name);
    }
}

void ReadAndCheck(QByteArrayView bytes)
{
    try {
        const QList<StatementFile> files = ReadStatementArchive(bytes, QStringLiteral("fuzz.zip"));
        if (files.isEmpty())
            fuzz::Fail("an archive read without a statement in it");
        for (const StatementFile &file : files) {
            CheckName(file.Name);
            fuzz::CheckStatement(file.Result);
        }
    } catch (const QelError &) {
    }
}

// Up to four entries, each a name, a content and stored or deflated, as libzip writes them.
QByteArray PackedArchive(FuzzedDataProvider &input)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(buffer);
    zip_t *archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    if (!archive)
        fuzz::Fail("libzip cannot open an archive to write");
    std::vector<std::string> contents; // libzip reads them when the archive is closed
    contents.reserve(4);
    const int count = input.ConsumeIntegralInRange(1, 4);
    for (int i = 0; i < count; ++i) {
        const std::string name = input.ConsumeRandomLengthString(64);
        const bool stored = input.ConsumeBool();
        contents.push_back(i + 1 < count ? input.ConsumeRandomLengthString() : input.ConsumeRemainingBytesAsString());
        zip_source_t *data = zip_source_buffer(archive, contents.back().data(), contents.back().size(), 0);
        const zip_int64_t index = zip_file_add(archive, name.c_str(), data, ZIP_FL_ENC_GUESS);
        if (index < 0) {
            zip_source_free(data); // a name twice or an empty one
            continue;
        }
        zip_set_file_compression(archive, zip_uint64_t(index), stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 1);
    }
    zip_error_fini(&error);
    QByteArray bytes;
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        zip_source_free(buffer);
        return bytes;
    }
    zip_stat_t stat;
    if (zip_source_stat(buffer, &stat) == 0 && zip_source_open(buffer) == 0) {
        bytes.resize(qsizetype(stat.size));
        if (zip_source_read(buffer, bytes.data(), stat.size) != zip_int64_t(stat.size))
            bytes.clear();
        zip_source_close(buffer);
    }
    zip_source_free(buffer);
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ReadAndCheck(fuzz::Bytes(data, size));
    FuzzedDataProvider input(data, size);
    const QByteArray packed = PackedArchive(input);
    if (!packed.isEmpty())
        ReadAndCheck(packed);
    return 0;
}
