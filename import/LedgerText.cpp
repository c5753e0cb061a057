#include "import/LedgerText.h"

#include "ledger/Win1252.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace LedgerText {

namespace {

bool Storable(QChar ch)
{
    return ch.category() != QChar::Other_Control && Win1252::FromUnicode(ch.unicode()) >= 0;
}

// "ş" and "ź" give "s" and "z"; the stroked letters have no decomposition and are named
// here. The base letter reads better than nothing.
QChar BaseLetter(QChar ch)
{
    switch (ch.unicode()) {
    case u'Ł': return u'L';
    case u'ł': return u'l';
    case u'Đ': return u'D';
    case u'đ': return u'd';
    case u'ı': return u'i';
    default: break;
    }
    return ch.decompositionTag() != QChar::NoDecomposition && !ch.decomposition().isEmpty() ? ch.decomposition().front()
                                                                                            : QChar();
}

} // namespace

QString Shorten(const QString &text)
{
    QString kept;
    kept.reserve(text.size());
    for (const QChar ch : text) {
        if (ch.isSpace()) {
            kept.append(u' ');
        } else if (Storable(ch)) {
            kept.append(ch);
        } else if (const QChar base = BaseLetter(ch); !base.isNull() && Storable(base)) {
            kept.append(base);
        }
    }
    kept = kept.simplified();
    if (kept.size() <= MaxLength)
        return kept;
    const qsizetype blank = kept.lastIndexOf(u' ', MaxLength);
    return (blank >= MaxLength / 2 ? kept.left(blank) : kept.left(MaxLength)).trimmed();
}

QString MeaningfulWords(const QString &purpose)
{
    static const QRegularExpression sepaTag(QStringLiteral("^[A-Z]{4}\\+"));
    QStringList kept;
    for (QString word : purpose.split(u' ', Qt::SkipEmptyParts)) {
        word.remove(sepaTag);
        const qsizetype digits = std::count_if(word.cbegin(), word.cend(), [](QChar ch) { return ch.isDigit(); });
        if (word.isEmpty() || digits >= 4 || word.compare(u"NOTPROVIDED", Qt::CaseInsensitive) == 0)
            continue;
        kept.append(word);
    }
    return kept.join(u' ');
}

QString Problem(const QString &text, const QString &what, bool required)
{
    if (required && text.trimmed().isEmpty())
        return QStringLiteral("Bitte geben Sie eine %1 an.").arg(what);
    if (std::any_of(text.cbegin(), text.cend(), [](QChar ch) { return ch.category() == QChar::Other_Control; }))
        return QStringLiteral("Die %1 darf keine Steuerzeichen wie Tabulator oder Zeilenumbruch enthalten.").arg(what);
    if (text.size() > MaxLength)
        return QStringLiteral("Die %1 darf höchstens %2 Zeichen lang sein.").arg(what).arg(MaxLength);
    if (!Win1252::IsRepresentable(text))
        return QStringLiteral("Die %1 \"%2\" enthält Zeichen, die das Haushaltsbuch nicht speichern kann.").arg(what, text);
    return {};
}

} // namespace LedgerText
