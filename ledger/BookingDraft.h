#pragma once

#include "ledger/BookingList.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// A booking typed into its dialog but not confirmed when the session ended (a logout, a
// shutdown): kept in the program's folder and offered at the next start, never booked on its
// own. One draft at most; a newer one replaces it.
struct BookingDraft
{
    enum class Side { Income, Expense, Regular };

    Side Kind = Side::Expense;
    QString Book;      // the month book it was for; empty for a regular booking
    bool Edit = false; // an existing booking was being changed
    ListRow Original;  // that booking as it was (Edit only)
    ListRow Typed;     // the fields as typed: date or day, amount, category, purpose[, kind]

    bool operator==(const BookingDraft &other) const = default;
};

namespace BookingDrafts {

QString FileName(); // "Entwurf.txt"

// UTF-8 lines "key<TAB>field<TAB>…"; tabs and line breaks in the fields become blanks.
QByteArray Bytes(const BookingDraft &draft);
// The draft of the bytes, or none when they are not one (too long, a line missing, a count
// out of range): a damaged draft is not offered.
std::optional<BookingDraft> Parse(QByteArrayView bytes);

// Written through the atomic writer; QelError when that fails.
void Write(const QString &folder, const BookingDraft &draft);
// The folder's draft, if it holds a readable one.
std::optional<BookingDraft> Read(const QString &folder);
void Remove(const QString &folder);

// "Ausgabe 12,50 € „Brot“ vom 03.03.2008 in März 2008", as the offer names it.
QString Describe(const BookingDraft &draft);

} // namespace BookingDrafts
