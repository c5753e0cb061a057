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

HistoryStep Booking(BookingChange change)
{
    HistoryStep step;
    const QString what = BookingText(change, change.After ? *change.After : *change.Before);
    if (!change.Before)
        step.Text = what;
    else if (change.After)
        step.Text = u"Änderung der "_s + what;
    else
        step.Text = u"Entfernen der "_s + what;
    step.Bookings.append(std::move(change));
    return step;
}

HistoryStep BookCreated(const QString &book)
{
    HistoryStep step;
    step.Text = u"Haushaltsbuch „%1“ erstellt"_s.arg(book);
    step.Books.append({book, true, QString()});
    return step;
}

HistoryStep BookRemoved(const QString &book, const QString &trashFile)
{
    HistoryStep step;
    step.Text = u"Haushaltsbuch „%1“ entfernt"_s.arg(book);
    step.Books.append({book, false, trashFile});
    return step;
}

QString ImportText(qsizetype bookings, const QString &file)
{
    return u"Import von %1 aus „%2“"_s.arg(bookings == 1 ? u"1 Buchung"_s : u"%1 Buchungen"_s.arg(bookings),
                                          QFileInfo(file).fileName());
}

} // namespace HistorySteps
