#pragma once

#include "dialogs/DialogFrame.h"

#include "ledger/BookingList.h"

#include <QDate>

class QComboBox;
class QLabel;
class QLineEdit;
class QTimer;
class TQELDatePicker;

// A booking date as the caller hands it over: the short date form first, then a few other
// common forms, so a date written under other conventions is not lost. Invalid when none fits.
QDate ParseBookingDate(const QString &text, const Regional &regional);

// What the income and the expense dialog share: the date, amount, category and purpose of one
// booking, the banner by mode, the OK timer and the checks on OK. The caller sets the fields,
// runs exec() and reads the fields back when Accepted is true.
class TFormEntryBooking : public TDialogFrame
{
    Q_OBJECT

public:
    QString BookingDate;
    QString BookingAmount;
    QString BookingCategory;
    QString BookingPurpose;
    int EntryMode = 1; // 1 new booking, 2 edit
    bool Accepted = false;

    // The fields as they stand, typed but not confirmed: date, amount, category, purpose.
    ListRow TypedRow() const;

protected:
    struct Kind
    {
        const char *ObjectName;
        QString Caption;
        QString NewBanner;
        QString EditBanner;
        int NavigatorMode;
    };

    TFormEntryBooking(const DialogServices &services, const Kind &kind, QWidget *parent);

    // Fills the lists from the category table once the boxes hold the caller's texts; the
    // texts stay as they are.
    virtual void FillLists() = 0;

    const DialogServices Services;
    QComboBox *ComboBox1 = nullptr;
    QComboBox *ComboBox2 = nullptr;

private:
    void FormShow() override;
    void FormClose() override;
    void Timer1Timer();
    void btnOKClick();
    void btnCancelClick();
    void btnHelpClick();
    void btnNavigatorClick();

    Kind Kind_;
    QLabel *ImageBanner = nullptr;
    TQELDatePicker *DateTimePicker1 = nullptr;
    QLineEdit *Edit2 = nullptr;
    TOrvoSkinButton *btnNavigator = nullptr;
    TOrvoSkinButton *btnHelp = nullptr;
    TOrvoSkinButton *btnOK = nullptr;
    TOrvoSkinButton *btnCancel = nullptr;
    QTimer *Timer1 = nullptr;
};
