#pragma once

#include "books/BookSearch.h"
#include "ledger/BookingList.h"

#include <QTimer>
#include <QWidget>

class BookCache;
class QLabel;
class QLineEdit;
class TQELListView;

// A booking found by the search, as the window needs it to open it.
struct FoundBooking
{
    QString Book; // empty for a regular booking
    SearchList List = SearchList::Regular;
    qsizetype Row = -1; // in its list as the file holds it
    ListRow Booking;
};

// The search on the book manager panel: the field "Suchen" beside the panel's buttons and,
// while it holds text, the hits of the search over every book in place of the book list,
// updated as the user types. In the field the arrows move through the hits and Return opens
// the one selected; in the list Return and a double click do. Escape empties the field.
class TBookSearchPanel : public QWidget
{
    Q_OBJECT

public:
    // At most this many hits are listed; the line above them says how many there are.
    static constexpr int MaxShownHits = 2000;

    // The field goes at fieldGeometry, the hits over hitsGeometry, both on the panel.
    TBookSearchPanel(BookCache &cache, QWidget *panel, const QRect &fieldGeometry, const QRect &hitsGeometry);

    QLineEdit *Field() const { return EditSearch; }
    // Ctrl+F: the keyboard to the field, its text selected.
    void Focus();
    // Searches again with the text as it is, so that the hits show the books as saved now.
    void Refresh();

signals:
    void Open(const FoundBooking &found);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void RunSearch();
    void OpenSelected();

    BookCache &Cache_;
    QLineEdit *EditSearch = nullptr;
    QLabel *LabelSearchResult = nullptr;
    TQELListView *ListViewSearch = nullptr;
    BookingList Hits_{ListKind::Books};
    QList<FoundBooking> Found_; // one per listed hit
    QTimer SearchTimer_;
    bool Searching_ = false;
    bool Searched_ = false; // once: every book has been read
};
