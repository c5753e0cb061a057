// Amount and day texts as a user types or a file carries them (UTF-8 input).

#include "FuzzCommon.h"

#include "books/BookSearch.h"
#include "ledger/FuncUnit.h"
#include "ledger/Regional.h"
#include "ledger/StoredAmount.h"

#include <QtEndian>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const Regional regional;
    const QString text = QString::fromUtf8(fuzz::Bytes(data, size));

    // Sums format what they parse, and the formatted text is parsed again by the next sum.
    if (const std::optional<double> value = TryParseAmount(text)) {
        const QString formatted = FormatAmount(*value);
        const std::optional<double> again = TryParseAmount(formatted);
        if (!again)
            fuzz::Fail("formatted amount does not parse:", text + QStringLiteral(" -> ") + formatted);
        if (FormatAmount(*again) != formatted)
            fuzz::Fail("formatting is not stable:",
                       text + QStringLiteral(" -> ") + formatted + QStringLiteral(" -> ") + FormatAmount(*again));
    }
    (void)ParseAmount(text);

    // The quick way gives what the long way gives, to the last bit, or leaves the text to it.
    const std::optional<double> longWay = TryParseAmountExtended(text);
    const std::optional<double> parsed = TryParseAmount(text);
    if (parsed.has_value() != longWay.has_value() || (parsed && !fuzz::SameBits(*parsed, *longWay)))
        fuzz::Fail("quick and long way differ:", text);
    double quick = 0;
    if (ParseAmountQuickly(text, quick) && (!longWay || !fuzz::SameBits(quick, *longWay)))
        fuzz::Fail("quick way wrong:", text);
    QByteArray stored(2 * text.size(), Qt::Uninitialized);
    qToLittleEndian<quint16>(text.utf16(), text.size(), stored.data());
    if (ParseStoredAmountQuickly(stored, quick) && (!longWay || !fuzz::SameBits(quick, *longWay)))
        fuzz::Fail("quick way of stored text wrong:", text);
    // The scan's reader of the common shape looks at the 16 bytes ending with the text.
    const QByteArray padded = QByteArray(16, '7') + stored;
    if (StoredAmount::TwoDecimals(padded.constData() + padded.size(), int(text.size()), quick)
        && (!longWay || !fuzz::SameBits(quick, *longWay)))
        fuzz::Fail("two-decimals way of stored text wrong:", text);

    // The amount field: the key filter, the check, then the completion; what passes all
    // three is stored and must read as an amount.
    QString typed;
    for (const QChar ch : text) {
        if (const std::optional<QChar> kept = FilterAmountKey(ch); kept && *kept != u'\b')
            typed.append(*kept);
    }
    // Beyond 300 digits the value may leave double's range, which the parser refuses.
    if (typed.size() <= 300 && CheckAmountText(typed)) {
        const QString stored = NormalizeAmountText(typed);
        if (!TryParseAmount(stored))
            fuzz::Fail("completed amount does not parse:", typed + QStringLiteral(" -> ") + stored);
    }
    if (CheckAmountText(text))
        (void)NormalizeAmountText(text);

    // The search field: words that find something, ranges the right way round.
    for (const SearchTerm &term : ParseSearchQuery(text).Terms) {
        if (term.Folded.isEmpty())
            fuzz::Fail("empty search word:", text);
        if (term.HasAmount() && (term.MinCents < 0 || term.MinCents > term.MaxCents))
            fuzz::Fail("search range wrong:", text);
    }

    // The regular dialog's day field.
    (void)CheckDayText(CompleteDayText(text), regional);
    return 0;
}
