#pragma once

#include "statements/Statement.h"
#include "statements/StatementText.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

// Statements handed out as a ZIP file, as the savings banks give their CAMT downloads: one
// XML file per statement. Read from memory through libzip; nothing is written to disk.

namespace StatementArchive {

// A year of daily statements is a few hundred files.
constexpr int MaxEntries = 1'000;
// Unpacked, each entry and all of them together stay within what one statement file may
// be, so an archive costs no more memory than a file read as it is.
constexpr qint64 MaxEntryBytes = StatementText::MaxFileBytes;
constexpr qint64 MaxTotalBytes = StatementText::MaxFileBytes;
// Statements pack to about 1:5 to 1:70 (a CAMT file of identical rows to 1:170); a zip bomb
// packs to deflate's limit of about 1:1000. Small entries are not checked: whatever their
// ratio, they cannot do harm.
constexpr int MaxRatio = 250;
constexpr qint64 RatioCheckedFromBytes = 1024 * 1024;

} // namespace StatementArchive

// True when the bytes begin with a ZIP file's first local file header ("PK\3\4"), whatever
// the file's name.
bool LooksLikeZip(QByteArrayView bytes);

// The statements in a ZIP file, in the archive's order, each named "file.zip/entry" and read
// by content as ReadStatement reads a file. Folders, entries with unsafe names ("..",
// absolute paths, control characters) and entries that are no statement (a PDF, a readme)
// are passed over. Throws QelError naming the file and the entry for a damaged or truncated
// archive, an encrypted entry, a ZIP inside the ZIP, any limit above broken, an entry that
// cannot be read, and an archive without any statement.
QList<StatementFile> ReadStatementArchive(QByteArrayView bytes, const QString &fileName,
                                          const CsvChoiceLookup &choices = {});
