// Reading list records: into a list, or for the sum of their rows' amounts alone.

#include "ledger/ComponentStream.h"

#include "ledger/BookingList.h"
#include "ledger/ComponentStreamFormat.h"
#include "ledger/FuncUnit.h"
#include "ledger/QelError.h"
#include "ledger/StoredAmount.h"
#include "ledger/Win1252.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

using namespace ComponentStream::Format;

constexpr int MaxNesting = 32;

QString InvalidFormat() { return QStringLiteral("Ungültiges Stream-Format"); }
QString ReadFailure() { return QStringLiteral("Stream-Lesefehler"); }
QString InvalidValue() { return QStringLiteral("Ungültiger Eigenschaftswert"); }
QString UnknownProperty(const QString &name)
{
    return QStringLiteral("Eigenschaft %1 existiert nicht.").arg(name);
}

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
    // The bytes of that many UTF-16 units.
    QByteArrayView Utf16Bytes(qint64 units) { return Bytes(2 * units); }

private:
    QByteArrayView Data_;
    qsizetype Pos_;
};

// UTF-16LE units as the characters of their 8-bit form.
QString Utf16Text(QByteArrayView raw)
{
    const qsizetype units = raw.size() / 2;
    QString text(units, Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < units; ++i)
        out[i] = QChar(qFromLittleEndian<quint16>(raw.data() + 2 * i));
    return Win1252::IsRepresentable(text) ? text : Win1252::Sanitize(text);
}

// An amount as ParseAmount reads the stored text (UTF-16LE), mostly without making the
// text. Anything the quick way does not read takes the long way through the text as the
// list would hold it.
double AmountOf(QByteArrayView utf16le)
{
    if (double amount; ParseStoredAmountQuickly(utf16le, amount))
        return amount;
    return ParseAmount(Utf16Text(utf16le));
}

bool IsIntegerTag(quint8 tag) { return tag == TagInt8 || tag == TagInt16 || tag == TagInt32; }

// A row block as ReadItemData walks through it, with the same bounds, adding up sub-item 0
// of each row as ListSum does (in row order, empty texts left out). Every shortage is the
// same read failure as in ReadItemData, found at the same row. A row at a time: each row's
// place depends on the lengths of the one before, so the rows of one block cannot be
// walked faster than one load after the other, but two blocks can, side by side.
class RowWalk
{
public:
    explicit RowWalk(QByteArrayView block)
    {
        Cursor b(block, 0);
        if (b.Byte() != 1)
            return; // no rows: nothing to sum and nothing checked
        b.UInt32();
        Left_ = b.UInt32();
        P_ = block.data() + b.Pos();
        End_ = block.data() + block.size();
        CheckImages_ = true;
    }

    bool More() const { return Left_ > 0; }

    void Step()
    {
        // Locals: the bytes read could alias the members, which would make the compiler
        // store and load them again around every byte.
        const char *p = P_;
        const char *const end = End_;
        const auto need = [&p, end](qint64 n) {
            if (n > end - p)
                throw QelError(ReadFailure());
        };
        constexpr int HeadSize = 21; // image, state, overlay index, sub-item count, data, caption length
        need(HeadSize);
        const qint32 subCount = qFromLittleEndian<qint32>(p + 12);
        const int captionUnits = static_cast<quint8>(p[20]);
        p += HeadSize;
        need(2 * captionUnits);
        p += 2 * captionUnits;
        double sum = Sum_;
        for (qint32 s = 0; s < subCount; ++s) {
            need(1);
            const int units = static_cast<quint8>(*p++);
            need(2 * units);
            if (s == 0 && units > 0) {
                // The row's head and this length stand before the text: 16 bytes are there.
                double amount;
                if (!StoredAmount::TwoDecimals(p + 2 * units, units, amount))
                    amount = AmountOf(QByteArrayView(p, 2 * units));
                sum += amount;
            }
            p += 2 * units;
        }
        Sum_ = sum;
        P_ = p;
        SubItems_ += std::max<qint32>(subCount, 0);
        --Left_;
    }

    double Finish()
    {
        if (CheckImages_)
            Need(2 * SubItems_); // one image index per sub-item
        return Sum_;
    }

private:
    void Need(qint64 n) const
    {
        if (n > End_ - P_)
            throw QelError(ReadFailure());
    }

    const char *P_ = nullptr;
    const char *End_ = nullptr;
    quint32 Left_ = 0;
    qint64 SubItems_ = 0;
    double Sum_ = 0.0;
    bool CheckImages_ = false;
};

double SumRowBlock(QByteArrayView block)
{
    RowWalk rows(block);
    while (rows.More())
        rows.Step();
    return rows.Finish();
}

// Two row blocks, each summed as SumRowBlock sums it. Both fail alike, so which of them is
// found short first does not matter.
void SumRowBlocks(QByteArrayView first, QByteArrayView second, double &firstSum, double &secondSum)
{
    RowWalk a(first);
    RowWalk b(second);
    while (a.More() && b.More()) {
        a.Step();
        b.Step();
    }
    while (a.More())
        a.Step();
    while (b.More())
        b.Step();
    firstSum = a.Finish();
    secondSum = b.Finish();
}

// A name read from a record against one the reader knows; inlined, as names are compared
// many times per record.
template <std::size_t N>
bool Is(QByteArrayView bytes, const char (&name)[N])
{
    return bytes.size() == qsizetype(N - 1) && std::memcmp(bytes.data(), name, N - 1) == 0;
}

// A text value as stored: its tag and its bytes, converted only when kept.
struct StoredValue
{
    quint8 Tag;
    QByteArrayView Bytes;
};

QString TextOf(const StoredValue &value)
{
    switch (value.Tag) {
    case TagWideString:
        return Utf16Text(value.Bytes);
    case TagUtf8String:
        return Win1252::Sanitize(QString::fromUtf8(value.Bytes));
    default:
        return Win1252::Decode(value.Bytes);
    }
}

// A name or a number.
struct NamedBytes
{
    bool IsName;
    QByteArrayView Name;
    qint32 Number;
};

NamedValue NamedOf(const NamedBytes &value)
{
    return value.IsName ? NamedValue{Win1252::Decode(value.Name), 0} : NamedValue{QString(), value.Number};
}

// Reads one list record, either into a list or, for the book scan, only into the sum of
// its rows' amounts. Both ways accept and refuse exactly the same bytes with the same
// messages: only what is kept differs. Names and values are compared as bytes, which is
// the same as comparing their characters (only ASCII bytes stand for ASCII characters),
// and are turned into texts only when a list keeps them.
class RecordReader
{
public:
    RecordReader(Cursor &c, BookingList &list) : C_(c), List_(&list), P_(list.Presentation()) {}
    RecordReader(Cursor &c, double &amountSum) : C_(c), Sum_(&amountSum), P_(Scratch_) {}

    // The one row block of a record, in the program's form: where its length field stands and
    // where its rows end. Nothing when the record has none, another form or several.
    std::optional<std::pair<qsizetype, qsizetype>> OnlyRowBlock() const
    {
        if (RowBlocks_ != 1 || RowBlockLengthAt_ < 0)
            return std::nullopt;
        return std::pair(RowBlockLengthAt_, RowBlockEnd_);
    }

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
    bool Keeps() const { return List_ != nullptr; }

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

    QByteArrayView Ident()
    {
        if (C_.Byte() != TagIdent)
            throw QelError(InvalidValue());
        return C_.ShortStringBytes();
    }

    QByteArrayView Enumeration(std::initializer_list<const char *> names)
    {
        const QByteArrayView value = Ident();
        for (const char *n : names) {
            if (value == QByteArrayView(n))
                return value;
        }
        throw QelError(InvalidValue());
    }
    void KeepEnumeration(QString &target, std::initializer_list<const char *> names)
    {
        const QByteArrayView value = Enumeration(names);
        if (Keeps())
            target = Win1252::Decode(value);
    }

    void KeepNamed(NamedValue &target)
    {
        const quint8 tag = C_.Byte();
        const NamedBytes value = tag == TagIdent ? NamedBytes{true, C_.ShortStringBytes(), 0}
                                                 : NamedBytes{false, {}, Integer(tag)};
        if (Keeps())
            target = NamedOf(value);
    }

    StoredValue Text()
    {
        const quint8 tag = C_.Byte();
        switch (tag) {
        case TagString:
            return {tag, C_.ShortStringBytes()};
        case TagLongString:
        case TagUtf8String:
            return {tag, C_.Bytes(C_.UInt32())};
        case TagWideString:
            return {tag, C_.Utf16Bytes(C_.UInt32())};
        default:
            throw QelError(InvalidValue());
        }
    }
    void KeepText(QString &target)
    {
        const StoredValue value = Text();
        if (Keeps())
            target = TextOf(value);
    }

    void KeepFontStyle(QStringList &target)
    {
        if (C_.Byte() != TagSet)
            throw QelError(InvalidValue());
        QStringList elements;
        for (;;) {
            const QByteArrayView e = C_.ShortStringBytes();
            if (e.isEmpty())
                break;
            if (!Is(e, "fsBold") && !Is(e, "fsItalic") && !Is(e, "fsUnderline") && !Is(e, "fsStrikeOut"))
                throw QelError(InvalidValue());
            if (Keeps())
                elements.append(Win1252::Decode(e));
        }
        if (Keeps())
            target = elements;
    }

    QByteArrayView Binary()
    {
        if (C_.Byte() != TagBinary)
            throw QelError(InvalidValue());
        return C_.Bytes(C_.UInt32());
    }

    // ---- properties

    static QString Name(QByteArrayView bytes) { return Win1252::Decode(bytes); }

    void ReadProperty()
    {
        const QByteArrayView name = C_.ShortStringBytes();
        const auto *const dotAt = static_cast<const char *>(std::memchr(name.data(), '.', name.size()));
        const qsizetype dot = dotAt ? dotAt - name.data() : -1;
        ListPresentation &p = P_;
        if (dot < 0) {
            const QByteArrayView n = name;
            if (Is(n, "Left"))
                p.Left = Integer();
            else if (Is(n, "Top"))
                p.Top = Integer();
            else if (Is(n, "Width"))
                p.Width = Integer();
            else if (Is(n, "Height"))
                p.Height = Integer();
            else if (Is(n, "BevelKind"))
                KeepEnumeration(p.BevelKind, {"bkNone", "bkTile", "bkSoft", "bkFlat"});
            else if (Is(n, "BorderStyle"))
                KeepEnumeration(p.BorderStyle, {"bsNone", "bsSingle"});
            else if (Is(n, "Color"))
                KeepNamed(p.Color);
            else if (Is(n, "Columns"))
                ReadColumns();
            else if (Is(n, "ColumnClick"))
                p.ColumnClick = Boolean();
            else if (Is(n, "GridLines"))
                p.GridLines = Boolean();
            else if (Is(n, "HideSelection"))
                p.HideSelection = Boolean();
            else if (Is(n, "OwnerDraw"))
                p.OwnerDraw = Boolean();
            else if (Is(n, "ReadOnly"))
                p.ReadOnly = Boolean();
            else if (Is(n, "RowSelect"))
                p.RowSelect = Boolean();
            else if (Is(n, "ParentFont"))
                p.ParentFont = Boolean();
            else if (Is(n, "ParentShowHint"))
                p.ParentShowHint = Boolean();
            else if (Is(n, "ShowColumnHeaders"))
                p.ShowColumnHeaders = Boolean();
            else if (Is(n, "ShowHint"))
                p.ShowHint = Boolean();
            else if (Is(n, "TabOrder"))
                p.TabOrder = Integer();
            else if (Is(n, "ViewStyle"))
                KeepEnumeration(p.ViewStyle, {"vsIcon", "vsSmallIcon", "vsList", "vsReport"});
            else
                throw QelError(UnknownProperty(Name(n)));
            return;
        }
        const QByteArrayView group = name.first(dot);
        const QByteArrayView n = name.sliced(dot + 1);
        // Exactly two parts, "Group.Name"; of a longer path the message names all after a known group.
        if (std::memchr(n.data(), '.', n.size()))
            throw QelError(UnknownProperty(Name(KnownGroup(group) ? n : group)));
        if (Is(group, "Font")) {
            if (Is(n, "Charset"))
                KeepNamed(p.FontCharset);
            else if (Is(n, "Color"))
                KeepNamed(p.FontColor);
            else if (Is(n, "Height"))
                p.FontHeight = Integer();
            else if (Is(n, "Name"))
                KeepText(p.FontName);
            else if (Is(n, "Style"))
                KeepFontStyle(p.FontStyle);
            else
                throw QelError(UnknownProperty(Name(n)));
        } else if (Is(group, "IconOptions")) {
            if (Is(n, "WrapText"))
                p.IconWrapText = Boolean();
            else
                throw QelError(UnknownProperty(Name(n)));
        } else if (Is(group, "Items")) {
            ++RowBlocks_;
            if (Is(n, "ItemData")) {
                if (C_.Byte() != TagBinary)
                    throw QelError(InvalidValue());
                RowBlockLengthAt_ = C_.Pos();
                ReadItemData(C_.Bytes(C_.UInt32()));
                RowBlockEnd_ = C_.Pos();
            } else if (Is(n, "Data")) {
                ReadOldItemData(Binary());
                RowBlockLengthAt_ = -1;
            }
            else
                throw QelError(UnknownProperty(Name(n)));
        } else {
            throw QelError(UnknownProperty(Name(group)));
        }
    }

    static bool KnownGroup(QByteArrayView g) { return Is(g, "Font") || Is(g, "IconOptions") || Is(g, "Items"); }

    void ReadColumns()
    {
        if (C_.Byte() != TagCollection)
            throw QelError(InvalidValue());
        if (C_.Peek() != TagEnd && Keeps())
            List_->SetColumns({});
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
            if (Keeps()) {
                columns.append(column);
                List_->SetColumns(columns);
            }
        }
        C_.Byte();
    }

    void ReadColumnProperty(ListColumn &column)
    {
        const QByteArrayView n = C_.ShortStringBytes();
        if (Is(n, "Alignment")) {
            const QByteArrayView a = Enumeration({"taLeftJustify", "taRightJustify", "taCenter"});
            column.Alignment = Is(a, "taRightJustify") ? ColumnAlignment::Right
                             : Is(a, "taCenter")       ? ColumnAlignment::Center
                                                     : ColumnAlignment::Left;
        } else if (Is(n, "Caption")) {
            KeepText(column.Caption);
        } else if (Is(n, "Width")) {
            column.Width = Integer();
        } else if (Is(n, "AutoSize")) {
            Boolean();
        } else if (Is(n, "ImageIndex") || Is(n, "MaxWidth") || Is(n, "MinWidth") || Is(n, "Tag")) {
            Integer();
        } else {
            throw QelError(UnknownProperty(Name(n)));
        }
    }

    // The row block written by the program: UTF-16 texts, version 1. A later block
    // replaces the rows of an earlier one.
    void ReadItemData(QByteArrayView block)
    {
        if (!Keeps()) {
            SumItemData(block);
            return;
        }
        List_->ClearRows();
        Cursor b(block, 0);
        if (b.Byte() != 1)
            return; // a block of another version is skipped whole
        b.UInt32(); // size field, not needed for reading
        const quint32 count = b.UInt32();
        List_->ReserveRows(std::min<qint64>(count, b.Remaining() / 21));
        for (quint32 r = 0; r < count; ++r) {
            ListRow head;
            head.ImageIndex = b.Int32();
            head.StateIndex = b.Int32();
            head.OverlayIndex = b.Int32();
            const qint32 subCount = b.Int32();
            head.Data = b.UInt32();
            const qsizetype index = List_->AddRow(std::move(head));
            ListRow &row = List_->MutableRow(index);
            row.Caption = Utf16Text(b.Utf16Bytes(b.Byte()));
            for (qint32 s = 0; s < subCount; ++s)
                row.SubItems.append(Utf16Text(b.Utf16Bytes(b.Byte())));
        }
        ReadSubItemImages(b, *List_);
    }

    void SumItemData(QByteArrayView block) { *Sum_ = SumRowBlock(block); }

    static void ReadSubItemImages(Cursor &b, BookingList &list)
    {
        for (qsizetype r = 0; r < list.RowCount(); ++r) {
            ListRow &row = list.MutableRow(r);
            row.SubItemImages.clear();
            for (qsizetype s = 0; s < row.SubItems.size(); ++s)
                row.SubItemImages.append(b.Int16());
        }
    }

    // The older row block with 8-bit texts, accepted but never written. Rare enough to be
    // read whole also when only its sum is wanted.
    void ReadOldItemData(QByteArrayView block)
    {
        if (Keeps()) {
            ReadOldRows(block, *List_);
            return;
        }
        BookingList rows(ListKind::Income);
        *Sum_ = 0.0;
        ReadOldRows(block, rows);
        for (const ListRow &row : rows.Rows()) {
            if (!row.SubItem(0).isEmpty())
                *Sum_ += ParseAmount(row.SubItem(0));
        }
    }

    static void ReadOldRows(QByteArrayView block, BookingList &list)
    {
        list.ClearRows();
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
            const qsizetype index = list.AddRow(std::move(head));
            ListRow &row = list.MutableRow(index);
            row.Caption = b.ShortString();
            for (qint32 s = 0; s < subCount; ++s)
                row.SubItems.append(b.ShortString());
        }
        if (!b.AtEnd())
            ReadSubItemImages(b, list);
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
    BookingList *List_ = nullptr; // the list that keeps what is read, or
    double *Sum_ = nullptr;       // only the sum of its amounts
    ListPresentation Scratch_;    // what a sum does not keep
    ListPresentation &P_;
    int RowBlocks_ = 0;
    qsizetype RowBlockLengthAt_ = -1;
    qsizetype RowBlockEnd_ = -1;
};

} // namespace

namespace ComponentStream {

qsizetype ReadListRecord(QByteArrayView data, qsizetype offset, BookingList &list)
{
    Cursor cursor(data, offset);
    RecordReader(cursor, list).Read();
    return cursor.Pos();
}

qsizetype SumListRecord(QByteArrayView data, qsizetype offset, double &amountSum)
{
    amountSum = 0.0;
    Cursor cursor(data, offset);
    RecordReader(cursor, amountSum).Read();
    return cursor.Pos();
}

std::optional<KnownRecords::Match> KnownRecords::Find(QByteArrayView data, qsizetype offset) const
{
    const QByteArrayView rest = data.sliced(std::min(offset, data.size()));
    for (const Known &known : Known_) {
        const qsizetype head = known.Head.size();
        if (rest.size() < head + 4 || std::memcmp(rest.data(), known.Head.constData(), head) != 0)
            continue;
        const qint64 length = qFromLittleEndian<quint32>(rest.data() + head);
        const qsizetype tailAt = head + 4 + length;
        if (length > rest.size() - head - 4 || rest.size() - tailAt < known.Tail.size()
            || std::memcmp(rest.data() + tailAt, known.Tail.constData(), known.Tail.size()) != 0)
            continue;
        // Read as the known record was up to the rows and after them; the rows decide alone.
        return Match{rest.sliced(head + 4, length), offset + tailAt + known.Tail.size()};
    }
    return std::nullopt;
}

qsizetype KnownRecords::Sum(QByteArrayView data, qsizetype offset, double &amountSum)
{
    if (const std::optional<Match> match = Find(data, offset)) {
        amountSum = SumRowBlock(match->Rows);
        return match->End;
    }

    amountSum = 0.0;
    Cursor cursor(data, offset);
    RecordReader reader(cursor, amountSum);
    reader.Read();
    if (const auto block = reader.OnlyRowBlock()) {
        if (Known_.size() == MaxKnown)
            Known_.erase(Known_.begin());
        Known_.push_back({data.sliced(offset, block->first - offset).toByteArray(),
                          data.sliced(block->second, cursor.Pos() - block->second).toByteArray()});
    }
    return cursor.Pos();
}

qsizetype KnownRecords::SumTwo(QByteArrayView data, double &firstSum, double &secondSum)
{
    if (const std::optional<Match> first = Find(data, 0)) {
        if (const std::optional<Match> second = Find(data, first->End)) {
            SumRowBlocks(first->Rows, second->Rows, firstSum, secondSum);
            return second->End;
        }
    }
    return Sum(data, Sum(data, 0, firstSum), secondSum);
}

} // namespace ComponentStream
