#pragma once

#include "history/UndoHistory.h"


// The steps as the ledger's changes make them, each with the text the user reads after
// "Rückgängig: ".
namespace HistorySteps {

// "Ausgabe 12,50 € „Edeka“ in März 2026", "Änderung der Ausgabe …", "Entfernen der Ausgabe …",
// "regelmäßige Ausgabe 8,00 € „Miete“".
HistoryStep Booking(BookingChange change);
// "Haushaltsbuch „März 2026“ erstellt" / "… entfernt"
HistoryStep BookCreated(const QString &book);
HistoryStep BookRemoved(const QString &book, const QString &trashFile);
// "Import von 12 Buchungen aus „konto.csv“"
QString ImportText(qsizetype bookings, const QString &file);

// One booking as the messages name it: "Ausgabe 12,50 € „Edeka“ in März 2026".
QString BookingText(const BookingChange &change, const ListRow &row);
// An amount as stored ("12.5") in German ("12,50 €").
QString AmountText(const QString &stored);

} // namespace HistorySteps
