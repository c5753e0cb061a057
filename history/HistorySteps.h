#pragma once

#include "ledger/BookingList.h"

#include <QString>

#include <optional>

// One booking as a change left it: added (no Before), removed (no After) or changed.
struct BookingChange
{
    QString Book; // the month book; empty for the regular bookings
    ListKind List = ListKind::Expend;
    std::optional<ListRow> Before;
    std::optional<ListRow> After;
};

// The texts of the ledger's changes as undo names them after "Rückgängig: ".
namespace HistorySteps {

// "Ausgabe 12,50 € „Edeka“ in März 2026", "Änderung der Ausgabe …", "Entfernen der Ausgabe …",
// "regelmäßige Ausgabe 8,00 € „Miete“".
QString StepText(const BookingChange &change);
// "Haushaltsbuch „März 2026“ erstellt" / "… entfernt"
QString BookCreatedText(const QString &book);
QString BookRemovedText(const QString &book);
// "Import von 12 Buchungen aus „konto.csv“"
QString ImportText(qsizetype bookings, const QString &file);

// One booking as the messages name it: "Ausgabe 12,50 € „Edeka“ in März 2026".
QString BookingText(const BookingChange &change, const ListRow &row);
// An amount as stored ("12.5") in German ("12,50 €").
QString AmountText(const QString &stored);

} // namespace HistorySteps
