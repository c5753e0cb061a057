#include "dialogs/EntryRegularUnit.h"

#include "controls/ColorRef.h"
#include "controls/MessageBoxes.h"
#include "controls/OrvoSkinButton.h"
#include "controls/OrvoSkinCheckBox.h"
#include "controls/OrvoSkinPanel.h"
#include "dialogs/CategoryLists.h"
#include "dialogs/DayPanel.h"
#include "ledger/FuncUnit.h"
#include "ledger/QelError.h"
#include "support/Banner.h"
#include "support/HelpSystem.h"
#include "support/ResourceImages.h"
#include "support/WarningSound.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>
#include <QTimer>

#include <tuple>

namespace {

constexpr quint32 KindPanelColor = 0xFFCC99;
constexpr int HelpContext = 1003;
constexpr int NavigatorBoth = 3;

QLineEdit *AddEdit(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(geometry);
    return edit;
}

// A radio box of the kind choice with its arrow picture beside it.
TOrvoSkinCheckBox *AddKindBox(TOrvoSkinPanel *panel, const char *name, int left, const QString &caption,
                              int pictureLeft, const QString &picture)
{
    auto *box = new TOrvoSkinCheckBox(panel);
    box->setObjectName(QString::fromLatin1(name));
    box->move(left, 32);
    box->SetCaption(caption);
    box->SetRadioCheck(true);
    box->SetColor(ColorFromRef(KindPanelColor));

    auto *arrow = new QLabel(panel);
    arrow->setObjectName(QString::fromLatin1(name) + QStringLiteral("Picture"));
    arrow->setGeometry(pictureLeft, 32, 16, 16);
    arrow->setPixmap(TransparentCornerPixmap(ResourceBitmap(picture)));
    return box;
}

} // namespace

TFormEntryRegular::TFormEntryRegular(const DialogServices &services, QWidget *parent)
    : TDialogFrame(parent, QStringLiteral("FormEntryRegular"), QStringLiteral("Regelmäßige Buchung"), {273, 305})
    , Services_(services)
{
    ImageBanner = AddBanner(40);

    PanelKind = new TOrvoSkinPanel(this);
    PanelKind->setObjectName(QStringLiteral("PanelKind"));
    PanelKind->setGeometry(8, 56, 257, 57);
    PanelKind->SetTitle(QStringLiteral("Buchungsart"));
    PanelKind->SetBackColor(ColorFromRef(KindPanelColor));
    rbCheckIncome = AddKindBox(PanelKind, "rbCheckIncome", 14, QStringLiteral("Einnahme"), 95,
                               QStringLiteral("BTNPIC_RADIO_INC"));
    rbCheckExpend = AddKindBox(PanelKind, "rbCheckExpend", 150, QStringLiteral("Ausgabe"), 225,
                               QStringLiteral("BTNPIC_RADIO_OUT"));
    rbCheckIncome->SetChecked(true);

    EditDay = AddEdit(this, "EditDay", {36, 125, 32, 21});
    AddLabel(QStringLiteral("Tag:"), {8, 128}, EditDay);
    btnDayPicker = AddPictureButton("btnDayPicker", {70, 125, 21, 21}, QStringLiteral("BTNPIC_DAYPICKER"),
                                    QStringLiteral("Tag wählen..."), TSkinHotKey::None);
    Edit2 = AddEdit(this, "Edit2", {177, 125, 72, 21});
    AddLabel(QStringLiteral("Betrag:"), {137, 128}, Edit2);
    ComboBox1 = AddNameBox("ComboBox1", {8, 184, 234, 21});
    AddLabel(QStringLiteral("Kategorie:"), {8, 165}, ComboBox1);
    btnNavigator = AddPictureButton("btnNavigator", {244, 184, 21, 21}, QStringLiteral("BTNPIC_NAVIGATOR"),
                                    QStringLiteral("Kategorien-Übersicht (Alt+K)"), TSkinHotKey::QBAlt_K);
    ComboBox2 = AddNameBox("ComboBox2", {8, 230, 258, 21});
    AddLabel(QStringLiteral("Verwendung:"), {8, 211}, ComboBox2);

    QWidget *bar = AddButtonBar();
    btnHelp = AddHelpButton(bar);
    std::tie(btnOK, btnCancel) = AddOkCancel(bar, 154);

    InstallAmountKeyFilter(EditDay);
    InstallAmountKeyFilter(Edit2);
    setTabOrder(rbCheckIncome, rbCheckExpend);
    setTabOrder(rbCheckExpend, EditDay);
    setTabOrder(EditDay, Edit2);
    setTabOrder(Edit2, ComboBox1);
    setTabOrder(ComboBox1, ComboBox2);

    Timer1 = new QTimer(this);
    Timer1->setInterval(300);

    connect(Timer1, &QTimer::timeout, this, &TFormEntryRegular::Timer1Timer);
    // OK follows the fields at once, too: a quick Return after the last key must not find it
    // still disabled.
    connect(EditDay, &QLineEdit::textChanged, this, &TFormEntryRegular::Timer1Timer);
    connect(Edit2, &QLineEdit::textChanged, this, &TFormEntryRegular::Timer1Timer);
    connect(ComboBox1, &QComboBox::editTextChanged, this, &TFormEntryRegular::Timer1Timer);
    connect(rbCheckIncome, &TOrvoSkinCheckBox::Clicked, this, &TFormEntryRegular::FillCategoryLists);
    connect(rbCheckExpend, &TOrvoSkinCheckBox::Clicked, this, &TFormEntryRegular::FillCategoryLists);
    connect(ComboBox1, &QComboBox::activated, this, &TFormEntryRegular::ComboBox1Select);
    connect(btnDayPicker, &TOrvoSkinButton::Clicked, this, &TFormEntryRegular::btnDayPickerClick);
    connect(btnNavigator, &TOrvoSkinButton::Clicked, this, &TFormEntryRegular::btnNavigatorClick);
    connect(btnHelp, &TOrvoSkinButton::Clicked, this, &TFormEntryRegular::btnHelpClick);
    connect(btnOK, &TOrvoSkinButton::Clicked, this, &TFormEntryRegular::btnOKClick);
    connect(btnCancel, &TOrvoSkinButton::Clicked, this, &TFormEntryRegular::btnCancelClick);
}

void TFormEntryRegular::FormShow()
{
    CentreOnScreen();
    DayPanel = new TQELDayPanel(this);
    DayPanel->move(8, 148);
    DayPanel->hide();
    connect(DayPanel, &TQELDayPanel::OnChange, this, &TFormEntryRegular::DayPanelChange);

    if (EntryMode == 1)
        ShowBanner(ImageBanner, QStringLiteral("BANREG_NEW"));
    else if (EntryMode == 2)
        ShowBanner(ImageBanner, QStringLiteral("BANREG_EDIT"));

    EditDay->setText(BookingDay);
    Edit2->setText(BookingAmount);
    ComboBox1->setEditText(BookingCategory);
    ComboBox2->setEditText(BookingPurpose);
    // As a click on the radio box would, but without its handler; other kinds keep the choice.
    if (BookingKind == 1 || BookingKind == 2) {
        rbCheckIncome->SetChecked(BookingKind == 1);
        rbCheckExpend->SetChecked(BookingKind == 2);
    }
    FillCategoryLists();

    Accepted = false;
    rbCheckIncome->setFocus();
    // Judge OK at once, so that a quick Return cannot accept what the last use left enabled.
    Timer1Timer();
    Timer1->start();
}

void TFormEntryRegular::FormClose()
{
    Timer1->stop();
    DropBanner(ImageBanner);
    delete DayPanel;
    DayPanel = nullptr;
}

void TFormEntryRegular::Timer1Timer()
{
    btnOK->SetEnabled(!EditDay->text().isEmpty() && !Edit2->text().isEmpty() && !ComboBox1->currentText().isEmpty());
}

void TFormEntryRegular::FillCategoryLists()
{
    if (rbCheckExpend->Checked())
        SetGroupList(*ComboBox1, Services_.Categories);
    else
        SetIncomeCategoryList(*ComboBox1, Services_.Categories);
    ReplaceListKeepingText(*ComboBox2, {});
    if (rbCheckExpend->Checked())
        FillSubCategories(*ComboBox1, *ComboBox2, Services_.Categories);
}

void TFormEntryRegular::ComboBox1Select(int index)
{
    if (rbCheckExpend->Checked() && index >= 0)
        SetSubCategoryListForEntry(*ComboBox2, Services_.Categories, index);
}

void TFormEntryRegular::btnDayPickerClick()
{
    DayPanel->show();
    DayPanel->raise();
}

void TFormEntryRegular::DayPanelChange()
{
    if (!DayPanel->SelectedDay().isEmpty())
        EditDay->setText(DayPanel->SelectedDay() + u'.');
    DayPanel->hide();
}

void TFormEntryRegular::btnNavigatorClick()
{
    if (Services_.ShowNavigator)
        Services_.ShowNavigator(NavigatorBoth);
}

void TFormEntryRegular::btnHelpClick()
{
    Services_.Help.HHHelpContext(Services_.HelpFile, HelpContext);
}

void TFormEntryRegular::btnOKClick()
{
    // The completed day stays in the field, also when it is refused.
    EditDay->setText(CompleteDayText(EditDay->text()));
    if (!CheckDayText(EditDay->text(), Services_.RegionalSettings)) {
        Services_.Sound.Play();
        ShowError(this, DayTextMessage(EditDay->text()));
        SelectForCorrection(EditDay);
        return;
    }
    if (!AcceptAmountText(this, Services_.Sound, Edit2))
        return;

    BookingDay = EditDay->text();
    BookingAmount = NormalizeAmountText(Edit2->text()).replace(u',', u'.');
    BookingCategory = CapitalizeFirst(ComboBox1->currentText());
    BookingPurpose = CapitalizeFirst(ComboBox2->currentText());
    BookingKind = rbCheckExpend->Checked() ? 2 : 1;
    Accepted = true;
    accept();
}

ListRow TFormEntryRegular::TypedRow() const
{
    return ListRow::Make(EditDay->text(), {Edit2->text(), ComboBox1->currentText(), ComboBox2->currentText(),
                                           rbCheckExpend->Checked() ? ExpenseKind() : IncomeKind()});
}

void TFormEntryRegular::btnCancelClick()
{
    reject();
}
