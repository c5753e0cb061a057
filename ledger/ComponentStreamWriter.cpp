// Writing list records: the presentation, the columns and the row block of a list, in the
// form the reader takes back.

#include "ledger/ComponentStream.h"

#include "ledger/BookingList.h"
#include "ledger/ComponentStreamFormat.h"
#include "ledger/Win1252.h"

#include <QtEndian>

#include <algorithm>
#include <iterator>

namespace {

using namespace ComponentStream::Format;

struct ValueName
{
    qint32 Value;
    const char *Name;
};

// Colours that have a name: the fixed ones (0x00BBGGRR), the system colours (high byte
// FF, low byte the system's colour index), "none" and "default".
constexpr ValueName ColourNames[] = {
    {0x000000, "clBlack"}, {0x000080, "clMaroon"}, {0x008000, "clGreen"}, {0x008080, "clOlive"},
    {0x800000, "clNavy"}, {0x800080, "clPurple"}, {0x808000, "clTeal"}, {0x808080, "clGray"},
    {0xC0C0C0, "clSilver"}, {0x0000FF, "clRed"}, {0x00FF00, "clLime"}, {0x00FFFF, "clYellow"},
    {0xFF0000, "clBlue"}, {0xFF00FF, "clFuchsia"}, {0xFFFF00, "clAqua"}, {0xFFFFFF, "clWhite"},
    {0xC0DCC0, "clMoneyGreen"}, {0xF0CAA6, "clSkyBlue"}, {0xF0FBFF, "clCream"}, {0xA4A0A0, "clMedGray"},
    {qint32(0xFF000000), "clScrollBar"}, {qint32(0xFF000001), "clBackground"},
    {qint32(0xFF000002), "clActiveCaption"}, {qint32(0xFF000003), "clInactiveCaption"},
    {qint32(0xFF000004), "clMenu"}, {qint32(0xFF000005), "clWindow"}, {qint32(0xFF000006), "clWindowFrame"},
    {qint32(0xFF000007), "clMenuText"}, {qint32(0xFF000008), "clWindowText"},
    {qint32(0xFF000009), "clCaptionText"}, {qint32(0xFF00000A), "clActiveBorder"},
    {qint32(0xFF00000B), "clInactiveBorder"}, {qint32(0xFF00000C), "clAppWorkSpace"},
    {qint32(0xFF00000D), "clHighlight"}, {qint32(0xFF00000E), "clHighlightText"},
    {qint32(0xFF00000F), "clBtnFace"}, {qint32(0xFF000010), "clBtnShadow"}, {qint32(0xFF000011), "clGrayText"},
    {qint32(0xFF000012), "clBtnText"}, {qint32(0xFF000013), "clInactiveCaptionText"},
    {qint32(0xFF000014), "clBtnHighlight"}, {qint32(0xFF000015), "cl3DDkShadow"},
    {qint32(0xFF000016), "cl3DLight"}, {qint32(0xFF000017), "clInfoText"}, {qint32(0xFF000018), "clInfoBk"},
    {qint32(0xFF00001A), "clHotLight"}, {qint32(0xFF00001B), "clGradientActiveCaption"},
    {qint32(0xFF00001C), "clGradientInactiveCaption"}, {qint32(0xFF00001D), "clMenuHighlight"},
    {qint32(0xFF00001E), "clMenuBar"}, {0x1FFFFFFF, "clNone"}, {0x20000000, "clDefault"},
};

constexpr ValueName CharsetNames[] = {
    {0, "ANSI_CHARSET"}, {1, "DEFAULT_CHARSET"}, {2, "SYMBOL_CHARSET"}, {77, "MAC_CHARSET"},
    {128, "SHIFTJIS_CHARSET"}, {129, "HANGEUL_CHARSET"}, {130, "JOHAB_CHARSET"}, {134, "GB2312_CHARSET"},
    {136, "CHINESEBIG5_CHARSET"}, {161, "GREEK_CHARSET"}, {162, "TURKISH_CHARSET"},
    {163, "VIETNAMESE_CHARSET"}, {177, "HEBREW_CHARSET"}, {178, "ARABIC_CHARSET"}, {186, "BALTIC_CHARSET"},
    {204, "RUSSIAN_CHARSET"}, {222, "THAI_CHARSET"}, {238, "EASTEUROPE_CHARSET"}, {255, "OEM_CHARSET"},
};

// A value read as a number is written by its name when it has one.
template <std::size_t N>
NamedValue WithName(const NamedValue &value, const ValueName (&names)[N])
{
    if (!value.Name.isEmpty())
        return value;
    const auto known = std::find_if(std::begin(names), std::end(names),
                                    [&](const ValueName &n) { return n.Value == value.Number; });
    return known == std::end(names) ? value : NamedValue{QString::fromLatin1(known->Name), 0};
}

// A stored text: the 8-bit form, cut to 255 characters, as the characters it stands for.
QString StoredText(const QString &text)
{
    QString stored = Win1252::IsRepresentable(text) ? text : Win1252::Sanitize(text);
    if (stored.size() > MaxStoredTextLength)
        stored.truncate(MaxStoredTextLength);
    return stored;
}

class RecordWriter
{
public:
    explicit RecordWriter(QByteArray &out) : Out_(out) {}

    void Byte(quint8 b) { Out_.append(static_cast<char>(b)); }
    void Int16(qint16 v) { Append(qToLittleEndian(v)); }
    void Int32(qint32 v) { Append(qToLittleEndian(v)); }
    void UInt32(quint32 v) { Append(qToLittleEndian(v)); }
    void Raw(QByteArrayView bytes) { Out_.append(bytes); }

    void ShortString(QByteArrayView bytes)
    {
        const auto n = std::min<qsizetype>(bytes.size(), 255);
        Byte(static_cast<quint8>(n));
        Out_.append(bytes.first(n));
    }
    void ShortText(const QString &text) { ShortString(QByteArrayView(Win1252::Encode(text))); }

    void Utf16(const QString &text)
    {
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        Out_.append(reinterpret_cast<const char *>(text.utf16()), 2 * text.size());
#else
        for (const QChar ch : text)
            Int16(static_cast<qint16>(ch.unicode()));
#endif
    }

    void Name(QByteArrayView name) { ShortString(name); }

    void Integer(qint32 v)
    {
        if (v >= -128 && v <= 127) {
            Byte(TagInt8);
            Byte(static_cast<quint8>(static_cast<qint8>(v)));
        } else if (v >= -32768 && v <= 32767) {
            Byte(TagInt16);
            Int16(static_cast<qint16>(v));
        } else {
            Byte(TagInt32);
            Int32(v);
        }
    }
    void Boolean(bool v) { Byte(v ? TagTrue : TagFalse); }
    void Ident(const QString &name)
    {
        Byte(TagIdent);
        ShortText(name);
    }
    void Named(const NamedValue &v)
    {
        if (v.Name.isEmpty())
            Integer(v.Number);
        else
            Ident(v.Name);
    }
    void Set(const QStringList &elements)
    {
        Byte(TagSet);
        for (const QString &e : elements)
            ShortText(e);
        Byte(0);
    }

    // A text takes the shortest of its 8-bit, UTF-8 and UTF-16 forms, as the format's
    // writer chooses them. The caller leaves empty texts out.
    void Text(const QString &text)
    {
        const QByteArray bytes = Win1252::Encode(text);
        const QString chars = Win1252::Decode(bytes);
        const QByteArray utf8 = chars.toUtf8();
        if (utf8.size() < 2 * chars.size()) {
            if (utf8 != bytes) {
                Byte(TagUtf8String);
                UInt32(static_cast<quint32>(utf8.size()));
                Raw(utf8);
            } else if (bytes.size() > 255) {
                Byte(TagLongString);
                UInt32(static_cast<quint32>(bytes.size()));
                Raw(bytes);
            } else {
                Byte(TagString);
                ShortString(QByteArrayView(bytes));
            }
        } else {
            Byte(TagWideString);
            UInt32(static_cast<quint32>(chars.size()));
            Utf16(chars);
        }
    }

    qsizetype Size() const { return Out_.size(); }
    void PatchUInt32(qsizetype at, quint32 v) { qToLittleEndian(v, Out_.data() + at); }

private:
    template <typename T>
    void Append(T v)
    {
        Out_.append(reinterpret_cast<const char *>(&v), sizeof v);
    }

    QByteArray &Out_;
};

const char *AlignmentName(ColumnAlignment a)
{
    switch (a) {
    case ColumnAlignment::Right:
        return "taRightJustify";
    case ColumnAlignment::Center:
        return "taCenter";
    case ColumnAlignment::Left:
        break;
    }
    return "taLeftJustify";
}

void WriteColumns(RecordWriter &w, const QList<ListColumn> &columns)
{
    w.Name("Columns");
    w.Byte(TagCollection);
    for (const ListColumn &c : columns) {
        w.Byte(TagList);
        if (c.Alignment != ColumnAlignment::Left) {
            w.Name("Alignment");
            w.Ident(QString::fromLatin1(AlignmentName(c.Alignment)));
        }
        if (!c.Caption.isEmpty()) {
            w.Name("Caption");
            w.Text(c.Caption);
        }
        w.Name("Width");
        w.Integer(c.Width);
        w.Byte(TagEnd);
    }
    w.Byte(TagEnd);
}

quint32 RowSize(const ListRow &row)
{
    auto textSize = [](const QString &t) {
        return std::min<quint32>(2 * static_cast<quint32>(Win1252::EncodedLength(t)), 510);
    };
    quint32 size = 21 + textSize(row.Caption) + 1;
    for (const QString &s : row.SubItems)
        size += textSize(s) + 3;
    return size;
}

void WriteRowBlock(RecordWriter &w, const BookingList &list)
{
    w.Byte(1);
    w.UInt32(ComponentStream::RowBlockSizeField(list));
    w.UInt32(static_cast<quint32>(list.RowCount()));
    for (const ListRow &row : list.Rows()) {
        w.Int32(row.ImageIndex);
        w.Int32(row.StateIndex);
        w.Int32(row.OverlayIndex);
        w.Int32(static_cast<qint32>(row.SubItems.size()));
        w.UInt32(row.Data);
        const QString caption = StoredText(row.Caption);
        w.Byte(static_cast<quint8>(caption.size()));
        w.Utf16(caption);
        for (const QString &s : row.SubItems) {
            const QString sub = StoredText(s);
            w.Byte(static_cast<quint8>(sub.size()));
            w.Utf16(sub);
        }
    }
    for (const ListRow &row : list.Rows()) {
        for (int i = 0; i < row.SubItems.size(); ++i)
            w.Int16(row.SubItemImage(i));
    }
}

} // namespace

namespace ComponentStream {

quint32 RowBlockSizeField(const BookingList &list)
{
    quint32 size = 0;
    for (const ListRow &row : list.Rows())
        size += RowSize(row);
    return size;
}

void WriteListRecord(QByteArray &out, const BookingList &list, const QString &objectName, int tabOrder)
{
    const ListPresentation &p = list.Presentation();
    // The fixed part of a record is under 600 bytes; the row block is the size field
    // plus its 9-byte head.
    out.reserve(out.size() + 600 + (list.IsEmpty() ? 0 : 9 + qsizetype(RowBlockSizeField(list))));
    RecordWriter w(out);
    w.Raw(QByteArrayView(Signature, 4));
    w.ShortString(QByteArrayView("TListView"));
    w.ShortText(objectName);

    w.Name("Left");
    w.Integer(p.Left);
    w.Name("Top");
    w.Integer(p.Top);
    w.Name("Width");
    w.Integer(p.Width);
    w.Name("Height");
    w.Integer(p.Height);
    w.Name("BevelKind");
    w.Ident(p.BevelKind);
    w.Name("BorderStyle");
    w.Ident(p.BorderStyle);
    w.Name("Color");
    w.Named(WithName(p.Color, ColourNames));
    WriteColumns(w, list.Columns());
    w.Name("ColumnClick");
    w.Boolean(p.ColumnClick);
    w.Name("Font.Charset");
    w.Named(WithName(p.FontCharset, CharsetNames));
    w.Name("Font.Color");
    w.Named(WithName(p.FontColor, ColourNames));
    w.Name("Font.Height");
    w.Integer(p.FontHeight);
    if (!p.FontName.isEmpty()) {
        w.Name("Font.Name");
        w.Text(p.FontName);
    }
    w.Name("Font.Style");
    w.Set(p.FontStyle);
    w.Name("GridLines");
    w.Boolean(p.GridLines);
    w.Name("HideSelection");
    w.Boolean(p.HideSelection);
    w.Name("IconOptions.WrapText");
    w.Boolean(p.IconWrapText);
    if (!list.IsEmpty()) {
        w.Name("Items.ItemData");
        w.Byte(TagBinary);
        const qsizetype lengthAt = w.Size();
        w.UInt32(0);
        WriteRowBlock(w, list);
        w.PatchUInt32(lengthAt, static_cast<quint32>(w.Size() - lengthAt - 4));
    }
    w.Name("OwnerDraw");
    w.Boolean(p.OwnerDraw);
    w.Name("ReadOnly");
    w.Boolean(p.ReadOnly);
    w.Name("RowSelect");
    w.Boolean(p.RowSelect);
    w.Name("ParentFont");
    w.Boolean(p.ParentFont);
    w.Name("ParentShowHint");
    w.Boolean(p.ParentShowHint);
    w.Name("ShowColumnHeaders");
    w.Boolean(p.ShowColumnHeaders);
    w.Name("ShowHint");
    w.Boolean(p.ShowHint);
    w.Name("TabOrder");
    w.Integer(tabOrder);
    w.Name("ViewStyle");
    w.Ident(p.ViewStyle);
    w.Byte(TagEnd);
    w.Byte(TagEnd);
}

} // namespace ComponentStream
