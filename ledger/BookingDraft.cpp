#include "ledger/BookingDraft.h"

#include "ledger/FuncUnit.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QDir>
#include <QFile>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

// A draft is a handful of short fields; anything larger is not one.
constexpr qsizetype MaxBytes = 16 * 1024;
constexpr qsizetype MaxFields = 8;
constexpr qsizetype MaxFieldLength = 1000;

const char16_t *const SideNames[] = {u"Einnahme", u"Ausgabe", u"Regelmäßig"};

QString Clean(const QString &field)
{
    QString clean = field.left(MaxFieldLength);
    for (QChar &ch : clean)
        if (ch == u'\t' || ch == u'\n' || ch == u'\r')
            ch = u' ';
    return clean;
}

QString RowLine(const QString &key, const ListRow &row)
{
    QStringList fields{key, Clean(row.Caption)};
    for (const QString &item : row.SubItems.mid(0, MaxFields - 1))
        fields << Clean(item);
    return fields.join(u'\t');
}

std::optional<ListRow> RowOf(const QStringList &fields)
{
    if (fields.size() < 2 || fields.size() > MaxFields + 1)
        return std::nullopt;
    return ListRow::Make(fields.at(1), fields.mid(2));
}

} // namespace

namespace BookingDrafts {

QString FileName()
{
    return u"Entwurf.txt"_s;
}

QByteArray Bytes(const BookingDraft &draft)
{
    QStringList lines{u"Art\t"_s + QString::fromUtf16(SideNames[int(draft.Kind)]), u"Buch\t"_s + Clean(draft.Book),
                      u"Bearbeitet\t"_s + (draft.Edit ? u"ja"_s : u"nein"_s)};
    if (draft.Edit)
        lines << RowLine(u"Vorher"_s, draft.Original);
    lines << RowLine(u"Eingabe"_s, draft.Typed);
    return (lines.join(u'\n') + u'\n').toUtf8();
}

std::optional<BookingDraft> Parse(QByteArrayView bytes)
{
    if (bytes.size() > MaxBytes)
        return std::nullopt;
    BookingDraft draft;
    bool kind = false, book = false, edit = false, original = false, typed = false;
    for (const QString &line : QString::fromUtf8(bytes).split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(u'\t');
        const QString &key = fields.front();
        if (key == u"Art" && fields.size() == 2) {
            for (int side = 0; side < 3; ++side)
                if (fields.at(1) == QString::fromUtf16(SideNames[side])) {
                    draft.Kind = BookingDraft::Side(side);
                    kind = true;
                }
        } else if (key == u"Buch" && fields.size() == 2) {
            draft.Book = fields.at(1);
            book = true;
        } else if (key == u"Bearbeitet" && fields.size() == 2 && (fields.at(1) == u"ja" || fields.at(1) == u"nein")) {
            draft.Edit = fields.at(1) == u"ja";
            edit = true;
        } else if (key == u"Vorher") {
            const std::optional<ListRow> row = RowOf(fields);
            if (!row)
                return std::nullopt;
            draft.Original = *row;
            original = true;
        } else if (key == u"Eingabe") {
            const std::optional<ListRow> row = RowOf(fields);
            if (!row)
                return std::nullopt;
            draft.Typed = *row;
            typed = true;
        } else {
            return std::nullopt;
        }
    }
    if (!kind || !book || !edit || !typed || original != draft.Edit)
        return std::nullopt;
    return draft;
}

void Write(const QString &folder, const BookingDraft &draft)
{
    QDir().mkpath(folder);
    ListFiles::WriteFile(QDir(folder).filePath(FileName()), Bytes(draft));
}

std::optional<BookingDraft> Read(const QString &folder)
{
    QFile file(QDir(folder).filePath(FileName()));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return Parse(file.read(MaxBytes + 1));
}

void Remove(const QString &folder)
{
    QFile::remove(QDir(folder).filePath(FileName()));
}

QString Describe(const BookingDraft &draft)
{
    const ListRow &row = draft.Typed;
    // Typed with a comma or a point; said the German way.
    const std::optional<double> amount = TryParseAmount(QString(row.SubItem(0)).replace(u',', u'.'));
    const QString money = amount ? FormatAmount(*amount).replace(u'.', u',') + u" €"_s : row.SubItem(0);
    QString kind = QString::fromUtf16(SideNames[int(draft.Kind)]);
    if (draft.Kind == BookingDraft::Side::Regular)
        kind = u"Regelmäßige "_s + (row.SubItem(3) == IncomeKind() ? u"Einnahme"_s : u"Ausgabe"_s);
    QString text = kind + u' ' + money;
    const QString purpose = row.SubItem(2).trimmed().isEmpty() ? row.SubItem(1).trimmed() : row.SubItem(2).trimmed();
    if (!purpose.isEmpty())
        text += u" „"_s + purpose + u"“"_s;
    if (draft.Kind == BookingDraft::Side::Regular)
        return text + u" am "_s + row.Caption;
    return text + u" vom "_s + row.Caption + u" in "_s + draft.Book;
}

} // namespace BookingDrafts
