#include "history/HistorySteps.h"

#include "ledger/FuncUnit.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace HistorySteps {

QString AmountText(const QString &stored)
{
    const std::optional<double> value = TryParseAmount(stored);
    QString text = value ? FormatAmount(*value) : stored;
    return text.replace(u'.', u',') + u" €"_s;
}

QString BookingText(const BookingChange &change, const ListRow &row)
{
    if (change.List == ListKind::Regular) {
        const QString kind = row.SubItem(3) == IncomeKind() ? u"regelmäßige Einnahme"_s : u"regelmäßige Ausgabe"_s;
        return u"%1 %2 „%3“"_s.arg(kind, AmountText(row.SubItem(0)), row.SubItem(1));
    }
    const QString kind = change.List == ListKind::Income ? IncomeKind() : ExpenseKind();
    return u"%1 %2 „%3“ in %4"_s.arg(kind, AmountText(row.SubItem(0)), row.SubItem(1), change.Book);
}

QString StepText(const BookingChange &change)
{
    const QString what = BookingText(change, change.After ? *change.After : *change.Before);
    if (!change.Before)
        return what;
    if (change.After)
        return u"Änderung der "_s + what;
    return u"Entfernen der "_s + what;
}

QString BookCreatedText(const QString &book)
{
    return u"Haushaltsbuch „%1“ erstellt"_s.arg(book);
}

QString BookRemovedText(const QString &book)
{
    return u"Haushaltsbuch „%1“ entfernt"_s.arg(book);
}

QString ImportText(qsizetype bookings, const QString &file)
{
    return u"Import von %1 aus „%2“"_s.arg(bookings == 1 ? u"1 Buchung"_s : u"%1 Buchungen"_s.arg(bookings),
                                          QFileInfo(file).fileName());
}

} // namespace HistorySteps
