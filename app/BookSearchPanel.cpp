#include "app/BookSearchPanel.h"

#include "app/QELListView.h"
#include "app/RowPainters.h"
#include "books/BookCache.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>

namespace {

struct HeaderCell
{
    const char16_t *Text;
    int Left;
    int Width;
    Qt::Alignment Align = Qt::AlignLeft;
};

// Above the hits, in the colours of the book list's header.
const HeaderCell HitsHeader[] = {
    {u"  Haushaltsbuch", 0, 132},
    {u"  Datum", 133, 63},
    {u"  Art", 197, 56},
    {u"Betrag (€)", 254, 60, Qt::AlignRight},
    {u"  Kategorie", 315, 129},
    {u"  Verwendung", 445, 147},
    {u"", 593, 26},
};

constexpr int HeaderHeight = 17;
constexpr int StatusHeight = 40;

} // namespace

TBookSearchPanel::TBookSearchPanel(BookCache &cache, QWidget *panel, const QRect &fieldGeometry,
                                   const QRect &hitsGeometry)
    : QWidget(panel)
    , Cache_(cache)
{
    setObjectName(QStringLiteral("PanelSearch"));
    setGeometry(hitsGeometry);
    setAutoFillBackground(true);
    hide();

    EditSearch = new QLineEdit(panel);
    EditSearch->setObjectName(QStringLiteral("EditSearch"));
    EditSearch->setGeometry(fieldGeometry);
    EditSearch->setPlaceholderText(QStringLiteral("Suchen (Strg+F)"));
    EditSearch->setAccessibleName(QStringLiteral("Suchen in allen Haushaltsbüchern"));
    EditSearch->setToolTip(QStringLiteral("Suchen in allen Haushaltsbüchern: Kategorie, Verwendung oder Betrag "
                                          "(12,50 oder 1.000-2.000); mehrere Wörter müssen alle vorkommen"));
    // The clear button shows only over a text; it is set up with the first one, which spares
    // every start the look-up of its icon.
    connect(EditSearch, &QLineEdit::textChanged, EditSearch, [edit = EditSearch](const QString &text) {
        if (!text.isEmpty() && !edit->isClearButtonEnabled())
            edit->setClearButtonEnabled(true);
    });
    EditSearch->installEventFilter(this);

    LabelSearchResult = new QLabel(this);
    LabelSearchResult->setObjectName(QStringLiteral("LabelSearchResult"));
    LabelSearchResult->setGeometry(0, 0, width(), StatusHeight);
    LabelSearchResult->setWordWrap(true);
    LabelSearchResult->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont statusFont(QStringLiteral("MS Sans Serif"));
    statusFont.setPixelSize(13);
    LabelSearchResult->setFont(statusFont);

    for (const HeaderCell &c : HitsHeader) {
        auto *cell = new QLabel(QString::fromUtf16(c.Text), this);
        cell->setGeometry(c.Left, StatusHeight, c.Width, HeaderHeight);
        cell->setAlignment(c.Align | Qt::AlignVCenter);
        cell->setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
        cell->setAutoFillBackground(true);
        QPalette pal = cell->palette();
        pal.setColor(QPalette::Window, QColor(253, 232, 147));
        pal.setColor(QPalette::WindowText, Qt::black);
        cell->setPalette(pal);
    }

    ListViewSearch = new TQELListView(Hits_, PaintSearchHitRow, this);
    ListViewSearch->setObjectName(QStringLiteral("ListViewSearch"));
    ListViewSearch->setAccessibleName(QStringLiteral("Suchergebnisse"));
    ListViewSearch->SetRowText(SpokenSearchHitRow);
    ListViewSearch->setGeometry(0, StatusHeight + HeaderHeight, width(), height() - StatusHeight - HeaderHeight);
    ListViewSearch->installEventFilter(this);
    connect(ListViewSearch, &TQELListView::RowActivated, this, &TBookSearchPanel::OpenSelected);

    // One search for all the keys that arrived meanwhile, not one per key.
    SearchTimer_.setSingleShot(true);
    SearchTimer_.setInterval(0);
    connect(&SearchTimer_, &QTimer::timeout, this, &TBookSearchPanel::RunSearch);
    connect(EditSearch, &QLineEdit::textChanged, &SearchTimer_, qOverload<>(&QTimer::start));
}

void TBookSearchPanel::Focus()
{
    EditSearch->setFocus(Qt::ShortcutFocusReason);
    EditSearch->selectAll();
}

void TBookSearchPanel::Refresh()
{
    if (!EditSearch->text().trimmed().isEmpty())
        SearchTimer_.start();
}

void TBookSearchPanel::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Back on the panel after working in a book: the hits as the books are now. (The search
    // that shows the hits for the first time needs no second run.)
    if (!Searching_)
        Refresh();
}

void TBookSearchPanel::RunSearch()
{
    const QScopedValueRollback searching(Searching_, true);
    const SearchQuery query = ParseSearchQuery(EditSearch->text());
    Hits_.ClearRows();
    Found_.clear();
    if (query.IsEmpty()) {
        hide();
        ListViewSearch->Refresh();
        return;
    }
    // The first search reads every book, which takes a moment on a long ledger.
    if (!Searched_)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const QStringList errors = Cache_.Refresh();
    if (!Searched_)
        QGuiApplication::restoreOverrideCursor();
    Searched_ = true;
    const QList<SearchHit> hits = FindBookings(Cache_, query);
    const qsizetype shown = std::min<qsizetype>(hits.size(), MaxShownHits);
    Hits_.ReserveRows(shown);
    Found_.reserve(shown);
    for (qsizetype i = 0; i < shown; ++i) {
        const SearchHit &hit = hits.at(i);
        const SearchHitText t = HitText(Cache_, hit);
        Hits_.AddRow(ListRow::Make(t.Book, {t.Date, t.Kind, t.Amount, t.Category, t.Purpose}));
        Found_.append({hit.Book ? hit.Book->Name : QString(), hit.List, hit.Row, hit.Booking(Cache_)});
    }
    // The first hit is selected: typing and Return open it.
    Hits_.SetSelected(shown > 0 ? 0 : -1);

    const QString keys = QStringLiteral(" Pfeiltasten wählen, die Eingabetaste öffnet die Buchung, "
                                        "Esc beendet die Suche.");
    QString status;
    if (hits.isEmpty())
        status = QStringLiteral("Keine Buchung gefunden.");
    else if (shown < hits.size())
        status = QStringLiteral("%1 Treffer, die ersten %2 werden gezeigt.").arg(hits.size()).arg(shown) + keys;
    else
        status = QStringLiteral("%1 Treffer.").arg(hits.size()) + keys;
    // One unreadable file by the first line of its message, more by their number.
    if (errors.size() == 1)
        status += QStringLiteral(" Nicht durchsucht, weil nicht lesbar: %1").arg(errors.front().section(u'\n', 0, 0));
    else if (errors.size() > 1)
        status += QStringLiteral(" %1 Dateien sind nicht lesbar und wurden nicht durchsucht.").arg(errors.size());
    LabelSearchResult->setText(status);
    show();
    raise();
    ListViewSearch->Refresh();
}

void TBookSearchPanel::OpenSelected()
{
    const qsizetype row = Hits_.Selected();
    if (row >= 0 && row < Found_.size())
        emit Open(Found_.at(row));
}

bool TBookSearchPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    if (watched == EditSearch) {
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            // The field keeps the keyboard; the arrows move through the hits.
            if (isVisible()) {
                QKeyEvent copy(QEvent::KeyPress, key->key(), key->modifiers());
                QCoreApplication::sendEvent(ListViewSearch, &copy);
            }
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // A search still waiting for its turn first, so that Return opens what was typed.
            if (SearchTimer_.isActive()) {
                SearchTimer_.stop();
                RunSearch();
            }
            OpenSelected();
            return true;
        case Qt::Key_Escape:
            EditSearch->clear();
            return true;
        default:
            break;
        }
    } else if (watched == ListViewSearch && key->key() == Qt::Key_Escape) {
        EditSearch->clear();
        EditSearch->setFocus(Qt::OtherFocusReason);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
