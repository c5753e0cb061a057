#include "statements/StatementArchive.h"

#include "statements/CamtReader.h"
#include "statements/CsvTable.h"
#include "statements/Mt940Reader.h"

#include <QXmlStreamReader>

#include <zip.h>

#include <memory>

using StatementText::Fail;
using namespace Qt::StringLiterals;

namespace {

// Enough of an entry to tell what it is.
constexpr qsizetype HeadBytes = 64 * 1024;
constexpr qsizetype ReadChunkBytes = 64 * 1024;
constexpr qsizetype MaxNameLength = 1'000;
constexpr int TableSearchRecords = 100;

struct ArchiveCloser
{
    void operator()(zip_t *archive) const { zip_discard(archive); }
};
struct EntryCloser
{
    void operator()(zip_file_t *file) const { zip_fclose(file); }
};
using ArchivePtr = std::unique_ptr<zip_t, ArchiveCloser>;
using EntryPtr = std::unique_ptr<zip_file_t, EntryCloser>;

QString MegabytesText(qint64 bytes)
{
    return QString::number(bytes / (1024 * 1024));
}

QString DamagedText()
{
    return u"Das ZIP-Archiv ist beschädigt oder unvollständig; vielleicht wurde es nicht ganz heruntergeladen."_s;
}

QString TotalTooLargeText()
{
    return u"Die Einträge des ZIP-Archivs sind entpackt zusammen größer als %1 MB; so viel liest das Programm nicht "
           u"auf einmal. Bitte entpacken Sie das Archiv und lesen Sie die Dateien einzeln ein."_s
        .arg(MegabytesText(StatementArchive::MaxTotalBytes));
}

// An entry as the central directory describes it: what it says about itself is checked
// before anything is unpacked, and again while it is.
struct Entry
{
    zip_uint64_t Index = 0;
    QString Name;
    qint64 Size = 0;
    qint64 PackedSize = 0;
};

class ArchiveReader
{
public:
    ArchiveReader(QByteArrayView bytes, const QString &fileName, const CsvChoiceLookup &choices)
        : Bytes_(bytes), FileName_(fileName), Choices_(choices)
    {
    }

    QList<StatementFile> Read();

private:
    ArchivePtr Open() const;
    QList<Entry> Entries(zip_t *archive) const;
    void CheckSizes(const Entry &entry) const;
    QByteArray Unpack(zip_t *archive, const Entry &entry);
    QString EntryFileName(const Entry &entry) const { return FileName_ + u'/' + entry.Name; }
    [[noreturn]] void FailEntry(const Entry &entry, const QString &text) const { Fail(EntryFileName(entry), 0, text); }

    QByteArrayView Bytes_;
    const QString &FileName_;
    const CsvChoiceLookup &Choices_;
    qint64 Unpacked_ = 0;
};

// ".." anywhere, an absolute path, control characters or bytes that are no text: such a
// name comes from a made-up archive, not from a bank.
bool IsSafeName(const QString &name)
{
    if (name.isEmpty() || name.size() > MaxNameLength)
        return false;
    for (const QChar ch : name) {
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7F || ch == QChar::ReplacementCharacter)
            return false;
    }
    if (name.startsWith(u'/') || name.startsWith(u'\\') || (name.size() > 1 && name[1] == u':'))
        return false;
    for (const QStringView part : QStringView(name).split(u'/')) {
        for (const QStringView piece : part.split(u'\\')) {
            if (piece == u"..")
                return false;
        }
    }
    return true;
}

bool IsFolder(const QString &name)
{
    return name.endsWith(u'/') || name.endsWith(u'\\');
}

// Whether XML is a CAMT message: by its first two elements where they can be read, else by
// the name of the message kind (so that a CAMT file broken at its start is still reported).
bool IsCamt(QByteArrayView head)
{
    QXmlStreamReader xml(head.toByteArray());
    QStringList names;
    while (names.size() < 2 && !xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement)
            names.append(xml.name().toString());
    }
    if (names.size() == 2)
        return names[0] == u"Document" && names[1].startsWith(u"BkToCstmr");
    return StatementText::Decode(head).contains(u"BkToCstmr");
}

// A table of turnovers: a record of three or more fields, one of them a date. Prose (a
// readme) has no such line.
bool LooksLikeCsvTable(const QString &text)
{
    const CsvTable table = SplitCsv(text, DetectCsvSeparator(text));
    const qsizetype searched = std::min<qsizetype>(table.Records.size(), TableSearchRecords);
    const auto isDate = [](const QString &field) { return StatementText::ParseDate(field.trimmed()).Date.isValid(); };
    for (qsizetype r = 0; r < searched; ++r) {
        const QStringList &fields = table.Records[r].Fields;
        if (fields.size() >= 3 && std::any_of(fields.cbegin(), fields.cend(), isDate))
            return true;
    }
    return false;
}

// By content, as ReadStatement tells the formats apart; what is none of them is passed over.
bool IsStatement(QByteArrayView bytes)
{
    const QByteArrayView head = bytes.first(std::min(bytes.size(), HeadBytes));
    const QString text = StatementText::Decode(head);
    if (QStringView(text).trimmed().startsWith(u'<'))
        return IsCamt(head);
    if (StatementText::LooksBinary(head))
        return false;
    return LooksLikeMt940(text) || LooksLikeCsvTable(text);
}

ArchivePtr ArchiveReader::Open() const
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = zip_source_buffer_create(Bytes_.data(), zip_uint64_t(Bytes_.size()), 0, &error);
    if (!source) {
        zip_error_fini(&error);
        Fail(FileName_, 0, u"Das ZIP-Archiv kann nicht gelesen werden (zu wenig Speicher)."_s);
    }
    // ZIP_CHECKCONS: the local headers must agree with the central directory, so that an
    // entry cannot hide behind another's description.
    zip_t *archive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!archive) {
        zip_source_free(source);
        const int code = zip_error_code_zip(&error);
        zip_error_fini(&error);
        if (code == ZIP_ER_MULTIDISK)
            Fail(FileName_, 0, u"Das ZIP-Archiv ist auf mehrere Dateien verteilt; das liest das Programm nicht."_s);
        if (code == ZIP_ER_MEMORY)
            Fail(FileName_, 0, u"Das ZIP-Archiv kann nicht gelesen werden (zu wenig Speicher)."_s);
        Fail(FileName_, 0, DamagedText());
    }
    zip_error_fini(&error);
    return ArchivePtr(archive);
}

QList<Entry> ArchiveReader::Entries(zip_t *archive) const
{
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    if (count < 0)
        Fail(FileName_, 0, DamagedText());
    if (count > StatementArchive::MaxEntries)
        Fail(FileName_, 0,
             u"Das ZIP-Archiv hat %1 Einträge; mehr als %2 liest das Programm nicht."_s.arg(count).arg(
                 StatementArchive::MaxEntries));
    QList<Entry> entries;
    qint64 total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive, zip_uint64_t(i), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_NAME))
            Fail(FileName_, 0, DamagedText());
        Entry entry;
        entry.Index = zip_uint64_t(i);
        entry.Name = QString::fromUtf8(stat.name);
        if (IsFolder(entry.Name) || !IsSafeName(entry.Name))
            continue;
        const zip_uint64_t needed =
            ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;
        if ((stat.valid & needed) != needed)
            FailEntry(entry, DamagedText());
        if (stat.encryption_method != ZIP_EM_NONE)
            FailEntry(entry, u"Der Eintrag ist verschlüsselt. Bitte entpacken Sie das Archiv mit seinem Kennwort "
                              u"und lesen Sie die Dateien daraus ein."_s);
        if (!zip_compression_method_supported(stat.comp_method, 0))
            FailEntry(entry, u"Der Eintrag ist mit einem Verfahren gepackt, das das Programm nicht entpacken kann. "
                              u"Bitte entpacken Sie das Archiv und lesen Sie die Dateien daraus ein."_s);
        // Above the limits anything is refused anyway; kept there, the sums cannot overflow.
        entry.Size = qint64(std::min<zip_uint64_t>(stat.size, StatementArchive::MaxEntryBytes + 1));
        entry.PackedSize = qint64(std::min<zip_uint64_t>(stat.comp_size, StatementText::MaxFileBytes + 1));
        CheckSizes(entry);
        total += entry.Size;
        if (total > StatementArchive::MaxTotalBytes)
            Fail(FileName_, 0, TotalTooLargeText());
        entries.append(entry);
    }
    return entries;
}

// The sizes the entry claims, or (while it is unpacked) those it has shown so far.
void ArchiveReader::CheckSizes(const Entry &entry) const
{
    if (entry.Size > StatementArchive::MaxEntryBytes)
        FailEntry(entry, u"Der Eintrag ist entpackt größer als %1 MB und wird nicht als Kontoauszug gelesen."_s.arg(
                             MegabytesText(StatementArchive::MaxEntryBytes)));
    if (entry.Size > StatementArchive::RatioCheckedFromBytes
        && entry.Size > StatementArchive::MaxRatio * std::max<qint64>(entry.PackedSize, 1))
        FailEntry(entry, u"Der Eintrag ist mehr als %1-fach gepackt; so dicht lässt sich kein Kontoauszug packen. "
                          u"Das Archiv wird nicht entpackt."_s.arg(StatementArchive::MaxRatio));
}

QByteArray ArchiveReader::Unpack(zip_t *archive, const Entry &entry)
{
    const EntryPtr file(zip_fopen_index(archive, entry.Index, 0));
    if (!file)
        FailEntry(entry, DamagedText());
    QByteArray bytes;
    bytes.reserve(entry.Size);
    Entry seen = entry;
    char chunk[ReadChunkBytes];
    for (;;) {
        const zip_int64_t n = zip_fread(file.get(), chunk, sizeof chunk);
        if (n < 0)
            FailEntry(entry, u"Der Eintrag ist beschädigt und kann nicht entpackt werden."_s);
        if (n == 0)
            break;
        // The directory may understate a size: what comes out counts.
        seen.Size = bytes.size() + n;
        CheckSizes(seen);
        Unpacked_ += n;
        if (Unpacked_ > StatementArchive::MaxTotalBytes)
            Fail(FileName_, 0, TotalTooLargeText());
        bytes.append(chunk, n);
    }
    return bytes;
}

QList<StatementFile> ArchiveReader::Read()
{
    const ArchivePtr archive = Open();
    QList<StatementFile> statements;
    for (const Entry &entry : Entries(archive.get())) {
        const QByteArray bytes = Unpack(archive.get(), entry);
        if (LooksLikeZip(bytes))
            FailEntry(entry, u"Der Eintrag ist selbst ein ZIP-Archiv; ZIP-Archive in ZIP-Archiven liest das Programm "
                              u"nicht. Bitte entpacken Sie das äußere Archiv und lesen Sie die Dateien daraus ein."_s);
        if (!IsStatement(bytes))
            continue;
        const QString name = EntryFileName(entry);
        statements.append({name, ReadStatement(bytes, name, Choices_)});
    }
    if (statements.isEmpty())
        Fail(FileName_, 0, u"Das ZIP-Archiv enthält keinen Kontoauszug (CAMT, MT940 oder CSV)."_s);
    return statements;
}

} // namespace

bool LooksLikeZip(QByteArrayView bytes)
{
    return bytes.startsWith("PK\x03\x04");
}

QList<StatementFile> ReadStatementArchive(QByteArrayView bytes, const QString &fileName, const CsvChoiceLookup &choices)
{
    if (bytes.size() > StatementText::MaxFileBytes)
        Fail(fileName, 0, u"Das ZIP-Archiv ist größer als %1 MB und wird nicht gelesen."_s.arg(
                              MegabytesText(StatementText::MaxFileBytes)));
    return ArchiveReader(bytes, fileName, choices).Read();
}
