#include "dialogs/EntryIncomeUnit.h"

#include "dialogs/CategoryLists.h"

#include <QComboBox>

using namespace Qt::StringLiterals;

TFormEntryIncome::TFormEntryIncome(const DialogServices &services, QWidget *parent)
    : TFormEntryBooking(services, {"FormEntryIncome", u"Einnahme"_s, u"BANINC_NEW"_s, u"BANINC_EDIT"_s, 1}, parent)
{
}

void TFormEntryIncome::FillLists()
{
    SetIncomeCategoryList(*ComboBox1, Services.Categories);
    ReplaceListKeepingText(*ComboBox2, {});
}

TFormEntryExpend::TFormEntryExpend(const DialogServices &services, QWidget *parent)
    : TFormEntryBooking(services, {"FormEntryExpend", u"Ausgabe"_s, u"BANEXP_NEW"_s, u"BANEXP_EDIT"_s, 2}, parent)
{
    connect(ComboBox1, &QComboBox::activated, this, &TFormEntryExpend::ComboBox1Select);
}

void TFormEntryExpend::FillLists()
{
    SetGroupList(*ComboBox1, Services.Categories);
    ReplaceListKeepingText(*ComboBox2, {});
    FillSubCategories(*ComboBox1, *ComboBox2, Services.Categories);
}

void TFormEntryExpend::ComboBox1Select(int index)
{
    SetSubCategoryListForEntry(*ComboBox2, Services.Categories, index);
}
