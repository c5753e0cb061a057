#pragma once

#include "dialogs/EntryBookingDialog.h"

// The income dialog ("Einnahme"): the income categories to pick from, no purpose list.
class TFormEntryIncome : public TFormEntryBooking
{
    Q_OBJECT

public:
    explicit TFormEntryIncome(const DialogServices &services, QWidget *parent = nullptr);

protected:
    void FillLists() override;
};

// The expense dialog ("Ausgabe"): the expense groups, and as purposes the sub-categories of
// the group that is picked or typed.
class TFormEntryExpend : public TFormEntryBooking
{
    Q_OBJECT

public:
    explicit TFormEntryExpend(const DialogServices &services, QWidget *parent = nullptr);

protected:
    void FillLists() override;

private:
    void ComboBox1Select(int index);
};
