#include "statements/CsvTable.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <utility>

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
    // Plain indexes: the checks of operator[] cost more than the split itself.
    const char16_t *t = text.utf16();
    const char16_t sep = separator.unicode();
    while (pos < n) {
        CsvRecord record;
        record.Line = line;
        bool endOfRecord = false;
        while (!endOfRecord) {
            QString field;
            // blanks before an opening quote belong to no field
            qsizetype start = pos;
            while (start < n && t[start] == u' ')
                ++start;
            if (start < n && t[start] == u'"') {
                const int quoteLine = line;
                pos = start + 1;
                bool closed = false;
                while (pos < n) {
                    qsizetype run = pos;
                    while (run < n && t[run] != u'"') {
                        if (t[run] == u'\n' || (t[run] == u'\r' && !(run + 1 < n && t[run + 1] == u'\n')))
                            ++line;
                        ++run;
                    }
                    field += text.sliced(pos, run - pos);
                    pos = run;
                    if (pos >= n)
                        break;
                    if (pos + 1 < n && t[pos + 1] == u'"') {
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
                    record.Fields.append(std::move(field));
                    table.Records.append(std::move(record));
                    return table;
                }
                // anything between the closing quote and the separator is kept
                while (pos < n && t[pos] != sep && t[pos] != u'\n' && t[pos] != u'\r')
                    field += QChar(t[pos++]);
            } else {
                qsizetype stop = pos;
                while (stop < n && t[stop] != sep && t[stop] != u'\n' && t[stop] != u'\r')
                    ++stop;
                field = text.sliced(pos, stop - pos).toString();
                pos = stop;
            }
            record.Fields.append(std::move(field));
            if (pos < n && t[pos] == sep) {
                ++pos;
                continue;
            }
            endOfRecord = true;
            if (pos < n && t[pos] == u'\r')
                ++pos;
            if (pos < n && t[pos] == u'\n')
                ++pos;
            ++line;
        }
        table.Records.append(std::move(record));
    }
    return table;
}

namespace {

constexpr std::array<char16_t, 3> Candidates = {u';', u',', u'\t'};

// How many records of each width each candidate splits the text into, read as SplitCsv
// reads it (quotes open a field only at its start, "" inside them is a quote) without
// making the fields; all candidates in one pass.
// Records wider than this are no bank's table and are not counted.
constexpr qsizetype MaxCountedWidth = 255;
// How many records have each width; [0] holds the widest counted (widths start at 2).
using WidthCounts = std::array<qsizetype, MaxCountedWidth + 1>;

std::array<WidthCounts, Candidates.size()> RecordWidths(QStringView text, int maxLines)
{
    int lines = 0;
    struct Scan
    {
        qsizetype Fields = 1;
        bool FieldStart = true;
        bool Quoted = false;
        bool SkipNext = false; // the second quote of a "" inside quotes
    };
    std::array<Scan, Candidates.size()> scans{};
    std::array<WidthCounts, Candidates.size()> widths{};
    const qsizetype n = text.size();
    const char16_t *t = text.utf16();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ch = t[i];
        // most characters mean nothing to any candidate but that a field has begun
        if (ch > u';' || (ch > u'"' && ch != u',' && ch != u';')) {
            for (Scan &scan : scans)
                scan.FieldStart = false;
            continue;
        }
        const bool lineEnd = ch == u'\n' || (ch == u'\r' && !(i + 1 < n && t[i + 1] == u'\n'));
        const bool quoteFollows = i + 1 < n && t[i + 1] == u'"';
        for (std::size_t c = 0; c < Candidates.size(); ++c) {
            Scan &scan = scans[c];
            if (scan.SkipNext) {
                scan.SkipNext = false;
                continue;
            }
            if (scan.Quoted) {
                if (ch == u'"') {
                    if (quoteFollows)
                        scan.SkipNext = true;
                    else
                        scan.Quoted = false;
                }
                continue;
            }
            if (ch == u'"' && scan.FieldStart) {
                scan.Quoted = true;
                scan.FieldStart = false;
            } else if (ch == u' ' && scan.FieldStart) {
                continue;
            } else if (ch == Candidates[c]) {
                ++scan.Fields;
                scan.FieldStart = true;
            } else if (lineEnd) {
                if (scan.Fields > 1 && scan.Fields <= MaxCountedWidth) {
                    ++widths[c][scan.Fields];
                    widths[c][0] = std::max(widths[c][0], scan.Fields);
                }
                scan.Fields = 1;
                scan.FieldStart = true;
            } else if (ch != u'\r') {
                scan.FieldStart = false;
            }
        }
        if (ch == u'\n' && ++lines == maxLines)
            break;
    }
    for (std::size_t c = 0; c < Candidates.size(); ++c) {
        if (scans[c].Fields > 1 && scans[c].Fields <= MaxCountedWidth) {
            ++widths[c][scans[c].Fields];
            widths[c][0] = std::max(widths[c][0], scans[c].Fields);
        }
    }
    return widths;
}

} // namespace

QChar DetectCsvSeparator(QStringView text)
{
    // Judge by the first lines only; a statement's header is near the top.
    const auto widths = RecordWidths(text, 40);
    QChar best = u';';
    qsizetype bestScore = 0;
    for (std::size_t c = 0; c < Candidates.size(); ++c) {
        const qsizetype widest = widths[c][0]; // RecordWidths keeps the widest record there
        for (qsizetype width = 2; width <= widest; ++width) {
            // separators that split many records into equally many fields; a wrong
            // candidate (a decimal comma) splits a few fields at most
            const qsizetype score = widths[c][width] * (width - 1);
            if (score > bestScore) { // ";" first, so it wins a tie
                bestScore = score;
                best = Candidates[c];
            }
        }
    }
    return best;
}
