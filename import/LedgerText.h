#pragma once

#include <QString>

// Texts that go into a booking's category and purpose: at most 30 characters, each one
// that the ledger's 8-bit form can hold, no control characters.
namespace LedgerText {

constexpr int MaxLength = 30;

// A bank's text made fit for the ledger: characters the 8-bit form lacks become their base
// letter where there is one and are dropped otherwise, blanks are simplified, and a text
// too long is cut at the last blank within the limit (hard at the limit when there is none
// in its second half).
QString Shorten(const QString &text);

// The words of a bank's purpose text that tell a reader something: references, codes and
// account numbers (anything with four digits or more, SEPA field tags, "NOTPROVIDED") left out,
// the rest in order. Not yet made fit for the ledger (see Shorten).
QString MeaningfulWords(const QString &purpose);

// Empty when the text may be stored; otherwise why not, in German. what is "Kategorie"
// or "Verwendung".
QString Problem(const QString &text, const QString &what, bool required);

} // namespace LedgerText
