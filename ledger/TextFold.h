#pragma once

#include <QString>
#include <QStringView>

// Letter case as the ledger ignores it when it compares names and searches texts: German
// full case folding, so "Miete", "MIETE" and "miete" are one, and so are "Straße", "STRASSE"
// and "strasse". Umlauts stay umlauts: "Ä" folds to "ä", never to "a" or "ae".
QString FoldCase(QStringView text);
