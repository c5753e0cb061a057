#include "controls/Fonts.h"

#include <QFont>
#include <QStringList>

void RegisterFontSubstitutions()
{
    const QStringList sans = {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")};
    QFont::insertSubstitutions(QStringLiteral("Arial"), sans);
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), sans);
    QFont::insertSubstitutions(QStringLiteral("Tahoma"), sans);
}
