#include "dialogs/CategoryLists.h"

#include "ledger/CategoryTable.h"

#include <QComboBox>
#include <QLineEdit>
#include <QStringList>

namespace {

template<typename NameAt>
QStringList NonBlank(int count, NameAt nameAt)
{
    QStringList names;
    for (int i = 0; i < count; ++i) {
        const QString name = nameAt(i);
        if (!IsBlankCategoryName(name))
            names.append(name);
    }
    return names;
}

} // namespace

void ReplaceListKeepingText(QComboBox &box, const QStringList &entries)
{
    const QString text = box.currentText();
    const QSignalBlocker blocker(box);
    box.clear();
    box.addItems(entries);
    // Adding to an empty editable box selects the first entry; the typed text stays instead.
    box.setCurrentIndex(-1);
    box.setEditText(text);
}

void SetIncomeCategoryList(QComboBox &box, const CategoryTable &table)
{
    ReplaceListKeepingText(box, NonBlank(CategoryTable::IncomeCount, [&](int i) { return table.IncomeName(i); }));
}

void SetGroupList(QComboBox &box, const CategoryTable &table)
{
    ReplaceListKeepingText(box, NonBlank(CategoryTable::GroupCount, [&](int g) { return table.GroupName(g); }));
}

void SetSubCategoryList(QComboBox &box, const CategoryTable &table, int group)
{
    if (group < 0 || group >= CategoryTable::GroupCount) {
        ReplaceListKeepingText(box, {});
        return;
    }
    ReplaceListKeepingText(box, NonBlank(CategoryTable::SubCategoryCount,
                                         [&](int k) { return table.SubCategory(group, k); }));
}

int GroupTablePosition(const CategoryTable &table, int listPosition)
{
    if (listPosition < 0)
        return -1;
    int listed = 0;
    for (int g = 0; g < CategoryTable::GroupCount; ++g) {
        if (IsBlankCategoryName(table.GroupName(g)))
            continue;
        if (listed == listPosition)
            return g;
        ++listed;
    }
    return -1;
}

void SetSubCategoryListForEntry(QComboBox &purposes, const CategoryTable &table, int listPosition)
{
    const int group = GroupTablePosition(table, listPosition);
    if (group >= 0)
        SetSubCategoryList(purposes, table, group);
}

void FillSubCategories(const QComboBox &groups, QComboBox &purposes, const CategoryTable &table)
{
    SetSubCategoryListForEntry(purposes, table, groups.findText(groups.currentText(), Qt::MatchFixedString));
}
