#include "ledger/ComponentStream.h"

#include "ledger/BookingList.h"
#include "ledger/QelError.h"
#include "ledger/Win1252.h"

#include <QtEndian>

#include <algorithm>

namespace {

enum Tag : quint8 {
    TagEnd = 0,
    TagList = 1,
    TagInt8 = 2,
    TagInt16 = 3,
    TagInt32 = 4,
    TagExtended = 5,
    TagString = 6,
    TagIdent = 7,
    TagFalse = 8,
    TagTrue = 9,
    TagBinary = 10,
    TagSet = 11,
    TagLongString = 12,
    TagNil = 13,
    TagCollection = 14,
    TagSingle = 15,
    TagCurrency = 16,
    TagDate = 17,
    TagWideString = 18,
    TagInt64 = 19,
    TagUtf8String = 20,
    TagDouble = 21,
};

constexpr int MaxStoredTextLength = 255;
constexpr int MaxNesting = 32;
constexpr char Signature[] = "TPF0";

QString InvalidFormat() { return QStringLiteral("Ungültiges Stream-Format"); }
QString ReadFailure() { return QStringLiteral("Stream-Lesefehler"); }
QString InvalidValue() { return QStringLiteral("Ungültiger Eigenschaftswert"); }
QString UnknownProperty(const QString &name)
{
    return QStringLiteral("Eigenschaft %1 existiert nicht.").arg(name);
}

// ---------------------------------------------------------------- writing

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

// ---------------------------------------------------------------- reading

class Cursor
{
public:
    Cursor(QByteArrayView data, qsizetype pos) : Data_(data), Pos_(pos) {}

    qsizetype Pos() const { return Pos_; }
    qsizetype Remaining() const { return Data_.size() - Pos_; }
    bool AtEnd() const { return Pos_ >= Data_.size(); }

    void Need(qint64 n) const
    {
        if (n < 0 || n > Remaining())
            throw QelError(ReadFailure());
    }
    quint8 Peek() const
    {
        Need(1);
        return static_cast<quint8>(Data_[Pos_]);
    }
    quint8 Byte()
    {
        const quint8 b = Peek();
        ++Pos_;
        return b;
    }
    QByteArrayView Bytes(qint64 n)
    {
        Need(n);
        const QByteArrayView view = Data_.sliced(Pos_, n);
        Pos_ += n;
        return view;
    }
    void Skip(qint64 n) { Bytes(n); }
    qint16 Int16() { return qFromLittleEndian<qint16>(Bytes(2).data()); }
    qint32 Int32() { return qFromLittleEndian<qint32>(Bytes(4).data()); }
    quint32 UInt32() { return qFromLittleEndian<quint32>(Bytes(4).data()); }
    QByteArrayView ShortStringBytes() { return Bytes(Byte()); }
    QString ShortString() { return Win1252::Decode(ShortStringBytes()); }

    // UTF-16LE units as the characters of their 8-bit form.
    QString Utf16(qint64 units)
    {
        const QByteArrayView raw = Bytes(2 * units);
        QString text(units, Qt::Uninitialized);
        QChar *out = text.data();
        for (qint64 i = 0; i < units; ++i)
            out[i] = QChar(qFromLittleEndian<quint16>(raw.data() + 2 * i));
        return Win1252::IsRepresentable(text) ? text : Win1252::Sanitize(text);
    }

private:
    QByteArrayView Data_;
    qsizetype Pos_;
};

bool IsIntegerTag(quint8 tag) { return tag == TagInt8 || tag == TagInt16 || tag == TagInt32; }

class RecordReader
{
public:
    RecordReader(Cursor &c, BookingList &list) : C_(c), List_(list) {}

    void Read()
    {
        if (C_.Bytes(4) != QByteArrayView(Signature, 4))
            throw QelError(InvalidFormat());
        SkipFlagPrefix();
        C_.ShortStringBytes(); // class name
        C_.ShortStringBytes(); // object name
        while (C_.Peek() != TagEnd)
            ReadProperty();
        C_.Byte();
        while (C_.Peek() != TagEnd)
            SkipObject(1);
        C_.Byte();
    }

private:
    // ---- values of a known type

    qint32 Integer(quint8 tag)
    {
        switch (tag) {
        case TagInt8:
            return static_cast<qint8>(C_.Byte());
        case TagInt16:
            return C_.Int16();
        case TagInt32:
            return C_.Int32();
        default:
            throw QelError(InvalidValue());
        }
    }
    qint32 Integer() { return Integer(C_.Byte()); }

    bool Boolean()
    {
        const quint8 tag = C_.Byte();
        if (tag == TagTrue)
            return true;
        if (tag == TagFalse)
            return false;
        throw QelError(InvalidValue());
    }

    QString Ident()
    {
        if (C_.Byte() != TagIdent)
            throw QelError(InvalidValue());
        return C_.ShortString();
    }

    QString Enumeration(std::initializer_list<const char *> names)
    {
        const QString value = Ident();
        for (const char *n : names) {
            if (value == QLatin1StringView(n))
                return value;
        }
        throw QelError(InvalidValue());
    }

    NamedValue Named()
    {
        const quint8 tag = C_.Byte();
        if (tag == TagIdent)
            return {C_.ShortString(), 0};
        return {QString(), Integer(tag)};
    }

    QString Text()
    {
        switch (C_.Byte()) {
        case TagString:
            return C_.ShortString();
        case TagLongString:
            return Win1252::Decode(C_.Bytes(C_.UInt32()));
        case TagWideString:
            return C_.Utf16(C_.UInt32());
        case TagUtf8String:
            return Win1252::Sanitize(QString::fromUtf8(C_.Bytes(C_.UInt32())));
        default:
            throw QelError(InvalidValue());
        }
    }

    QStringList FontStyle()
    {
        if (C_.Byte() != TagSet)
            throw QelError(InvalidValue());
        QStringList elements;
        for (;;) {
            const QString e = C_.ShortString();
            if (e.isEmpty())
                return elements;
            if (e != u"fsBold" && e != u"fsItalic" && e != u"fsUnderline" && e != u"fsStrikeOut")
                throw QelError(InvalidValue());
            elements.append(e);
        }
    }

    QByteArrayView Binary()
    {
        if (C_.Byte() != TagBinary)
            throw QelError(InvalidValue());
        return C_.Bytes(C_.UInt32());
    }

    // ---- properties

    void ReadProperty()
    {
        const QString name = C_.ShortString();
        const QStringList path = name.split(u'.');
        ListPresentation &p = List_.Presentation();
        if (path.size() == 1) {
            const QString &n = path.front();
            if (n == u"Left")
                p.Left = Integer();
            else if (n == u"Top")
                p.Top = Integer();
            else if (n == u"Width")
                p.Width = Integer();
            else if (n == u"Height")
                p.Height = Integer();
            else if (n == u"BevelKind")
                p.BevelKind = Enumeration({"bkNone", "bkTile", "bkSoft", "bkFlat"});
            else if (n == u"BorderStyle")
                p.BorderStyle = Enumeration({"bsNone", "bsSingle"});
            else if (n == u"Color")
                p.Color = Named();
            else if (n == u"Columns")
                ReadColumns();
            else if (n == u"ColumnClick")
                p.ColumnClick = Boolean();
            else if (n == u"GridLines")
                p.GridLines = Boolean();
            else if (n == u"HideSelection")
                p.HideSelection = Boolean();
            else if (n == u"OwnerDraw")
                p.OwnerDraw = Boolean();
            else if (n == u"ReadOnly")
                p.ReadOnly = Boolean();
            else if (n == u"RowSelect")
                p.RowSelect = Boolean();
            else if (n == u"ParentFont")
                p.ParentFont = Boolean();
            else if (n == u"ParentShowHint")
                p.ParentShowHint = Boolean();
            else if (n == u"ShowColumnHeaders")
                p.ShowColumnHeaders = Boolean();
            else if (n == u"ShowHint")
                p.ShowHint = Boolean();
            else if (n == u"TabOrder")
                p.TabOrder = Integer();
            else if (n == u"ViewStyle")
                p.ViewStyle = Enumeration({"vsIcon", "vsSmallIcon", "vsList", "vsReport"});
            else
                throw QelError(UnknownProperty(n));
            return;
        }
        if (path.size() != 2)
            throw QelError(UnknownProperty(KnownGroup(path.at(0)) ? path.mid(1).join(u'.') : path.at(0)));
        const QString &group = path.at(0);
        const QString &n = path.at(1);
        if (group == u"Font") {
            if (n == u"Charset")
                p.FontCharset = Named();
            else if (n == u"Color")
                p.FontColor = Named();
            else if (n == u"Height")
                p.FontHeight = Integer();
            else if (n == u"Name")
                p.FontName = Text();
            else if (n == u"Style")
                p.FontStyle = FontStyle();
            else
                throw QelError(UnknownProperty(n));
        } else if (group == u"IconOptions") {
            if (n == u"WrapText")
                p.IconWrapText = Boolean();
            else
                throw QelError(UnknownProperty(n));
        } else if (group == u"Items") {
            if (n == u"ItemData")
                ReadItemData(Binary());
            else if (n == u"Data")
                ReadOldItemData(Binary());
            else
                throw QelError(UnknownProperty(n));
        } else {
            throw QelError(UnknownProperty(group));
        }
    }

    static bool KnownGroup(const QString &g) { return g == u"Font" || g == u"IconOptions" || g == u"Items"; }

    void ReadColumns()
    {
        if (C_.Byte() != TagCollection)
            throw QelError(InvalidValue());
        if (C_.Peek() != TagEnd)
            List_.SetColumns({});
        QList<ListColumn> columns;
        while (C_.Peek() != TagEnd) {
            if (IsIntegerTag(C_.Peek()))
                Integer();
            if (C_.Byte() != TagList)
                throw QelError(InvalidValue());
            ListColumn column;
            while (C_.Peek() != TagEnd)
                ReadColumnProperty(column);
            C_.Byte();
            columns.append(column);
            List_.SetColumns(columns);
        }
        C_.Byte();
    }

    void ReadColumnProperty(ListColumn &column)
    {
        const QString n = C_.ShortString();
        if (n == u"Alignment") {
            const QString a = Enumeration({"taLeftJustify", "taRightJustify", "taCenter"});
            column.Alignment = a == u"taRightJustify" ? ColumnAlignment::Right
                             : a == u"taCenter"       ? ColumnAlignment::Center
                                                      : ColumnAlignment::Left;
        } else if (n == u"Caption") {
            column.Caption = Text();
        } else if (n == u"Width") {
            column.Width = Integer();
        } else if (n == u"AutoSize") {
            Boolean();
        } else if (n == u"ImageIndex" || n == u"MaxWidth" || n == u"MinWidth" || n == u"Tag") {
            Integer();
        } else {
            throw QelError(UnknownProperty(n));
        }
    }

    // The row block written by the program: UTF-16 texts, version 1.
    void ReadItemData(QByteArrayView block)
    {
        List_.ClearRows();
        Cursor b(block, 0);
        if (b.Byte() != 1)
            return; // a block of another version is skipped whole
        b.UInt32(); // size field, not needed for reading
        const quint32 count = b.UInt32();
        List_.ReserveRows(std::min<qint64>(count, b.Remaining() / 21));
        for (quint32 r = 0; r < count; ++r) {
            ListRow head;
            head.ImageIndex = b.Int32();
            head.StateIndex = b.Int32();
            head.OverlayIndex = b.Int32();
            const qint32 subCount = b.Int32();
            head.Data = b.UInt32();
            const qsizetype index = List_.AddRow(std::move(head));
            ListRow &row = List_.MutableRow(index);
            row.Caption = b.Utf16(b.Byte());
            for (qint32 s = 0; s < subCount; ++s)
                row.SubItems.append(b.Utf16(b.Byte()));
        }
        ReadSubItemImages(b, 0);
    }

    void ReadSubItemImages(Cursor &b, qsizetype firstRow)
    {
        for (qsizetype r = firstRow; r < List_.RowCount(); ++r) {
            ListRow &row = List_.MutableRow(r);
            row.SubItemImages.clear();
            for (qsizetype s = 0; s < row.SubItems.size(); ++s)
                row.SubItemImages.append(b.Int16());
        }
    }

    // The older row block with 8-bit texts, accepted but never written.
    void ReadOldItemData(QByteArrayView block)
    {
        List_.ClearRows();
        Cursor outer(block, 0);
        const quint32 total = outer.UInt32();
        if (total < 4)
            throw QelError(ReadFailure());
        Cursor b(outer.Bytes(qint64(total) - 4), 0);
        const qint32 count = b.Int32();
        for (qint32 r = 0; r < count; ++r) {
            ListRow head;
            head.ImageIndex = b.Int32();
            head.StateIndex = b.Int32();
            head.OverlayIndex = b.Int32();
            const qint32 subCount = b.Int32();
            head.Data = b.UInt32();
            const qsizetype index = List_.AddRow(std::move(head));
            ListRow &row = List_.MutableRow(index);
            row.Caption = b.ShortString();
            for (qint32 s = 0; s < subCount; ++s)
                row.SubItems.append(b.ShortString());
        }
        if (!b.AtEnd())
            ReadSubItemImages(b, 0);
    }

    // ---- objects and values this reader has no use for

    void SkipFlagPrefix()
    {
        const quint8 flags = C_.Peek();
        if ((flags & 0xF0) != 0xF0)
            return;
        C_.Byte();
        if (flags & 0x02)
            Integer();
    }

    void SkipObject(int depth)
    {
        if (depth > MaxNesting)
            throw QelError(InvalidFormat());
        SkipFlagPrefix();
        C_.ShortStringBytes();
        C_.ShortStringBytes();
        while (C_.Peek() != TagEnd) {
            C_.ShortStringBytes();
            SkipValue(C_.Byte(), depth + 1);
        }
        C_.Byte();
        while (C_.Peek() != TagEnd)
            SkipObject(depth + 1);
        C_.Byte();
    }

    void SkipValue(quint8 tag, int depth)
    {
        if (depth > MaxNesting)
            throw QelError(InvalidFormat());
        switch (tag) {
        case TagEnd:
        case TagFalse:
        case TagTrue:
        case TagNil:
            return;
        case TagList:
            while (C_.Peek() != TagEnd)
                SkipValue(C_.Byte(), depth + 1);
            C_.Byte();
            return;
        case TagInt8:
            C_.Skip(1);
            return;
        case TagInt16:
            C_.Skip(2);
            return;
        case TagInt32:
        case TagSingle:
            C_.Skip(4);
            return;
        case TagExtended:
            C_.Skip(10);
            return;
        case TagCurrency:
        case TagDate:
        case TagInt64:
        case TagDouble:
            C_.Skip(8);
            return;
        case TagString:
        case TagIdent:
            C_.ShortStringBytes();
            return;
        case TagBinary:
        case TagLongString:
        case TagUtf8String:
            C_.Skip(C_.UInt32());
            return;
        case TagWideString:
            C_.Skip(2 * qint64(C_.UInt32()));
            return;
        case TagSet:
            while (!C_.ShortStringBytes().isEmpty()) {
            }
            return;
        case TagCollection:
            while (C_.Peek() != TagEnd) {
                if (IsIntegerTag(C_.Peek()))
                    SkipValue(C_.Byte(), depth + 1);
                if (C_.Byte() != TagList)
                    throw QelError(InvalidValue());
                while (C_.Peek() != TagEnd) {
                    C_.ShortStringBytes();
                    SkipValue(C_.Byte(), depth + 1);
                }
                C_.Byte();
            }
            C_.Byte();
            return;
        default:
            throw QelError(InvalidFormat());
        }
    }

    Cursor &C_;
    BookingList &List_;
};

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

qsizetype ReadListRecord(QByteArrayView data, qsizetype offset, BookingList &list)
{
    Cursor cursor(data, offset);
    RecordReader(cursor, list).Read();
    return cursor.Pos();
}

} // namespace ComponentStream
