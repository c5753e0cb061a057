#pragma once

#include "statements/Statement.h"

#include <QString>

// A bank's CSV export: a known bank's layout is recognised by its header line (after any
// lines of account data above it); any other layout is read with the column choice the
// user made for the same header, or handed back as UnknownCsvLayout to ask for one.
// Throws QelError for text that is no table, a cut-off file or a row that cannot be read.
StatementReadResult ReadCsv(const QString &text, const QString &fileName, const CsvChoiceLookup &choices);
