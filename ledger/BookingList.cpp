#include "ledger/BookingList.h"

#include "ledger/Regional.h"

#include <algorithm>
#include <numeric>

ListRow ListRow::Make(QString caption, QStringList subItems)
{
    ListRow row;
    row.Caption = std::move(caption);
    row.SubItems = std::move(subItems);
    return row;
}

QString ListRow::SubItem(int i) const
{
    return i >= 0 && i < SubItems.size() ? SubItems.at(i) : QString();
}

qint16 ListRow::SubItemImage(int i) const
{
    return i >= 0 && i < SubItemImages.size() ? SubItemImages.at(i) : qint16(-1);
}

bool ListRow::operator==(const ListRow &other) const
{
    if (Caption != other.Caption || SubItems != other.SubItems || ImageIndex != other.ImageIndex
        || StateIndex != other.StateIndex || OverlayIndex != other.OverlayIndex || Data != other.Data)
        return false;
    for (int i = 0; i < SubItems.size(); ++i) {
        if (SubItemImage(i) != other.SubItemImage(i))
            return false;
    }
    return true;
}

BookingList::BookingList(ListKind kind)
    : Kind_(kind)
    , Columns_(StandardColumns(kind))
{
    Presentation_.TabOrder = kind == ListKind::Regular ? 1 : 0;
}

QList<ListColumn> BookingList::StandardColumns(ListKind kind)
{
    const QString amount = QStringLiteral("Betrag (€)");
    switch (kind) {
    case ListKind::Income:
    case ListKind::Expend:
        return {{QStringLiteral("Datum"), 80},
                {amount, 80, ColumnAlignment::Right},
                {QStringLiteral("Kategorie"), 210},
                {QStringLiteral("Verwendung"), 220}};
    case ListKind::Regular:
        return {{QStringLiteral("Tag"), 40},
                {amount, 80, ColumnAlignment::Right},
                {QStringLiteral("Kategorie"), 190},
                {QStringLiteral("Verwendung"), 190},
                {QStringLiteral("Buchungsart"), 90}};
    case ListKind::Books:
        return {{QString(), 20}, {QString(), 162}, {QString(), 208}, {QString(), 100}, {QString(), 100}};
    }
    return {};
}

qsizetype BookingList::AddRow(ListRow row)
{
    Rows_.append(std::move(row));
    return Rows_.size() - 1;
}

void BookingList::ReplaceRow(qsizetype i, ListRow row)
{
    Rows_[i] = std::move(row);
}

void BookingList::SetSubItem(qsizetype row, int subItem, const QString &text)
{
    QStringList &items = Rows_[row].SubItems;
    while (items.size() <= subItem)
        items.append(QString());
    items[subItem] = text;
}

void BookingList::RemoveRow(qsizetype i)
{
    Rows_.removeAt(i);
    if (Selected_ == i)
        Selected_ = -1;
    else if (Selected_ > i)
        --Selected_;
}

void BookingList::ClearRows()
{
    Rows_.clear();
    Selected_ = -1;
}

void BookingList::SetColumnAlignment(int column, ColumnAlignment alignment)
{
    if (column >= 0 && column < Columns_.size())
        Columns_[column].Alignment = alignment;
}

void BookingList::SetSelected(qsizetype i)
{
    Selected_ = i >= 0 && i < Rows_.size() ? i : -1;
}

void BookingList::SortByCaption(const Regional &regional)
{
    std::vector<qsizetype> order(Rows_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        return regional.Compare(Rows_.at(a).Caption, Rows_.at(b).Caption) < 0;
    });
    QList<ListRow> sorted;
    sorted.reserve(Rows_.size());
    qsizetype selected = -1;
    for (qsizetype i = 0; i < qsizetype(order.size()); ++i) {
        if (order[i] == Selected_)
            selected = i;
        sorted.append(std::move(Rows_[order[i]]));
    }
    Rows_ = std::move(sorted);
    Selected_ = selected;
}
