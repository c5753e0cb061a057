#pragma once

#include <QAbstractTableModel>
#include <QTreeView>

#include <functional>

class BookingList;
struct ListRow;

// A booking list as Qt's views see it: one item per row; the row painter draws the texts.
class BookingListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit BookingListModel(const BookingList &list, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    // The list changed (rows added, edited, removed, sorted or replaced).
    void Reload();

    // How a screen reader reads a row (Qt::AccessibleTextRole); without it, the caption.
    void SetRowText(std::function<QString(const ListRow &)> text) { RowText_ = std::move(text); }

private:
    const BookingList &List_;
    std::function<QString(const ListRow &)> RowText_;
};

// The program's list control: report view without header, one whole row selected at a
// time, read-only, grid lines, every row painted by the owner. The selection is the list's
// own (BookingList::Selected), so it follows its row through sorting.
class TQELListView : public QTreeView
{
    Q_OBJECT

public:
    using RowPainter = std::function<void(QPainter &, const QRect &, const ListRow &, bool selected)>;

    TQELListView(BookingList &list, RowPainter painter, QWidget *parent = nullptr);

    // Shows the list as it is now, with its selected row.
    void Refresh();
    // How a screen reader reads a row, as the row painter shows it.
    void SetRowText(std::function<QString(const ListRow &)> text) { Model_->SetRowText(std::move(text)); }

signals:
    // A double click on a row, or Return with a row selected.
    void RowActivated();

protected:
    void drawRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void TakeSelection();
    // The dotted frame that shows where the keyboard is: around the selected row, or
    // around the list when no row is selected.
    static void DrawFocusFrame(QPainter &painter, const QRect &rect, const QColor &color);

    BookingList &List_;
    RowPainter Painter_;
    BookingListModel *Model_;
    bool Refreshing_ = false;
};
