#include "ledger/GroupName.h"

namespace GroupNames {

bool operator==(FoldedName a, FoldedName b)
{
    if (a.Text.size() != b.Text.size())
        return false;
    for (qsizetype i = 0; i < a.Text.size(); ++i) {
        if (a.Text[i] != b.Text[i] && a.Text[i].toCaseFolded() != b.Text[i].toCaseFolded())
            return false;
    }
    return true;
}

size_t qHash(FoldedName name, size_t seed)
{
    size_t hash = seed ^ 0xcbf29ce484222325ULL;
    for (const QChar c : name.Text)
        hash = (hash ^ c.toCaseFolded().unicode()) * 0x100000001b3ULL;
    return hash;
}

// Character by character is the whole folding for Latin-1 but for "ß"; other characters (the
// capital sharp s, ligatures, Greek with iota) may fold to several.
bool NeedsFullFolding(QStringView name)
{
    for (const QChar c : name) {
        if (c.unicode() > 0xFF || c.unicode() == 0xDF)
            return true;
    }
    return false;
}

// Full folding: "ẞ" -> "ß" -> "SS" -> "ss", "ﬀ" -> "FF" -> "ff", "İ" -> "i̇".
QString FullyFolded(QStringView name)
{
    return name.toString().toCaseFolded().toUpper().toLower();
}

} // namespace GroupNames

using namespace GroupNames;

QString GroupNameKey(QStringView name)
{
    QString key = NeedsFullFolding(name) ? FullyFolded(name) : name.toString();
    for (QChar &c : key)
        c = c.toCaseFolded();
    return key;
}

bool SameGroupName(QStringView a, QStringView b)
{
    if (!NeedsFullFolding(a) && !NeedsFullFolding(b))
        return FoldedName{a} == FoldedName{b};
    return GroupNameKey(a) == GroupNameKey(b);
}
