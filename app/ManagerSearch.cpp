// The search on the book manager panel: Ctrl+F, and a hit opened in its book with the booking
// selected.

#include "app/UnitQEL.h"

#include "app/BookSearchPanel.h"
#include "app/MainPanel.h"
#include "app/QELListView.h"
#include "controls/MessageBoxes.h"
#include "books/BookManager.h"

#include <QShortcut>

namespace {

bool SameBooking(const ListRow &a, const ListRow &b)
{
    return a.Caption == b.Caption && a.SubItems == b.SubItems;
}

// The hit's row where the list holds it now: at its place in the file, else the first row
// like it (the list may have changed since the search read the file), else none.
qsizetype RowOf(const BookingList &list, const FoundBooking &found)
{
    if (found.Row >= 0 && found.Row < list.RowCount() && SameBooking(list.Row(found.Row), found.Booking))
        return found.Row;
    for (qsizetype i = 0; i < list.RowCount(); ++i) {
        if (SameBooking(list.Row(i), found.Booking))
            return i;
    }
    return -1;
}

} // namespace

void TFormQEL::BuildBookSearch()
{
    // Under "Kontoauszug importieren", beside the three book buttons.
    SearchPanel = new TBookSearchPanel(Cache_, PanelManager, {462, 534, 163, 18}, {6, 38, 619, 470});
    connect(SearchPanel, &TBookSearchPanel::Open, this, &TFormQEL::OpenFoundBooking);
    auto *find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        if (PanelIndex_ != 0)
            btnManagerClick();
        SearchPanel->Focus();
    });
}

void TFormQEL::OpenFoundBooking(const FoundBooking &found)
{
    if (found.List == SearchList::Regular) {
        ShowPanel(3);
        Books_.Regular().SetSelected(RowOf(Books_.Regular(), found));
        BookingViews_[2]->Refresh();
        return;
    }
    const qsizetype book = Books_.FindBook(found.Book);
    if (book < 0) {
        ShowInformation(this, QStringLiteral("Das Haushaltsbuch \"%1\" steht nicht in der Liste der Haushaltsbücher. "
                                             "Es erscheint dort nach dem nächsten Start des Programms.")
                                  .arg(found.Book));
        return;
    }
    Books_.Books().SetSelected(book);
    ListViewManager->Refresh();
    btnOpenBookClick();
    // Opened, the book shows its income; else the message was shown and the book list stays.
    if (PanelIndex_ != 1)
        return;
    const int panel = found.List == SearchList::Income ? 0 : 1;
    BookingList &list = PanelList(panel);
    list.SetSelected(RowOf(list, found));
    ShowPanel(panel + 1);
    BookingViews_[panel]->Refresh();
}
