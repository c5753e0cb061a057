#include "dialogs/EntryBookingDialog.h"

#include "controls/MessageBoxes.h"
#include "controls/OrvoSkinButton.h"
#include "controls/SkinHotKey.h"
#include "dialogs/DatePicker.h"
#include "ledger/FuncUnit.h"
#include "ledger/Regional.h"
#include "support/Banner.h"
#include "support/HelpSystem.h"
#include "support/WarningSound.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>
#include <QTimer>

#include <tuple>

using namespace Qt::StringLiterals;

namespace {

constexpr int BookingHelpContext = 1002;

} // namespace

QDate ParseBookingDate(const QString &text, const Regional &regional)
{
    const QString trimmed = text.trimmed();
    if (const QDate date = regional.ParseDate(trimmed); date.isValid())
        return date;
    // Points with a two- or four-digit year, as a date is typed.
    if (const QDate date = ReadTypedDate(trimmed); date.isValid())
        return date;
    for (const QString &format : {u"yyyy-MM-dd"_s, u"d/M/yyyy"_s}) {
        if (const QDate date = QDate::fromString(trimmed, format); date.isValid())
            return date;
    }
    return {};
}

TFormEntryBooking::TFormEntryBooking(const DialogServices &services, const Kind &kind, QWidget *parent)
    : TDialogFrame(parent, QString::fromLatin1(kind.ObjectName), kind.Caption, {273, 240})
    , Services(services)
    , Kind_(kind)
{
    ImageBanner = AddBanner(40);

    DateTimePicker1 = new TQELDatePicker(this);
    DateTimePicker1->setObjectName(u"DateTimePicker1"_s);
    DateTimePicker1->setGeometry(46, 59, 85, 21);
    DateTimePicker1->SetDisplayFormat(Services.RegionalSettings.ShortDateFormat());
    AddLabel(u"Datum:"_s, {8, 62}, DateTimePicker1);

    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(u"Edit2"_s);
    Edit2->setGeometry(182, 59, 72, 21);
    InstallAmountKeyFilter(Edit2);
    AddLabel(u"Betrag:"_s, {145, 62}, Edit2);

    ComboBox1 = AddNameBox("ComboBox1", {8, 118, 234, 21});
    AddLabel(u"Kategorie:"_s, {8, 99}, ComboBox1);
    btnNavigator = AddPictureButton("btnNavigator", {244, 118, 21, 21}, u"BTNPIC_NAVIGATOR"_s,
                                    u"Kategorien-Übersicht (Alt+K)"_s, TSkinHotKey::QBAlt_K);

    ComboBox2 = AddNameBox("ComboBox2", {8, 164, 258, 21});
    AddLabel(u"Verwendung:"_s, {8, 145}, ComboBox2);

    QWidget *bar = AddButtonBar();
    btnHelp = AddHelpButton(bar);
    std::tie(btnOK, btnCancel) = AddOkCancel(bar, 154);

    setTabOrder(DateTimePicker1, Edit2);
    setTabOrder(Edit2, ComboBox1);
    setTabOrder(ComboBox1, ComboBox2);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(u"Timer1"_s);
    Timer1->setInterval(300);

    connect(Timer1, &QTimer::timeout, this, &TFormEntryBooking::Timer1Timer);
    // OK follows the fields at once, too: a quick Return after the last key must not find it
    // still disabled.
    connect(Edit2, &QLineEdit::textChanged, this, &TFormEntryBooking::Timer1Timer);
    connect(ComboBox1, &QComboBox::editTextChanged, this, &TFormEntryBooking::Timer1Timer);
    connect(btnOK, &TOrvoSkinButton::Clicked, this, &TFormEntryBooking::btnOKClick);
    connect(btnCancel, &TOrvoSkinButton::Clicked, this, &TFormEntryBooking::btnCancelClick);
    connect(btnHelp, &TOrvoSkinButton::Clicked, this, &TFormEntryBooking::btnHelpClick);
    connect(btnNavigator, &TOrvoSkinButton::Clicked, this, &TFormEntryBooking::btnNavigatorClick);
}

void TFormEntryBooking::FormShow()
{
    CentreOnScreen();
    if (EntryMode == 1)
        ShowBanner(ImageBanner, Kind_.NewBanner);
    else if (EntryMode == 2)
        ShowBanner(ImageBanner, Kind_.EditBanner);

    const QDate date = ParseBookingDate(BookingDate, Services.RegionalSettings);
    DateTimePicker1->SetDate(date.isValid() ? date : QDate::currentDate());
    Edit2->setText(BookingAmount);
    ComboBox1->setEditText(BookingCategory);
    ComboBox2->setEditText(BookingPurpose);
    FillLists();

    Accepted = false;
    DateTimePicker1->setFocus();
    // Judge the fields at once, so that a Return before the first tick cannot accept an
    // empty amount left enabled from the last use.
    Timer1Timer();
    Timer1->start();
}

void TFormEntryBooking::FormClose()
{
    Timer1->stop();
    DropBanner(ImageBanner);
}

void TFormEntryBooking::Timer1Timer()
{
    btnOK->SetEnabled(!Edit2->text().isEmpty() && !ComboBox1->currentText().isEmpty());
}

void TFormEntryBooking::btnOKClick()
{
    // Never another date than the one typed: what cannot be read is sent back.
    const QDate date = DateTimePicker1->TypedDate();
    if (!date.isValid()) {
        Services.Sound.Play();
        ShowError(this, DateTextMessage(DateTimePicker1->text().trimmed()));
        SelectForCorrection(DateTimePicker1);
        return;
    }
    if (!AcceptAmountText(this, Services.Sound, Edit2))
        return;
    BookingDate = Services.RegionalSettings.DateText(date);
    BookingAmount = NormalizeAmountText(Edit2->text()).replace(u',', u'.');
    BookingCategory = CapitalizeFirst(ComboBox1->currentText());
    BookingPurpose = CapitalizeFirst(ComboBox2->currentText());
    Accepted = true;
    accept();
}

ListRow TFormEntryBooking::TypedRow() const
{
    return ListRow::Make(DateTimePicker1->text().trimmed(),
                         {Edit2->text(), ComboBox1->currentText(), ComboBox2->currentText()});
}

void TFormEntryBooking::btnCancelClick()
{
    reject();
}

void TFormEntryBooking::btnHelpClick()
{
    Services.Help.HHHelpContext(Services.HelpFile, BookingHelpContext);
}

void TFormEntryBooking::btnNavigatorClick()
{
    if (Services.ShowNavigator)
        Services.ShowNavigator(Kind_.NavigatorMode);
}
