#include "statements/CsvTable.h"

#include <QHash>

#include <array>

bool CsvRecord::IsBlank() const
{
    for (const QString &field : Fields) {
        if (!field.trimmed().isEmpty())
            return false;
    }
    return true;
}

CsvTable SplitCsv(QStringView text, QChar separator)
{
    CsvTable table;
    table.Separator = separator;
    int line = 1;
    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos < n) {
        CsvRecord record;
        record.Line = line;
        bool endOfRecord = false;
        while (!endOfRecord) {
            QString field;
            // blanks before an opening quote belong to no field
            qsizetype start = pos;
            while (start < n && text[start] == u' ')
                ++start;
            if (start < n && text[start] == u'"') {
                const int quoteLine = line;
                pos = start + 1;
                bool closed = false;
                while (pos < n) {
                    qsizetype run = pos;
                    while (run < n && text[run] != u'"') {
                        if (text[run] == u'\n' || (text[run] == u'\r' && !(run + 1 < n && text[run + 1] == u'\n')))
                            ++line;
                        ++run;
                    }
                    field += text.sliced(pos, run - pos);
                    pos = run;
                    if (pos >= n)
                        break;
                    if (pos + 1 < n && text[pos + 1] == u'"') {
                        field += u'"';
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    closed = true;
                    break;
                }
                if (!closed) {
                    table.UnterminatedQuoteLine = quoteLine;
                    record.Fields.append(field);
                    table.Records.append(record);
                    return table;
                }
                // anything between the closing quote and the separator is kept
                while (pos < n && text[pos] != separator && text[pos] != u'\n' && text[pos] != u'\r')
                    field += text[pos++];
            } else {
                qsizetype stop = pos;
                while (stop < n && text[stop] != separator && text[stop] != u'\n' && text[stop] != u'\r')
                    ++stop;
                field = text.sliced(pos, stop - pos).toString();
                pos = stop;
            }
            record.Fields.append(field);
            if (pos < n && text[pos] == separator) {
                ++pos;
                continue;
            }
            endOfRecord = true;
            if (pos < n && text[pos] == u'\r')
                ++pos;
            if (pos < n && text[pos] == u'\n')
                ++pos;
            ++line;
        }
        table.Records.append(record);
    }
    return table;
}

QChar DetectCsvSeparator(QStringView text)
{
    // Judge by the first lines only; a statement's header is near the top.
    qsizetype end = 0;
    for (int lines = 0; end < text.size() && lines < 40; ++end) {
        if (text[end] == u'\n')
            ++lines;
    }
    const QStringView head = text.first(end);
    static constexpr std::array<char16_t, 3> Candidates = {u';', u',', u'\t'};
    QChar best = u';';
    qsizetype bestScore = 0;
    for (const char16_t candidate : Candidates) {
        const CsvTable table = SplitCsv(head, candidate);
        QHash<qsizetype, qsizetype> widths;
        for (const CsvRecord &record : table.Records) {
            if (record.Fields.size() > 1)
                ++widths[record.Fields.size()];
        }
        for (auto it = widths.cbegin(); it != widths.cend(); ++it) {
            // separators that split many records into equally many fields; a wrong
            // candidate (a decimal comma) splits a few fields at most
            const qsizetype score = it.value() * (it.key() - 1);
            if (score > bestScore) { // ";" first, so it wins a tie
                bestScore = score;
                best = candidate;
            }
        }
    }
    return best;
}
