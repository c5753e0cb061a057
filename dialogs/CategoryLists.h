#pragma once

class CategoryTable;
class QComboBox;
#include <QStringList>

// The lists the entry dialogs offer from the category table: names in table order, blank
// ones skipped, the others as stored (untrimmed). Replacing a box's list keeps its text.

void SetIncomeCategoryList(QComboBox &box, const CategoryTable &table);
void SetGroupList(QComboBox &box, const CategoryTable &table);
// The non-blank sub-categories of the group at table position group.
void SetSubCategoryList(QComboBox &box, const CategoryTable &table, int group);
// Replaces the list entries and restores the text the box showed before.
void ReplaceListKeepingText(QComboBox &box, const QStringList &entries);

// The table position of the group shown at a position of the group list. Blank groups are
// not listed, so after a blank one the two differ; -1 when there is no such entry.
int GroupTablePosition(const CategoryTable &table, int listPosition);
// The sub-categories of the group picked at a list position (ComboBox1Select).
void SetSubCategoryListForEntry(QComboBox &purposes, const CategoryTable &table, int listPosition);

// Looks up the group box's text among its list entries (whole text, any letter case) and,
// when found, lists that group's sub-categories in the purpose box; otherwise the purpose
// box keeps its old list.
void FillSubCategories(const QComboBox &groups, QComboBox &purposes, const CategoryTable &table);
