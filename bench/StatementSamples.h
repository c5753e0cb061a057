#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Statements of a household's usual turnovers (salary, rent, energy, groceries, card payments),
// generated in each format as its bank writes it, for benchmarks.
namespace StatementSamples {

enum class Format { Camt053, Mt940, CsvSparkasse, CsvDkb, CsvIng, CsvVolksbank };

struct Sample
{
    Format Kind;
    QString Name; // "CAMT.053.001.08", "MT940", "CSV Sparkasse", ...
};

const QList<Sample> &All();

// A statement of the given number of rows, starting on 1 January 2024, a few rows a day.
QByteArray Make(Format format, int rows);

} // namespace StatementSamples
