#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// A CSV text split into records: fields separated by the separator, records by line
// breaks, double quotes around a field that holds separators, quotes ("" inside) or line
// breaks. A quote inside an unquoted field is kept as it is.
struct CsvRecord
{
    QStringList Fields;
    int Line = 0; // 1-based line where the record starts

    bool IsBlank() const;
};

struct CsvTable
{
    QChar Separator = u';';
    QList<CsvRecord> Records;
    int UnterminatedQuoteLine = 0; // the line of a quoted field that never ends, else 0
};

// The separator that splits the first lines into the most records of equal width:
// ";", "," or a tab.
QChar DetectCsvSeparator(QStringView text);

CsvTable SplitCsv(QStringView text, QChar separator);
