#pragma once

#include "statements/Statement.h"

#include <QString>
#include <QStringView>

// MT940 (and the intraday MT942) as the German banks write it after the DFÜ agreement:
// ":61:" turnover lines with C/D/RC/RD, decimal comma and an optional booking date, ":86:"
// with "?00" booking text, "?20"-"?29" and "?60"-"?63" purpose, "?30"/"?31" account and
// "?32"/"?33" name; several statements per file, Latin-1 or UTF-8, lines broken anywhere.

// True when the text holds MT940 fields (":20:" with ":25:", ":60F:" or ":61:").
bool LooksLikeMt940(QStringView text);

// Throws QelError for a file that is cut off or holds a line that cannot be right.
Statement ReadMt940(const QString &text, const QString &fileName);
