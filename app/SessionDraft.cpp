// A booking typed into its dialog when the session ends: the logout waits for it where the
// session manager lets the program ask; otherwise it is kept as a draft and offered in its
// dialog at the next start. A draft is never booked on its own.

#include "app/UnitQEL.h"

#include "controls/MessageBoxes.h"
#include "dialogs/EntryIncomeUnit.h"
#include "dialogs/EntryRegularUnit.h"
#include "books/BookManager.h"
#include "ledger/FuncUnit.h"
#include "ledger/QelError.h"

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr int RegularPanel = 2;

// Two amount texts that mean the same number ("0.00", "0", an empty field) are no change.
bool SameAmount(const QString &a, const QString &b)
{
    bool okA = false, okB = false;
    const double x = a.trimmed().isEmpty() ? 0.0 : QString(a).replace(u',', u'.').toDouble(&okA);
    const double y = b.trimmed().isEmpty() ? 0.0 : QString(b).replace(u',', u'.').toDouble(&okB);
    if ((okA || a.trimmed().isEmpty()) && (okB || b.trimmed().isEmpty()))
        return x == y;
    return a == b;
}

bool SameRow(const ListRow &typed, const ListRow &preset)
{
    if (typed.Caption.trimmed() != preset.Caption.trimmed() || !SameAmount(typed.SubItem(0), preset.SubItem(0)))
        return false;
    for (int i = 1; i < typed.SubItems.size(); ++i) {
        // The kind of a new regular booking is the dialog's last choice, not the preset's.
        if (i == 3)
            continue;
        if (typed.SubItem(i).trimmed() != preset.SubItem(i).trimmed())
            return false;
    }
    return true;
}

} // namespace

std::optional<BookingDraft> TFormQEL::UnconfirmedBooking() const
{
    if (!OpenEntry_)
        return std::nullopt;
    const OpenEntry &entry = *OpenEntry_;
    ListRow typed;
    if (entry.Panel == 0 && FormEntryIncome->isVisible())
        typed = FormEntryIncome->TypedRow();
    else if (entry.Panel == 1 && FormEntryExpend->isVisible())
        typed = FormEntryExpend->TypedRow();
    else if (entry.Panel == RegularPanel && FormEntryRegular->isVisible())
        typed = FormEntryRegular->TypedRow();
    else
        return std::nullopt;
    if (SameRow(typed, entry.Preset))
        return std::nullopt;
    BookingDraft draft;
    draft.Kind = BookingDraft::Side(entry.Panel);
    draft.Book = entry.Book;
    draft.Edit = entry.Mode == 2;
    if (draft.Edit)
        draft.Original = entry.Preset;
    draft.Typed = typed;
    return draft;
}

bool TFormQEL::UnconfirmedBookingOpen() const
{
    return UnconfirmedBooking().has_value();
}

bool TFormQEL::AskToStayForBooking()
{
    const std::optional<BookingDraft> draft = UnconfirmedBooking();
    if (!draft)
        return false;
    QWidget *dialog = draft->Kind == BookingDraft::Side::Income    ? static_cast<QWidget *>(FormEntryIncome)
                      : draft->Kind == BookingDraft::Side::Expense ? static_cast<QWidget *>(FormEntryExpend)
                                                                   : static_cast<QWidget *>(FormEntryRegular);
    const bool stay = AskConfirmation(
        dialog, u"Eine Buchung ist noch nicht bestätigt:\n%1\n\nSoll das Abmelden abgebrochen werden, damit Sie sie "
                u"mit OK buchen können? Mit „Nein“ wird sie als Entwurf aufbewahrt und beim nächsten Start "
                u"angeboten."_s.arg(BookingDrafts::Describe(*draft)));
    if (!stay)
        KeepDraft();
    return stay;
}

void TFormQEL::KeepDraft()
{
    const std::optional<BookingDraft> draft = UnconfirmedBooking();
    if (!draft)
        return;
    try {
        BookingDrafts::Write(Books_.Paths().ProgramDataFolder, *draft);
        std::fprintf(stderr, "Orvo Haushaltsbuch: nicht bestätigte Buchung als Entwurf aufbewahrt: %s\n",
                     BookingDrafts::Describe(*draft).toLocal8Bit().constData());
    } catch (const QelError &error) {
        std::fprintf(stderr, "%s\n", error.Message().toLocal8Bit().constData());
    }
}

void TFormQEL::OfferDraft()
{
    // Looking only changes nothing: the draft waits for a run that may book.
    const QString folder = Books_.Paths().ProgramDataFolder;
    const std::optional<BookingDraft> draft = BookingDrafts::Read(folder);
    if (!draft) {
        BookingDrafts::Remove(folder);
        return;
    }
    const bool open = AskConfirmation(this, u"Beim letzten Beenden war eine Buchung noch nicht bestätigt:\n%1\n\n"
                                            u"Soll sie jetzt in ihrem Dialog geöffnet werden? Gebucht wird sie "
                                            u"erst mit OK."_s.arg(BookingDrafts::Describe(*draft)));
    if (!open) {
        BookingDrafts::Remove(folder);
        return;
    }
    const int panel = int(draft->Kind);
    if (panel != RegularPanel && Books_.CurrentBook() != draft->Book) {
        qsizetype row = -1;
        for (qsizetype i = 0; i < Books_.Books().RowCount(); ++i)
            if (Books_.Books().Row(i).SubItem(0) == draft->Book)
                row = i;
        try {
            if (row < 0)
                throw QelError(u"Das Haushaltsbuch „%1“ gibt es nicht mehr; der Entwurf wurde verworfen."_s.arg(draft->Book));
            Books_.OpenBook(row);
        } catch (const QelError &error) {
            Report(error.Message());
            BookingDrafts::Remove(folder);
            ShowBookState();
            return;
        }
        ShowBookState();
    }
    ShowPanel(panel + 1);
    BookingList &list = PanelList(panel);
    qsizetype original = -1;
    if (draft->Edit) {
        for (qsizetype i = 0; i < list.RowCount() && original < 0; ++i)
            if (list.Row(i).Caption == draft->Original.Caption && list.Row(i).SubItems == draft->Original.SubItems)
                original = i;
        if (original < 0) {
            BookingDrafts::Remove(folder);
            Report(u"Die Buchung, die geändert werden sollte, ist nicht mehr da; der Entwurf wurde verworfen."_s);
            return;
        }
        list.SetSelected(original);
    }
    const std::optional<ListRow> row = AskBooking(panel, draft->Typed, draft->Edit ? 2 : 1);
    // Offered once: taken or cancelled, it is gone.
    BookingDrafts::Remove(folder);
    if (row) {
        if (draft->Edit)
            Books_.EditBooking(list, original, row->Caption, row->SubItems);
        else
            list.SetSelected(Books_.AddBooking(list, *row));
        SaveBookingChange(panel);
    }
    FocusList(panel);
}
