#include "changes/EntryCodec.h"

#include "documents/DocumentStore.h"

#include <array>

using namespace Qt::StringLiterals;

namespace EntryCodec {

namespace {

const QByteArray Magic = "Haushaltsbuch-\xC3\x84nderungen";

std::array<quint32, 256> MakeCrcTable()
{
    std::array<quint32, 256> table{};
    for (quint32 i = 0; i < 256; ++i) {
        quint32 c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

void Escape(QByteArray &out, QByteArrayView text)
{
    for (const char ch : text) {
        switch (ch) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += ch;
        }
    }
}

class LineWriter
{
public:
    explicit LineWriter(QByteArray &out, char type)
        : Out_(out)
    {
        Out_ += type;
    }
    ~LineWriter() { Out_ += '\n'; }
    LineWriter &Field(QByteArrayView bytes)
    {
        Out_ += '\t';
        Escape(Out_, bytes);
        return *this;
    }
    LineWriter &Text(const QString &text) { return Field(text.toUtf8()); }
    LineWriter &Number(qint64 n) { return Field(QByteArray::number(n)); }

private:
    QByteArray &Out_;
};

char ListLetter(ListKind list)
{
    switch (list) {
    case ListKind::Income: return 'E';
    case ListKind::Expend: return 'A';
    case ListKind::Regular: return 'R';
    case ListKind::Books: break;
    }
    return 'A';
}

std::optional<ListKind> ListOfLetter(QByteArrayView letter)
{
    if (letter == "E")
        return ListKind::Income;
    if (letter == "A")
        return ListKind::Expend;
    if (letter == "R")
        return ListKind::Regular;
    return std::nullopt;
}

bool DefaultExtras(const ListRow &row)
{
    if (row.ImageIndex != 0 || row.StateIndex != -1 || row.OverlayIndex != -1 || row.Data != 0)
        return false;
    for (int i = 0; i < row.SubItems.size(); ++i) {
        if (row.SubItemImage(i) != -1)
            return false;
    }
    return true;
}

void WriteContent(LineWriter &line, const BookingContent &content)
{
    line.Text(content.Book).Field(QByteArrayView(std::array<char, 1>{ListLetter(content.List)}));
    line.Text(content.Row.Caption).Number(content.Row.SubItems.size());
    for (const QString &item : content.Row.SubItems)
        line.Text(item);
    if (DefaultExtras(content.Row)) {
        line.Field("");
        return;
    }
    QByteArray extras = QByteArray::number(content.Row.ImageIndex) + ',' + QByteArray::number(content.Row.StateIndex)
                        + ',' + QByteArray::number(content.Row.OverlayIndex) + ',' + QByteArray::number(content.Row.Data);
    for (int i = 0; i < content.Row.SubItems.size(); ++i)
        extras += ',' + QByteArray::number(content.Row.SubItemImage(i));
    line.Field(extras);
}

void WriteBudget(LineWriter &line, const BudgetEntry &entry)
{
    line.Text(entry.Category)
        .Field(entry.Cents ? QByteArray::number(*entry.Cents) : QByteArray())
        .Field(entry.CarryOver ? "1" : "0");
}

// The fields of one line, unescaped as they are taken.
class LineReader
{
public:
    explicit LineReader(QByteArrayView line)
        : Line_(line)
    {
    }
    bool AtEnd() const { return Pos_ > Line_.size(); }
    // The next field; nothing past the last one or when an escape is broken.
    std::optional<QByteArray> Next()
    {
        if (Pos_ > Line_.size())
            return std::nullopt;
        QByteArray field;
        while (Pos_ < Line_.size() && Line_[Pos_] != '\t') {
            const char ch = Line_[Pos_++];
            if (ch != '\\') {
                field += ch;
                continue;
            }
            if (Pos_ >= Line_.size())
                return std::nullopt;
            switch (Line_[Pos_++]) {
            case '\\': field += '\\'; break;
            case 't': field += '\t'; break;
            case 'n': field += '\n'; break;
            case 'r': field += '\r'; break;
            default: return std::nullopt;
            }
        }
        ++Pos_; // the tab, or one past the end
        return field;
    }
    std::optional<QString> Text()
    {
        const std::optional<QByteArray> field = Next();
        if (!field)
            return std::nullopt;
        QString text = QString::fromUtf8(*field);
        if (text.size() > MaxTextChars)
            return std::nullopt;
        return text;
    }
    std::optional<qint64> Number()
    {
        const std::optional<QByteArray> field = Next();
        if (!field || field->isEmpty() || field->size() > 19)
            return std::nullopt;
        bool ok = false;
        const qint64 n = field->toLongLong(&ok);
        return ok ? std::optional<qint64>(n) : std::nullopt;
    }
    // Skips the type letter and its tab; false when the letter stands alone or is not followed
    // by a tab.
    bool SkipType()
    {
        Pos_ = 2;
        return Line_.size() > 1 && Line_[1] == '\t';
    }

private:
    QByteArrayView Line_;
    qsizetype Pos_ = 0;
};

std::optional<ListRow> ReadRow(LineReader &line)
{
    ListRow row;
    const std::optional<QString> caption = line.Text();
    const std::optional<qint64> count = line.Number();
    if (!caption || !count || *count < 0 || *count > MaxSubItems)
        return std::nullopt;
    row.Caption = *caption;
    for (qint64 i = 0; i < *count; ++i) {
        const std::optional<QString> item = line.Text();
        if (!item)
            return std::nullopt;
        row.SubItems.append(*item);
    }
    const std::optional<QByteArray> extras = line.Next();
    if (!extras)
        return std::nullopt;
    if (extras->isEmpty())
        return row;
    const QList<QByteArray> parts = extras->split(',');
    if (parts.size() != 4 + row.SubItems.size())
        return std::nullopt;
    bool ok = true;
    const auto number = [&](const QByteArray &part, qint64 low, qint64 high) {
        bool good = false;
        const qint64 n = part.toLongLong(&good);
        ok = ok && good && n >= low && n <= high;
        return n;
    };
    row.ImageIndex = qint32(number(parts[0], INT32_MIN, INT32_MAX));
    row.StateIndex = qint32(number(parts[1], INT32_MIN, INT32_MAX));
    row.OverlayIndex = qint32(number(parts[2], INT32_MIN, INT32_MAX));
    row.Data = quint32(number(parts[3], 0, UINT32_MAX));
    for (qsizetype i = 4; i < parts.size(); ++i)
        row.SubItemImages.append(qint16(number(parts[i], INT16_MIN, INT16_MAX)));
    if (!ok)
        return std::nullopt;
    return row;
}

std::optional<BookingContent> ReadContent(LineReader &line)
{
    BookingContent content;
    const std::optional<QString> book = line.Text();
    const std::optional<QByteArray> letter = line.Next();
    if (!book || !letter)
        return std::nullopt;
    const std::optional<ListKind> list = ListOfLetter(*letter);
    if (!list)
        return std::nullopt;
    std::optional<ListRow> row = ReadRow(line);
    if (!row)
        return std::nullopt;
    content.Book = *book;
    content.List = *list;
    content.Row = std::move(*row);
    return content;
}

// A marker field ("A"/"B" or "-") and, after the marker, what it announces.
template <typename T, typename ReadFn>
bool ReadOptional(LineReader &line, QByteArrayView marker, std::optional<T> &out, ReadFn read)
{
    const std::optional<QByteArray> field = line.Next();
    if (!field)
        return false;
    if (*field == "-")
        return true;
    if (*field != marker)
        return false;
    out = read(line);
    return out.has_value();
}

std::optional<BudgetEntry> ReadBudget(LineReader &line)
{
    BudgetEntry entry;
    const std::optional<QString> category = line.Text();
    const std::optional<QByteArray> cents = line.Next();
    const std::optional<QByteArray> carry = line.Next();
    if (!category || !cents || !carry || (*carry != "0" && *carry != "1"))
        return std::nullopt;
    entry.Category = *category;
    if (!cents->isEmpty()) {
        bool ok = false;
        const qint64 n = cents->toLongLong(&ok);
        if (!ok || n < 0 || n > MaxBudgetCents)
            return std::nullopt;
        entry.Cents = n;
    }
    entry.CarryOver = *carry == "1";
    return entry;
}

bool IdField(const std::optional<QByteArray> &field, bool mayBeEmpty)
{
    return field && field->size() <= 200 && (mayBeEmpty || !field->isEmpty());
}

bool ValidKind(char kind)
{
    switch (EntryKind(kind)) {
    case EntryKind::Step:
    case EntryKind::Import:
    case EntryKind::Undo:
    case EntryKind::Redo:
    case EntryKind::Restore:
    case EntryKind::Adopt:
    case EntryKind::Written:
        return true;
    }
    return false;
}

// One op line into the entry; false when it cannot be read.
bool ReadOp(QByteArrayView lineBytes, ChangeEntry &entry)
{
    LineReader line(lineBytes);
    if (!line.SkipType())
        return false;
    switch (lineBytes.front()) {
    case 'b': {
        BookingOp op;
        const std::optional<QByteArray> id = line.Next();
        const std::optional<QByteArray> rev = line.Next();
        const std::optional<QByteArray> base = line.Next();
        if (!IdField(id, false) || !IdField(rev, true) || !IdField(base, true))
            return false;
        op.Id = *id;
        op.Rev = *rev;
        op.Base = *base;
        if (!ReadOptional(line, "A", op.After, ReadContent) || !ReadOptional(line, "B", op.Before, ReadContent))
            return false;
        entry.Bookings.append(std::move(op));
        break;
    }
    case 'k': {
        const std::optional<QString> book = line.Text();
        const std::optional<QByteArray> exists = line.Next();
        if (!book || book->isEmpty() || !exists || (*exists != "1" && *exists != "0"))
            return false;
        entry.Books.append({*book, *exists == "1"});
        break;
    }
    case 'l': {
        const std::optional<QString> book = line.Text();
        const std::optional<QByteArray> letter = line.Next();
        const std::optional<QByteArray> skeleton = line.Next();
        if (!book || !letter || !skeleton)
            return false;
        const std::optional<ListKind> list = ListOfLetter(*letter);
        const auto decoded = QByteArray::fromBase64Encoding(*skeleton, QByteArray::AbortOnBase64DecodingErrors);
        if (!list || !decoded)
            return false;
        entry.Looks.append({*book, *list, *decoded});
        break;
    }
    case 'o': {
        const std::optional<QString> book = line.Text();
        const std::optional<QByteArray> letter = line.Next();
        const std::optional<QByteArray> ids = line.Next();
        if (!book || !letter || !ids)
            return false;
        const std::optional<ListKind> list = ListOfLetter(*letter);
        if (!list)
            return false;
        OrderOp op{*book, *list, {}};
        if (!ids->isEmpty()) {
            for (const QByteArray &id : ids->split(',')) {
                if (!IdField(id, false))
                    return false;
                op.Ids.append(id);
            }
        }
        entry.Orders.append(std::move(op));
        break;
    }
    case 'g': {
        BudgetOp op;
        const std::optional<QString> key = line.Text();
        const std::optional<qint64> from = line.Number();
        if (!key || !from || *from < 0 || *from > INT32_MAX)
            return false;
        op.Key = *key;
        op.From = int(*from);
        if (!ReadOptional(line, "A", op.After, ReadBudget) || !ReadOptional(line, "B", op.Before, ReadBudget))
            return false;
        // The month is the op's: an entry holds from it.
        if (op.After)
            op.After->From = op.From;
        if (op.Before)
            op.Before->From = op.From;
        entry.Budgets.append(std::move(op));
        break;
    }
    case 'r': {
        StatementRowOp op;
        const std::optional<QString> account = line.Text();
        const std::optional<QString> content = line.Text();
        const std::optional<qint64> occurrence = line.Number();
        const std::optional<QString> reference = line.Text();
        const std::optional<QByteArray> booking = line.Next();
        if (!account || !content || !occurrence || *occurrence < 0 || *occurrence > INT32_MAX || !reference
            || !IdField(booking, false))
            return false;
        op.Identity = {*account, *content, int(*occurrence), *reference};
        op.Booking = *booking;
        entry.Rows.append(std::move(op));
        break;
    }
    case 'd': {
        const std::optional<QByteArray> booking = line.Next();
        const std::optional<QByteArray> document = line.Next();
        const std::optional<QByteArray> attached = line.Next();
        const std::optional<QString> name = line.Text();
        if (!IdField(booking, false) || !document || !IsStoredDocumentName(*document) || !attached
            || (*attached != "1" && *attached != "0") || !name || name->size() > MaxTextChars)
            return false;
        entry.Documents.append({*booking, *document, *name, *attached == "1"});
        break;
    }
    case 'f': {
        const std::optional<QString> file = line.Text();
        const std::optional<QByteArray> hash = line.Next();
        if (!file || file->isEmpty() || !IdField(hash, false))
            return false;
        FileStamp stamp{*file, *hash, 0};
        if (!line.AtEnd()) {
            const std::optional<qint64> modified = line.Number();
            if (!modified || *modified < 0)
                return false;
            stamp.Modified = *modified;
        }
        entry.Files.append(std::move(stamp));
        break;
    }
    case 'a': {
        AdoptedFile adopted;
        const std::optional<QString> file = line.Text();
        const std::optional<QByteArray> hash = line.Next();
        const std::optional<QByteArray> seen = line.Next();
        if (!file || file->isEmpty() || !IdField(hash, false) || !seen || entry.Adopted)
            return false;
        adopted.File = *file;
        adopted.Hash = *hash;
        if (!line.AtEnd()) {
            const std::optional<qint64> modified = line.Number();
            if (!modified || *modified < 0)
                return false;
            adopted.Modified = *modified;
        }
        for (const QByteArray &pair : seen->split(',')) {
            if (pair.isEmpty())
                continue;
            const qsizetype eq = pair.indexOf('=');
            bool ok = false;
            const qint64 seq = eq > 0 ? pair.mid(eq + 1).toLongLong(&ok) : 0;
            if (!ok || seq < 0 || !IsComputerId(pair.left(eq)) || adopted.Seen.size() > 1000)
                return false;
            adopted.Seen.insert(pair.left(eq), seq);
        }
        entry.Adopted = std::move(adopted);
        break;
    }
    default:
        // An op of a later version: what it says is not for this one, the rest of the entry is.
        return lineBytes.front() >= 'a' && lineBytes.front() <= 'z';
    }
    return line.AtEnd() || !line.Next();
}

bool ReadEntryHead(QByteArrayView lineBytes, ChangeEntry &entry)
{
    LineReader line(lineBytes);
    if (!line.SkipType())
        return false;
    const std::optional<qint64> seq = line.Number();
    const std::optional<qint64> clock = line.Number();
    const std::optional<qint64> when = line.Number();
    const std::optional<QByteArray> kind = line.Next();
    const std::optional<qint64> target = line.Number();
    const std::optional<QString> text = line.Text();
    if (!seq || !clock || !when || !kind || kind->size() != 1 || !ValidKind(kind->front()) || !target || !text
        || *clock < 0 || *target < 0)
        return false;
    entry.Seq = *seq;
    entry.Clock = *clock;
    entry.When = *when;
    entry.Kind = EntryKind(kind->front());
    entry.Target = *target;
    entry.Text = *text;
    return !line.Next();
}

} // namespace

quint32 Crc32(QByteArrayView bytes, quint32 crc)
{
    static const std::array<quint32, 256> table = MakeCrcTable();
    crc = ~crc;
    for (const char ch : bytes)
        crc = table[(crc ^ quint8(ch)) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

bool IsComputerId(QByteArrayView id)
{
    if (id.isEmpty() || id.size() > 32)
        return false;
    for (const char ch : id) {
        if (!((ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f')))
            return false;
    }
    return true;
}

QByteArray HeaderLine(const QByteArray &computer, const QString &host)
{
    QByteArray out = Magic + "\t1\t" + computer + '\t';
    Escape(out, host.left(200).toUtf8());
    return out + '\n';
}

QByteArray Encode(const ChangeEntry &entry)
{
    QByteArray out;
    {
        LineWriter head(out, 'E');
        head.Number(entry.Seq).Number(entry.Clock).Number(entry.When);
        head.Field(QByteArrayView(std::array<char, 1>{char(entry.Kind)})).Number(entry.Target).Text(entry.Text);
    }
    for (const BookingOp &op : entry.Bookings) {
        LineWriter line(out, 'b');
        line.Field(op.Id).Field(op.Rev).Field(op.Base);
        if (op.After)
            WriteContent(line.Field("A"), *op.After);
        else
            line.Field("-");
        if (op.Before)
            WriteContent(line.Field("B"), *op.Before);
        else
            line.Field("-");
    }
    for (const BookOp &op : entry.Books)
        LineWriter(out, 'k').Text(op.Book).Field(op.Exists ? "1" : "0");
    for (const LookOp &op : entry.Looks) {
        LineWriter(out, 'l')
            .Text(op.Book)
            .Field(QByteArrayView(std::array<char, 1>{ListLetter(op.List)}))
            .Field(op.Skeleton.toBase64());
    }
    for (const OrderOp &op : entry.Orders) {
        LineWriter(out, 'o')
            .Text(op.Book)
            .Field(QByteArrayView(std::array<char, 1>{ListLetter(op.List)}))
            .Field(op.Ids.join(','));
    }
    for (const BudgetOp &op : entry.Budgets) {
        LineWriter line(out, 'g');
        line.Text(op.Key).Number(op.From);
        if (op.After)
            WriteBudget(line.Field("A"), *op.After);
        else
            line.Field("-");
        if (op.Before)
            WriteBudget(line.Field("B"), *op.Before);
        else
            line.Field("-");
    }
    for (const StatementRowOp &op : entry.Rows) {
        LineWriter(out, 'r')
            .Text(op.Identity.Account)
            .Text(op.Identity.ContentKey)
            .Number(op.Identity.Occurrence)
            .Text(op.Identity.Reference)
            .Field(op.Booking);
    }
    for (const DocumentOp &op : entry.Documents)
        LineWriter(out, 'd').Field(op.Booking).Field(op.Document).Field(op.Attached ? "1" : "0").Text(op.Name);
    for (const FileStamp &stamp : entry.Files)
        LineWriter(out, 'f').Text(stamp.File).Field(stamp.Hash).Number(stamp.Modified);
    if (entry.Adopted) {
        QByteArrayList seen;
        for (auto it = entry.Adopted->Seen.cbegin(); it != entry.Adopted->Seen.cend(); ++it)
            seen.append(it.key() + '=' + QByteArray::number(it.value()));
        std::sort(seen.begin(), seen.end());
        LineWriter(out, 'a')
            .Text(entry.Adopted->File)
            .Field(entry.Adopted->Hash)
            .Field(seen.join(','))
            .Number(entry.Adopted->Modified);
    }
    const quint32 crc = Crc32(out);
    out += "Z\t" + QByteArray::number(entry.Seq) + '\t' + QByteArray::number(crc, 16).rightJustified(8, '0') + '\n';
    return out;
}

Read Decode(QByteArrayView bytes, bool withHeader, qint64 firstSeq)
{
    Read read;
    if (bytes.size() > MaxLogBytes) {
        read.Problem = u"Die Datei ist größer als %1 MB."_s.arg(MaxLogBytes / 1024 / 1024);
        return read;
    }
    qsizetype pos = 0;
    const auto nextLine = [&](QByteArrayView &line) {
        const qsizetype end = bytes.indexOf('\n', pos);
        if (end < 0)
            return false;
        line = bytes.sliced(pos, end - pos);
        pos = end + 1;
        return true;
    };
    QByteArrayView line;
    if (withHeader) {
        if (!nextLine(line) || line.size() > 1000) {
            read.Problem = u"Die Datei ist kein Änderungsprotokoll."_s;
            return read;
        }
        LineReader header(line);
        const std::optional<QByteArray> magic = header.Next();
        const std::optional<QByteArray> version = header.Next();
        const std::optional<QByteArray> computer = header.Next();
        const std::optional<QString> host = header.Text();
        if (!magic || *magic != Magic || !version || !computer || !host || !IsComputerId(*computer)) {
            read.Problem = u"Die Datei ist kein Änderungsprotokoll."_s;
            return read;
        }
        if (*version != "1") {
            read.Problem = u"Das Änderungsprotokoll stammt von einer neueren Programmversion."_s;
            return read;
        }
        read.Computer = *computer;
        read.Host = *host;
    }
    read.GoodEnd = pos;
    qint64 expected = firstSeq;
    while (pos < bytes.size()) {
        const qsizetype entryStart = pos;
        ChangeEntry entry;
        entry.Computer = read.Computer;
        if (!nextLine(line)) {
            read.TornTail = true;
            break;
        }
        if (line.isEmpty() || line.front() != 'E' || line.size() > MaxLineBytes) {
            read.Problem = u"Der Eintrag ab Byte %1 ist beschädigt."_s.arg(entryStart);
            break;
        }
        bool good = ReadEntryHead(line, entry) && entry.Seq == expected;
        bool ended = false;
        qsizetype ops = 0;
        while (good && nextLine(line)) {
            if (line.size() > MaxLineBytes || line.isEmpty() || ++ops > MaxOpsPerEntry) {
                good = false;
                break;
            }
            if (line.front() == 'Z') {
                LineReader end(line);
                const bool typed = end.SkipType();
                const std::optional<qint64> seq = end.Number();
                const std::optional<QByteArray> crc = end.Next();
                const quint32 sum = Crc32(bytes.sliced(entryStart, pos - line.size() - 1 - entryStart));
                good = typed && seq && *seq == entry.Seq && crc
                       && *crc == QByteArray::number(sum, 16).rightJustified(8, '0') && !end.Next();
                ended = true;
                break;
            }
            good = ReadOp(line, entry);
        }
        if (!ended && good) {
            read.TornTail = true;
            break;
        }
        if (!good) {
            read.Problem = u"Der Eintrag ab Byte %1 ist beschädigt."_s.arg(entryStart);
            break;
        }
        read.Entries.append(std::move(entry));
        read.GoodEnd = pos;
        ++expected;
    }
    return read;
}

} // namespace EntryCodec
