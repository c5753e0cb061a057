#include "output/ExportEXCEL.h"

#include "ledger/BookingList.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"
#include "ledger/Win1252.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

namespace {

constexpr quint16 LabelRecord = 0x0204;
constexpr qsizetype MaxSheetRows = 0x10000; // row numbers 0 … 65535, row 0 the headings
constexpr qsizetype MaxSheetColumns = 0x10000;

void AppendWord(QByteArray &bytes, quint16 word)
{
    bytes.append(static_cast<char>(word & 0xFF));
    bytes.append(static_cast<char>(word >> 8));
}

} // namespace

TXLSExport::TXLSExport()
{
    // Beginning of file: type 0x0809, 8 bytes of data, version 0, worksheet.
    Bytes_ = QByteArray::fromRawData("\x09\x08\x08\x00\x00\x00\x10\x00\x01\x00\x00\x00", 12);
    Bytes_.detach();
}

void TXLSExport::WriteLabel(quint16 column, quint16 row, const QString &text)
{
    QByteArray bytes = Win1252::Encode(text);
    if (bytes.size() > MaxTextBytes)
        bytes.truncate(MaxTextBytes);
    const auto length = static_cast<quint16>(bytes.size());
    AppendWord(Bytes_, LabelRecord);
    AppendWord(Bytes_, static_cast<quint16>(length + 8));
    AppendWord(Bytes_, row);
    AppendWord(Bytes_, column);
    AppendWord(Bytes_, 0); // cell format
    AppendWord(Bytes_, length);
    Bytes_.append(bytes);
}

QByteArray TXLSExport::Finish()
{
    Bytes_.append("\x0A\x00\x00\x00", 4);
    return std::move(Bytes_);
}

QByteArray XlsTableBytes(const BookingList &list)
{
    const qsizetype columns = list.Columns().size();
    // Only a crafted file brings a list this long; numbers that wrap would overwrite cells.
    if (list.RowCount() >= MaxSheetRows || columns > MaxSheetColumns)
        throw QelError(QStringLiteral("Die Liste ist zu groß für eine Excel-Tabelle: Sie kann höchstens "
                                      "65.535 Buchungen und 65.536 Spalten aufnehmen."));
    TXLSExport xls;
    for (qsizetype c = 0; c < columns; ++c)
        xls.WriteLabel(static_cast<quint16>(c), 0, list.Columns().at(c).Caption);
    quint16 sheetRow = 0;
    for (const ListRow &row : list.Rows()) {
        ++sheetRow;
        xls.WriteLabel(0, sheetRow, row.Caption);
        for (qsizetype i = 0; i + 1 < columns; ++i)
            xls.WriteLabel(static_cast<quint16>(i + 1), sheetRow, row.SubItem(static_cast<int>(i)));
    }
    return xls.Finish();
}

void SaveXlsFile(const QString &path, const BookingList &list)
{
    const QByteArray bytes = XlsTableBytes(list);
    // The atomic save would only say "access denied" for a folder of that name.
    if (QFileInfo(path).isDir())
        throw QelError(QStringLiteral("Datei \"%1\" kann nicht erstellt werden. %2")
                           .arg(QDir::toNativeSeparators(path), ListFiles::SystemReason(EISDIR)));
    ListFiles::WriteFile(path, bytes);
}

QString WithXlsExtension(const QString &fileName)
{
    if (fileName.endsWith(QStringLiteral(".xls"), Qt::CaseInsensitive))
        return fileName;
    return fileName + QStringLiteral(".xls");
}
