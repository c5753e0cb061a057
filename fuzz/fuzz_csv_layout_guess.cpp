// The column guess for CSV layouts no profile knows, on tables from outside bytes, and the
// command line's column choice on the same bytes as text.

#include "FuzzCommon.h"

#include "ledger/QelError.h"

#include "statements/CsvLayoutGuess.h"
#include "statements/CsvTable.h"
#include "statements/Statement.h"
#include "statements/StatementText.h"

namespace {

bool InRange(int column, qsizetype width)
{
    return column >= -1 && column < width;
}

// What the guess promises: columns of the header, and an unambiguous guess that the
// command line can write down and read back as it is.
void CheckGuess(const CsvLayoutGuess &guess, qsizetype width)
{
    const CsvColumnChoice &c = guess.Choice;
    for (const int column : {c.Date, c.Amount, c.Debit, c.Credit, c.Counterparty, c.Purpose, c.PurposeTo, c.Payee,
                             c.BookingText, c.Account}) {
        if (!InRange(column, width))
            fuzz::Fail("guessed column outside the header:", QString::number(column));
    }
    if (guess.Unambiguous != guess.Doubt.isEmpty())
        fuzz::Fail("doubt and unambiguity disagree:", guess.Doubt);
    if (!guess.Unambiguous)
        return;
    QString error;
    const std::optional<CsvColumnChoice> back = ParseCsvColumnChoice(CsvColumnChoiceText(c), &error);
    if (!back)
        fuzz::Fail("an unambiguous guess the command line refuses:", error);
    if (CsvColumnChoiceText(*back) != CsvColumnChoiceText(c))
        fuzz::Fail("guess read back differently:", CsvColumnChoiceText(c));
}

// A choice read from the command line is one it writes back the same.
void CheckChoice(const QString &text)
{
    QString error;
    const std::optional<CsvColumnChoice> choice = ParseCsvColumnChoice(text, &error);
    if (!choice) {
        if (error.isEmpty())
            fuzz::Fail("column choice refused without a message");
        return;
    }
    const std::optional<CsvColumnChoice> again = ParseCsvColumnChoice(CsvColumnChoiceText(*choice), nullptr);
    if (!again || CsvColumnChoiceText(*again) != CsvColumnChoiceText(*choice))
        fuzz::Fail("column choice not read back:", text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = StatementText::Decode(fuzz::Bytes(data, size));
    const CsvTable table = SplitCsv(text, DetectCsvSeparator(text));
    // Each of the first records as the header (banks put account lines above it), the
    // records after it as the sample.
    for (qsizetype h = 0; h < std::min<qsizetype>(table.Records.size(), 16); ++h) {
        const QStringList &header = table.Records[h].Fields;
        QList<QStringList> sample;
        for (qsizetype r = h + 1; r < table.Records.size() && sample.size() < 5; ++r)
            sample.append(table.Records[r].Fields);
        CheckGuess(GuessCsvLayout(header, sample), header.size());
    }
    // The whole file as the reader hands an unknown layout on: the guess over every row's
    // column statistics, and a table without a header guessed from its content.
    try {
        const StatementReadResult read = ReadStatement(fuzz::Bytes(data, size), QStringLiteral("fuzz.csv"));
        if (const auto *layout = std::get_if<UnknownCsvLayout>(&read)) {
            if (layout->Columns.size() != layout->Header.size())
                fuzz::Fail("column statistics not one per column");
            CheckGuess(GuessCsvLayout(*layout), layout->Header.size());
        }
    } catch (const QelError &) {
    }
    CheckChoice(text);
    return 0;
}
