#include "output/ExportEXCEL.h"

#include "ledger/BookingList.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"
#include "ledger/Win1252.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <optional>

namespace {

constexpr quint16 LabelRecord = 0x0204;
constexpr quint16 NumberRecord = 0x0203;
constexpr qsizetype MaxSheetRows = 0x10000; // row numbers 0 … 65535, row 0 the headings
constexpr qsizetype MaxSheetColumns = 0x10000;

void AppendWord(QByteArray &bytes, quint16 word)
{
    bytes.append(static_cast<char>(word & 0xFF));
    bytes.append(static_cast<char>(word >> 8));
}

// "-1234.50" → -1234.5; anything else (a dash for a month without a book, a name) stays text.
std::optional<double> AmountCell(const QString &text)
{
    const qsizetype point = text.size() - 3;
    const qsizetype first = text.startsWith(u'-') ? 1 : 0;
    if (point <= first || point - first > 15 || text.at(point) != u'.')
        return std::nullopt;
    qint64 cents = 0;
    for (qsizetype i = first; i < text.size(); ++i) {
        if (i == point)
            continue;
        const QChar ch = text.at(i);
        if (ch < u'0' || ch > u'9')
            return std::nullopt;
        cents = cents * 10 + (ch.unicode() - u'0');
    }
    return (first ? -double(cents) : double(cents)) / 100.0;
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

void TXLSExport::WriteNumber(quint16 column, quint16 row, double value)
{
    AppendWord(Bytes_, NumberRecord);
    AppendWord(Bytes_, 14);
    AppendWord(Bytes_, row);
    AppendWord(Bytes_, column);
    AppendWord(Bytes_, 0); // cell format
    quint64 bits = 0;
    static_assert(sizeof bits == sizeof value);
    std::memcpy(&bits, &value, sizeof bits);
    for (int shift = 0; shift < 64; shift += 8)
        Bytes_.append(static_cast<char>((bits >> shift) & 0xFF));
}

QByteArray TXLSExport::Finish()
{
    Bytes_.append("\x0A\x00\x00\x00", 4);
    return std::move(Bytes_);
}

QByteArray XlsTableBytes(const BookingList &list, XlsCells cells)
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
        for (qsizetype i = 0; i + 1 < columns; ++i) {
            const auto column = static_cast<quint16>(i + 1);
            const QString text = row.SubItem(static_cast<int>(i));
            if (cells == XlsCells::AmountsAsNumbers)
                if (const std::optional<double> amount = AmountCell(text)) {
                    xls.WriteNumber(column, sheetRow, *amount);
                    continue;
                }
            xls.WriteLabel(column, sheetRow, text);
        }
    }
    return xls.Finish();
}

void SaveXlsFile(const QString &path, const BookingList &list, XlsCells cells)
{
    const QByteArray bytes = XlsTableBytes(list, cells);
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
