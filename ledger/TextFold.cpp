#include "ledger/TextFold.h"

QString FoldCase(QStringView text)
{
    // Upper-casing first takes the special cases of the full folding (ß -> SS); Qt's own
    // folding is the simple one and would keep ß apart from ss. The capital ẞ folds to ß.
    QString folded = text.toString().toUpper().toCaseFolded();
    folded.replace(u'ß', QStringLiteral("ss"));
    return folded;
}
