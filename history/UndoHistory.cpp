#include "history/UndoHistory.h"

#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

using namespace Qt::StringLiterals;

namespace {

// "QELVERL" and the format's version.
constexpr char Magic[] = "QELVERL1";
constexpr qsizetype MagicSize = 8;

enum RowFlags : quint8 { HasBefore = 1, HasAfter = 2 };

bool SameRow(const std::optional<ListRow> &a, const std::optional<ListRow> &b)
{
    if (a.has_value() != b.has_value())
        return false;
    return !a || (a->Caption == b->Caption && a->SubItems == b->SubItems);
}

class Writer
{
public:
    void U8(quint8 v) { Bytes.append(char(v)); }
    void U32(quint32 v)
    {
        const quint32 le = qToLittleEndian(v);
        Bytes.append(reinterpret_cast<const char *>(&le), 4);
    }
    void I64(qint64 v)
    {
        const qint64 le = qToLittleEndian(v);
        Bytes.append(reinterpret_cast<const char *>(&le), 8);
    }
    void Text(const QString &text)
    {
        const QByteArray utf8 = text.toUtf8();
        U32(quint32(utf8.size()));
        Bytes.append(utf8);
    }
    void Row(const ListRow &row)
    {
        Text(row.Caption);
        U32(quint32(row.SubItems.size()));
        for (const QString &item : row.SubItems)
            Text(item);
    }

    QByteArray Bytes;
};

// Every length and count is checked against the bytes that remain.
class Reader
{
public:
    explicit Reader(QByteArrayView bytes)
        : Bytes_(bytes)
    {
    }

    qsizetype Remaining() const { return Bytes_.size() - At_; }
    QByteArrayView Take(qsizetype n)
    {
        if (n < 0 || n > Remaining())
            Fail();
        const QByteArrayView part = Bytes_.sliced(At_, n);
        At_ += n;
        return part;
    }
    quint8 U8() { return quint8(Take(1).at(0)); }
    quint32 U32() { return qFromLittleEndian<quint32>(Take(4).data()); }
    qint64 I64() { return qFromLittleEndian<qint64>(Take(8).data()); }
    // A count of items each at least minSize bytes long.
    qsizetype Count(qsizetype minSize)
    {
        const quint32 n = U32();
        if (qsizetype(n) > Remaining() / minSize)
            Fail();
        return n;
    }
    QString Text()
    {
        const QByteArrayView utf8 = Take(Count(1));
        return QString::fromUtf8(utf8);
    }
    ListRow Row()
    {
        ListRow row = ListRow::Make(Text(), {});
        const qsizetype items = Count(4);
        for (qsizetype i = 0; i < items; ++i)
            row.SubItems.append(Text());
        return row;
    }
    [[noreturn]] static void Fail() { throw QelError(u"Der Verlauf der Änderungen ist beschädigt."_s); }

private:
    QByteArrayView Bytes_;
    qsizetype At_ = 0;
};

void WriteStep(Writer &w, const HistoryStep &step)
{
    w.Text(step.Text);
    w.U32(quint32(step.Bookings.size()));
    for (const BookingChange &change : step.Bookings) {
        w.Text(change.Book);
        w.U8(quint8(change.List));
        w.U8(quint8((change.Before ? HasBefore : 0) | (change.After ? HasAfter : 0)));
        if (change.Before)
            w.Row(*change.Before);
        if (change.After)
            w.Row(*change.After);
    }
    w.U32(quint32(step.Books.size()));
    for (const BookChange &book : step.Books) {
        w.Text(book.Book);
        w.U8(book.Created ? 1 : 0);
        w.Text(book.TrashFile);
    }
    w.I64(step.ImportBatch);
}

HistoryStep ReadStep(Reader &r)
{
    HistoryStep step;
    step.Text = r.Text();
    const qsizetype bookings = r.Count(10);
    for (qsizetype i = 0; i < bookings; ++i) {
        BookingChange change;
        change.Book = r.Text();
        const quint8 list = r.U8();
        if (list > quint8(ListKind::Regular))
            Reader::Fail();
        change.List = ListKind(list);
        const quint8 flags = r.U8();
        if (flags == 0 || flags > (HasBefore | HasAfter))
            Reader::Fail();
        if (flags & HasBefore)
            change.Before = r.Row();
        if (flags & HasAfter)
            change.After = r.Row();
        step.Bookings.append(std::move(change));
    }
    const qsizetype books = r.Count(9);
    for (qsizetype i = 0; i < books; ++i) {
        BookChange book;
        book.Book = r.Text();
        const quint8 created = r.U8();
        if (created > 1)
            Reader::Fail();
        book.Created = created == 1;
        book.TrashFile = r.Text();
        step.Books.append(std::move(book));
    }
    step.ImportBatch = r.I64();
    return step;
}

QByteArray Encoded(const HistoryStep &step)
{
    Writer w;
    WriteStep(w, step);
    return w.Bytes;
}

QByteArray FileBytes(const QList<QByteArray> &encoded, qsizetype position)
{
    qsizetype size = MagicSize + 8;
    for (const QByteArray &step : encoded)
        size += 4 + step.size();
    Writer w;
    w.Bytes.reserve(size);
    w.Bytes.append(Magic, MagicSize);
    w.U32(quint32(position));
    w.U32(quint32(encoded.size()));
    for (const QByteArray &step : encoded) {
        w.U32(quint32(step.size()));
        w.Bytes.append(step);
    }
    return w.Bytes;
}

} // namespace

bool HistoryStep::operator==(const HistoryStep &other) const
{
    if (Text != other.Text || ImportBatch != other.ImportBatch || Bookings.size() != other.Bookings.size()
        || Books.size() != other.Books.size())
        return false;
    for (qsizetype i = 0; i < Bookings.size(); ++i) {
        const BookingChange &a = Bookings.at(i);
        const BookingChange &b = other.Bookings.at(i);
        if (a.Book != b.Book || a.List != b.List || !SameRow(a.Before, b.Before) || !SameRow(a.After, b.After))
            return false;
    }
    for (qsizetype i = 0; i < Books.size(); ++i) {
        const BookChange &a = Books.at(i);
        const BookChange &b = other.Books.at(i);
        if (a.Book != b.Book || a.Created != b.Created || a.TrashFile != b.TrashFile)
            return false;
    }
    return true;
}

UndoHistory::UndoHistory(QString file)
    : File_(std::move(file))
{
}

QByteArray UndoHistory::Bytes(const QList<HistoryStep> &steps, qsizetype position)
{
    QList<QByteArray> encoded;
    for (const HistoryStep &step : steps)
        encoded.append(Encoded(step));
    return FileBytes(encoded, position);
}

void UndoHistory::Parse(QByteArrayView bytes, QList<HistoryStep> &steps, qsizetype &position)
{
    Reader r(bytes);
    if (r.Take(MagicSize) != QByteArrayView(Magic, MagicSize))
        Reader::Fail();
    const quint32 at = r.U32();
    const qsizetype count = r.Count(4);
    if (at > count)
        Reader::Fail();
    QList<HistoryStep> read;
    for (qsizetype i = 0; i < count; ++i) {
        Reader one(r.Take(r.Count(1)));
        read.append(ReadStep(one));
        if (one.Remaining() != 0)
            Reader::Fail();
    }
    if (r.Remaining() != 0)
        Reader::Fail();
    steps = std::move(read);
    position = at;
}

void UndoHistory::Load()
{
    if (Loaded_)
        return;
    Loaded_ = true;
    if (File_.isEmpty() || !QFileInfo(File_).isFile())
        return;
    try {
        Parse(ListFiles::ReadFile(File_), Steps_, Position_);
        for (const HistoryStep &step : std::as_const(Steps_))
            Encoded_.append(Encoded(step));
    } catch (const QelError &error) {
        Steps_.clear();
        Encoded_.clear();
        Position_ = 0;
        // Kept for a look, out of the way of the next save.
        const QString kept = File_ + u".defekt"_s;
        QFile::remove(kept);
        QFile::rename(File_, kept);
        LoadMessage_ = error.Message() + u" Er wurde als \"%1\" aufbewahrt; rückgängig machen lässt sich erst wieder, "
                                         u"was ab jetzt geändert wird."_s.arg(QDir::toNativeSeparators(kept));
    }
}

void UndoHistory::Record(HistoryStep step)
{
    Load();
    Steps_.resize(Position_);
    Encoded_.resize(Position_);
    Encoded_.append(Encoded(step));
    Steps_.append(std::move(step));
    if (Steps_.size() > Kept) {
        Steps_.remove(0, Steps_.size() - Kept);
        Encoded_.remove(0, Encoded_.size() - Kept);
    }
    Position_ = Steps_.size();
    Save();
}

const HistoryStep *UndoHistory::NextUndo()
{
    Load();
    return Position_ > 0 ? &Steps_.at(Position_ - 1) : nullptr;
}

const HistoryStep *UndoHistory::NextRedo()
{
    Load();
    return Position_ < Steps_.size() ? &Steps_.at(Position_) : nullptr;
}

void UndoHistory::Undone(HistoryStep step)
{
    Adopt(std::move(step), true);
    Save();
}

void UndoHistory::Redone(HistoryStep step)
{
    Adopt(std::move(step), false);
    Save();
}

QByteArray UndoHistory::BytesAfter(const HistoryStep &step, bool undone)
{
    Load();
    QList<QByteArray> encoded = Encoded_;
    qsizetype position = Position_;
    if (undone && position > 0)
        encoded[--position] = Encoded(step);
    else if (!undone && position < encoded.size())
        encoded[position++] = Encoded(step);
    return FileBytes(encoded, position);
}

void UndoHistory::Adopt(HistoryStep step, bool undone)
{
    Load();
    if (undone && Position_ > 0) {
        --Position_;
        Encoded_[Position_] = Encoded(step);
        Steps_[Position_] = std::move(step);
    } else if (!undone && Position_ < Steps_.size()) {
        Encoded_[Position_] = Encoded(step);
        Steps_[Position_] = std::move(step);
        ++Position_;
    }
}

void UndoHistory::Clear()
{
    Loaded_ = true;
    Steps_.clear();
    Encoded_.clear();
    Position_ = 0;
    if (!File_.isEmpty() && QFile::remove(File_))
        ListFiles::SyncFolder(QFile::encodeName(QFileInfo(File_).absolutePath()));
}

void UndoHistory::Save()
{
    if (File_.isEmpty())
        return;
    QDir().mkpath(QFileInfo(File_).absolutePath());
    ListFiles::WriteFile(File_, FileBytes(Encoded_, Position_));
}
