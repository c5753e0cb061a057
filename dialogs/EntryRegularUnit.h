#pragma once

#include "dialogs/DialogFrame.h"
#include "ledger/BookingList.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QTimer;
class TOrvoSkinButton;
class TOrvoSkinCheckBox;
class TOrvoSkinPanel;
class TQELDayPanel;

// The dialog in which a regular booking is entered or changed: day of the month with its
// day picker, amount, kind (income or expense), category and purpose. The caller fills the
// fields, calls exec() and takes the fields back when Accepted is true.
class TFormEntryRegular : public TDialogFrame
{
    Q_OBJECT

public:
    explicit TFormEntryRegular(const DialogServices &services, QWidget *parent = nullptr);

    QString BookingDay;      // "07."
    QString BookingAmount;   // "0.00" for a new booking
    QString BookingCategory;
    QString BookingPurpose;
    int BookingKind = 1;     // 1 income ("Einnahme"), 2 expense ("Ausgabe")
    int EntryMode = 1;       // 1 new, 2 edit
    bool Accepted = false;

    // The fields as they stand, typed but not confirmed: day, amount, category, purpose, kind.
    ListRow TypedRow() const;

private:
    void FormShow() override;
    void FormClose() override;
    void Timer1Timer();
    void FillCategoryLists();
    void ComboBox1Select(int index);
    void btnDayPickerClick();
    void DayPanelChange();
    void btnNavigatorClick();
    void btnHelpClick();
    void btnOKClick();
    void btnCancelClick();

    DialogServices Services_;

    QLabel *ImageBanner = nullptr;
    TOrvoSkinPanel *PanelKind = nullptr;
    TOrvoSkinCheckBox *rbCheckIncome = nullptr;
    TOrvoSkinCheckBox *rbCheckExpend = nullptr;
    QLineEdit *EditDay = nullptr;
    TOrvoSkinButton *btnDayPicker = nullptr;
    QLineEdit *Edit2 = nullptr;
    QComboBox *ComboBox1 = nullptr;
    TOrvoSkinButton *btnNavigator = nullptr;
    QComboBox *ComboBox2 = nullptr;
    TOrvoSkinButton *btnHelp = nullptr;
    TOrvoSkinButton *btnOK = nullptr;
    TOrvoSkinButton *btnCancel = nullptr;
    QTimer *Timer1 = nullptr;
    // Made anew for every showing, freed when the dialog closes.
    TQELDayPanel *DayPanel = nullptr;
};
