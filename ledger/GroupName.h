#pragma once

#include <QString>
#include <QStringView>

// Group names that differ only in letter case are one group, with German full case folding:
// "Straße", "STRASSE" and "strasse" are one, as are "Ärger" and "ÄRGER". The key a name is
// grouped under, and whether two names share it. The analysis groups by it, and so do the
// budgets and the search.
QString GroupNameKey(QStringView name);
bool SameGroupName(QStringView a, QStringView b);

// The folding behind it, for grouping many names without a copy each.
namespace GroupNames {

// A name as the grouping compares it, letter case ignored character by character; a view into
// the row's own text, so a row costs no copy.
struct FoldedName
{
    QStringView Text;
};
bool operator==(FoldedName a, FoldedName b);
size_t qHash(FoldedName name, size_t seed = 0);
// Whether folding character by character is not the whole folding ("ß", beyond Latin-1), and
// the full folding then.
bool NeedsFullFolding(QStringView name);
QString FullyFolded(QStringView name);

} // namespace GroupNames
