#include "statements/SepaText.h"

#include "statements/StatementText.h"

#include <array>

namespace {

enum class Field { None, EndToEnd, Mandate, Creditor, Purpose, Ultimate, Remark };

struct Tag
{
    QStringView Text;
    Field Role;
};

// The DFÜ agreement's identifiers; others (KREF, DEBT, COAM, OAMT, ...) are kept out of
// the purpose without being used. "MTLG+" (also written "MTLG:") is the bank's remark, such
// as the reason of a return, and belongs to the purpose.
constexpr std::array<Tag, 20> Tags = {{
    {u"EREF+", Field::EndToEnd}, {u"KREF+", Field::None}, {u"MREF+", Field::Mandate},
    {u"CRED+", Field::Creditor}, {u"DEBT+", Field::None}, {u"COAM+", Field::None},
    {u"OAMT+", Field::None},     {u"SVWZ+", Field::Purpose}, {u"ABWA+", Field::Ultimate},
    {u"ABWE+", Field::Ultimate}, {u"BREF+", Field::None}, {u"RREF+", Field::None},
    {u"PURP+", Field::None},     {u"IBAN+", Field::None}, {u"BIC+", Field::None},
    {u"SQTP+", Field::None},     {u"ORCR+", Field::None}, {u"ORMR+", Field::None},
    {u"MTLG+", Field::Remark},   {u"MTLG:", Field::Remark},
}};

// The label forms repeated inside a purpose; everything from the first of them on is
// reference data, not purpose.
constexpr std::array<Tag, 10> Labels = {{
    {u"EREF:", Field::EndToEnd},
    {u"End-to-End-Ref.:", Field::EndToEnd},
    {u"MREF:", Field::Mandate},
    {u"Mandatsref:", Field::Mandate},
    {u"CRED:", Field::Creditor},
    {u"Gläubiger-ID:", Field::Creditor},
    {u"IBAN:", Field::None},
    {u"BIC:", Field::None},
    {u"Kundenreferenz:", Field::None},
    {u"KREF:", Field::None},
}};

const Tag *TagAt(QStringView text, qsizetype pos)
{
    for (const Tag &tag : Tags) {
        if (text.sliced(pos).startsWith(tag.Text))
            return &tag;
    }
    return nullptr;
}

void Assign(SepaText &out, Field role, QStringView value)
{
    QString text = StatementText::Simplified(value);
    switch (role) {
    case Field::EndToEnd:
        if (text.compare(u"NOTPROVIDED", Qt::CaseInsensitive) != 0 && out.EndToEndId.isEmpty())
            out.EndToEndId = text;
        break;
    case Field::Mandate:
        if (out.MandateReference.isEmpty())
            out.MandateReference = text;
        break;
    case Field::Creditor:
        if (out.CreditorId.isEmpty())
            out.CreditorId = text;
        break;
    case Field::Ultimate:
        if (out.UltimateParty.isEmpty())
            out.UltimateParty = text;
        break;
    case Field::Purpose:
        out.Purpose = text;
        break;
    case Field::Remark:
        out.Remark = StatementText::Simplified(QString(out.Remark + u' ' + text));
        break;
    case Field::None:
        break;
    }
}

QStringView FirstWord(QStringView text)
{
    qsizetype begin = 0;
    while (begin < text.size() && text[begin].isSpace())
        ++begin;
    qsizetype end = begin;
    while (end < text.size() && !text[end].isSpace())
        ++end;
    return text.sliced(begin, end - begin);
}

// Cuts the label block off the purpose and takes the values it names.
void SplitLabels(SepaText &out)
{
    const QString purpose = out.Purpose;
    qsizetype cut = -1;
    for (qsizetype i = 0; i < purpose.size(); ++i) {
        for (const Tag &label : Labels) {
            // A label stands alone: a blank or the end after it, a blank or the start
            // before it; the upper-case codes may also follow a word the bank cut off.
            const QStringView rest = QStringView(purpose).sliced(i);
            const qsizetype after = i + label.Text.size();
            const bool code = label.Text.at(1).isUpper();
            if (!rest.startsWith(label.Text) || (after < purpose.size() && !purpose[after].isSpace())
                || (i > 0 && !purpose[i - 1].isSpace() && !code))
                continue;
            if (cut < 0)
                cut = i;
            Assign(out, label.Role, FirstWord(QStringView(purpose).sliced(i + label.Text.size())));
            break;
        }
    }
    if (cut >= 0)
        out.Purpose = StatementText::Simplified(QStringView(purpose).first(cut));
}

} // namespace

SepaText SplitSepaText(QStringView text)
{
    SepaText out;
    qsizetype firstTag = -1;
    const Tag *current = nullptr;
    qsizetype valueStart = 0;
    bool sawPurposeTag = false;
    for (qsizetype i = 0; i + 4 < text.size(); ++i) {
        if (text[i + 3] != u'+' && text[i + 4] != u'+' && text[i + 4] != u':')
            continue;
        const Tag *tag = TagAt(text, i);
        if (!tag)
            continue;
        if (current)
            Assign(out, current->Role, text.sliced(valueStart, i - valueStart));
        else
            firstTag = i;
        sawPurposeTag = sawPurposeTag || tag->Role == Field::Purpose;
        current = tag;
        valueStart = i + tag->Text.size();
        i = valueStart - 1;
    }
    if (current)
        Assign(out, current->Role, text.sliced(valueStart));
    if (!sawPurposeTag)
        out.Purpose = StatementText::Simplified(firstTag < 0 ? text : text.first(firstTag));
    SplitLabels(out);
    if (!out.Remark.isEmpty())
        out.Purpose = StatementText::Simplified(QString(out.Purpose + u' ' + out.Remark));
    return out;
}
