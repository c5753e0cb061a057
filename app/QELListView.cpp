#include "app/QELListView.h"

#include "app/RowPainters.h"
#include "ledger/BookingList.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr QColor GridColor(224, 224, 224);

} // namespace

BookingListModel::BookingListModel(const BookingList &list, QObject *parent)
    : QAbstractTableModel(parent)
    , List_(list)
{
}

int BookingListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(List_.RowCount());
}

int BookingListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant BookingListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= List_.RowCount())
        return {};
    if (role == Qt::SizeHintRole)
        return QSize(0, QFontMetrics(ListFont()).height() + 3);
    // Only for accessibility and tests; the rows are painted by the view's owner.
    if (role == Qt::DisplayRole)
        return List_.Row(index.row()).Caption;
    if (role == Qt::AccessibleTextRole && RowText_)
        return RowText_(List_.Row(index.row()));
    return {};
}

void BookingListModel::Reload()
{
    beginResetModel();
    endResetModel();
}

TQELListView::TQELListView(BookingList &list, RowPainter painter, QWidget *parent)
    : QTreeView(parent)
    , List_(list)
    , Painter_(std::move(painter))
    , Model_(new BookingListModel(list, this))
{
    setModel(Model_);
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setFont(ListFont());
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::white);
    setPalette(pal);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &TQELListView::TakeSelection);
}

void TQELListView::Refresh()
{
    Refreshing_ = true;
    Model_->Reload();
    const qsizetype selected = List_.Selected();
    if (selected >= 0) {
        const QModelIndex index = Model_->index(int(selected), 0);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(index);
    }
    Refreshing_ = false;
    viewport()->update();
}

void TQELListView::TakeSelection()
{
    if (Refreshing_)
        return;
    const QModelIndexList rows = selectionModel()->selectedRows();
    List_.SetSelected(rows.isEmpty() ? -1 : rows.front().row());
}

void TQELListView::drawRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (index.row() >= List_.RowCount())
        return;
    // The last pixel row is the grid line between rows.
    QRect rect(0, option.rect.top(), viewport()->width(), option.rect.height() - 1);
    const bool selected = index.row() == List_.Selected();
    Painter_(*painter, rect, List_.Row(index.row()), selected);
    painter->fillRect(QRect(0, rect.bottom() + 1, viewport()->width(), 1), GridColor);
    if (selected && hasFocus())
        DrawFocusFrame(*painter, rect.adjusted(1, 1, -2, -2), Qt::white);
}

void TQELListView::paintEvent(QPaintEvent *event)
{
    QTreeView::paintEvent(event);
    // A focused list without a selected row shows its focus around the whole list.
    if (hasFocus() && List_.Selected() < 0) {
        QPainter painter(viewport());
        DrawFocusFrame(painter, viewport()->rect().adjusted(0, 0, -1, -1), Qt::black);
    }
}

void TQELListView::focusInEvent(QFocusEvent *event)
{
    QTreeView::focusInEvent(event);
    viewport()->update();
}

void TQELListView::focusOutEvent(QFocusEvent *event)
{
    QTreeView::focusOutEvent(event);
    viewport()->update();
}

void TQELListView::DrawFocusFrame(QPainter &painter, const QRect &rect, const QColor &color)
{
    painter.save();
    painter.setPen(QPen(color, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect);
    painter.restore();
}

void TQELListView::keyPressEvent(QKeyEvent *event)
{
    // Without a selected row the arrows start at the first row, wherever Qt's own current
    // row was left.
    const bool arrow = event->key() == Qt::Key_Down || event->key() == Qt::Key_Up;
    if (arrow && List_.Selected() < 0 && List_.RowCount() > 0 && event->modifiers() == Qt::NoModifier) {
        const QModelIndex first = Model_->index(0, 0);
        selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(first);
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (List_.Selected() >= 0)
            emit RowActivated();
        // The dialog keys still reach the window's buttons through its router.
        event->ignore();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void TQELListView::mousePressEvent(QMouseEvent *event)
{
    // A click below the rows leaves no row selected, so a double click there edits nothing.
    if (!indexAt(event->position().toPoint()).isValid())
        clearSelection();
    QTreeView::mousePressEvent(event);
}

void TQELListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTreeView::mouseDoubleClickEvent(event);
    if (List_.Selected() >= 0)
        emit RowActivated();
}
