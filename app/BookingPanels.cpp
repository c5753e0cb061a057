// The booking panels of the main window: bookings added, edited and removed through the
// entry dialogs, the lists kept sorted, the changes flagged for the next save.

#include "app/MainPanel.h"
#include "app/QELListView.h"
#include "app/UnitQEL.h"
#include "controls/MessageBoxes.h"
#include "dialogs/DialogFrame.h"
#include "dialogs/EntryIncomeUnit.h"
#include "dialogs/EntryRegularUnit.h"
#include "dialogs/NavigatorUnit.h"
#include "dialogs/NewUnit.h"
#include "dialogs/ImportFlow.h"
#include "books/BookManager.h"
#include "ledger/FuncUnit.h"
#include "ledger/QelError.h"
#include "output/ListExport.h"
#include "output/ListPages.h"
#include "support/WarningSound.h"

#include <QDate>
#include <QLabel>

#include <optional>

namespace {

constexpr int IncomePanel = 0;
constexpr int ExpendPanel = 1;
constexpr int RegularPanel = 2;

// Income and expense dialogs take the same fields; the panel fills them, shows the dialog
// and takes the row back only after a valid OK.
template<typename Dialog>
std::optional<ListRow> RunBookingDialog(Dialog &dialog, const ListRow &preset, int mode)
{
    dialog.BookingDate = preset.Caption;
    dialog.BookingAmount = preset.SubItem(0);
    dialog.BookingCategory = preset.SubItem(1);
    dialog.BookingPurpose = preset.SubItem(2);
    dialog.EntryMode = mode;
    dialog.exec();
    if (!dialog.Accepted)
        return std::nullopt;
    return ListRow::Make(dialog.BookingDate, {dialog.BookingAmount, dialog.BookingCategory, dialog.BookingPurpose});
}

std::optional<ListRow> RunRegularDialog(TFormEntryRegular &dialog, const ListRow &preset, int mode)
{
    dialog.BookingDay = preset.Caption;
    dialog.BookingAmount = preset.SubItem(0);
    dialog.BookingCategory = preset.SubItem(1);
    dialog.BookingPurpose = preset.SubItem(2);
    // A kind the program never writes leaves the dialog's last choice.
    if (preset.SubItem(3) == IncomeKind())
        dialog.BookingKind = 1;
    else if (preset.SubItem(3) == ExpenseKind())
        dialog.BookingKind = 2;
    dialog.EntryMode = mode;
    dialog.exec();
    if (!dialog.Accepted)
        return std::nullopt;
    return ListRow::Make(dialog.BookingDay, {dialog.BookingAmount, dialog.BookingCategory, dialog.BookingPurpose,
                                             dialog.BookingKind == 2 ? ExpenseKind() : IncomeKind()});
}

} // namespace

void TFormQEL::BuildDialogs()
{
    const DialogServices services{Categories_, Help_, Books_.Paths().HelpFile(), Sound_, Books_.RegionalSettings(),
                                  [this](int mode) {
                                      FormNavigator->NavigatorMode = mode;
                                      FormNavigator->exec();
                                  }};
    FormNew = new TFormNew(Help_, Books_.Paths().HelpFile(), this);
    FormNavigator = new TFormNavigator(Categories_, this);
    FormEntryIncome = new TFormEntryIncome(services, this);
    FormEntryExpend = new TFormEntryExpend(services, this);
    FormEntryRegular = new TFormEntryRegular(services, this);
    ImportFlow = new TImportFlow(services, Books_, this);
    BuildBudgets(services);
    connect(ImportFlow, &TImportFlow::BooksChanged, this, &TFormQEL::ShowBookState);
}

BookingList &TFormQEL::PanelList(int panel)
{
    switch (panel) {
    case IncomePanel:
        return Books_.Income();
    case ExpendPanel:
        return Books_.Expend();
    default:
        return Books_.Regular();
    }
}

void TFormQEL::SaveBookingChange(int panel)
{
    // In its file as the dialog closes: a backup, a logout or a crash never loses it.
    try {
        Books_.SaveChange(PanelList(panel));
    } catch (const QelError &error) {
        Report(error.Message());
    }
    BookingViews_[panel]->Refresh();
    if (panel == RegularPanel)
        ShowRegularTotals();
    else
        ShowBookTotals();
}

std::optional<ListRow> TFormQEL::AskBooking(int panel, const ListRow &preset, int mode)
{
    // What is typed there is kept as a draft, should the session end meanwhile.
    OpenEntry_ = OpenEntry{panel, mode, preset, panel == RegularPanel ? QString() : Books_.CurrentBook()};
    std::optional<ListRow> row;
    switch (panel) {
    case IncomePanel:
        row = RunBookingDialog(*FormEntryIncome, preset, mode);
        break;
    case ExpendPanel:
        row = RunBookingDialog(*FormEntryExpend, preset, mode);
        break;
    default:
        row = RunRegularDialog(*FormEntryRegular, preset, mode);
        break;
    }
    OpenEntry_.reset();
    return row;
}

void TFormQEL::EnterBooking(int panel)
{
    const QString today = Books_.RegionalSettings().DateText(QDate::currentDate());
    // A regular booking starts on today's day: the day text with its dot, e.g. 07.
    const QString caption = panel == RegularPanel ? today.left(3) : today;
    std::optional<ListRow> row = AskBooking(
        panel, ListRow::Make(caption, {QStringLiteral("0.00"), QString(), QString(), IncomeKind()}), 1);
    if (row) {
        const QString category = row->SubItem(1);
        BookingList &list = PanelList(panel);
        list.SetSelected(Books_.AddBooking(list, std::move(*row)));
        SaveBookingChange(panel);
        if (panel == ExpendPanel)
            NoteOverBudget(category);
    }
    FocusList(panel);
}

void TFormQEL::EditBooking(int panel)
{
    BookingList &list = PanelList(panel);
    const qsizetype selected = list.Selected();
    if (selected < 0)
        return;
    const std::optional<ListRow> row = AskBooking(panel, list.Row(selected), 2);
    if (row) {
        // The selection follows the row to its place after sorting.
        Books_.EditBooking(list, selected, row->Caption, row->SubItems);
        SaveBookingChange(panel);
        if (panel == ExpendPanel)
            NoteOverBudget(row->SubItem(1));
    }
    FocusList(panel);
}

void TFormQEL::RemoveBooking(int panel)
{
    BookingList &list = PanelList(panel);
    const qsizetype selected = list.Selected();
    if (selected < 0)
        return;
    Sound_.Play();
    if (AskConfirmation(this, QStringLiteral("Soll die gewählte Buchung entfernt werden?"))) {
        Books_.RemoveBooking(list, selected);
        SaveBookingChange(panel);
    }
    FocusList(panel);
}

void TFormQEL::FocusList(int panel)
{
    // The keyboard goes back to the list, so that the arrows move on from the row just worked
    // on, and its buttons follow the selection at once, not only at the timer's next tick.
    BookingViews_[panel]->setFocus(Qt::OtherFocusReason);
    Timer1Timer();
}

void TFormQEL::PrintList(int panel)
{
    const QString book = Books_.CurrentBook();
    struct Printout
    {
        QString Question;
        QString PageTitle;
        QString JobTitle;
        QString Document; // the PDF made without a printer: with the book, so months differ
    };
    const Printout printouts[] = {
        {QStringLiteral("Sollen die Einnahmen ") + book + QStringLiteral(" gedruckt werden?"),
         QStringLiteral("Einnahmen - ") + book, QStringLiteral("Haushaltsbuch - Einnahmen"),
         QStringLiteral("Haushaltsbuch - Einnahmen ") + book},
        {QStringLiteral("Sollen die Ausgaben ") + book + QStringLiteral(" gedruckt werden?"),
         QStringLiteral("Ausgaben - ") + book, QStringLiteral("Haushaltsbuch - Ausgaben"),
         QStringLiteral("Haushaltsbuch - Ausgaben ") + book},
        {QStringLiteral("Sollen die regelmäßigen Buchungen gedruckt werden?"), QStringLiteral("Regelmäßige Buchungen"),
         QStringLiteral("Haushaltsbuch - Regelmäßige Buchungen"), QStringLiteral("Haushaltsbuch - Regelmäßige Buchungen")},
    };
    const Printout &printout = printouts[panel];
    Sound_.Play();
    if (!AskConfirmation(this, printout.Question))
        return;
    const BookingList &list = PanelList(panel);
    const QString &currency = Books_.RegionalSettings().CurrencySymbol();
    const PrintResult result = PagePrinter_.PrintPageImage(
        [&](QPainter &painter) {
            if (panel == RegularPanel)
                DrawRegularListPage(painter, list, printout.PageTitle, currency);
            else
                DrawListPage(painter, list, printout.PageTitle, currency);
        },
        printout.JobTitle, printout.Document);
    ShowPrintResult(this, result);
}

void TFormQEL::btnEntryIncomeClick() { EnterBooking(IncomePanel); }
void TFormQEL::btnEditIncomeClick() { EditBooking(IncomePanel); }
void TFormQEL::btnDeleteIncomeClick() { RemoveBooking(IncomePanel); }
void TFormQEL::btnEntryExpendClick() { EnterBooking(ExpendPanel); }
void TFormQEL::btnEditExpendClick() { EditBooking(ExpendPanel); }
void TFormQEL::btnDeleteExpendClick() { RemoveBooking(ExpendPanel); }
void TFormQEL::btnEntryRegularClick() { EnterBooking(RegularPanel); }
void TFormQEL::btnEditRegularClick() { EditBooking(RegularPanel); }
void TFormQEL::btnDeleteRegularClick() { RemoveBooking(RegularPanel); }
void TFormQEL::btnPrintIncomeClick() { PrintList(IncomePanel); }
void TFormQEL::btnPrintExpendClick() { PrintList(ExpendPanel); }
void TFormQEL::btnPrintRegularClick() { PrintList(RegularPanel); }
// The proposed file name is the panel's title as it stands.
void TFormQEL::btnExportIncomeClick() { ExportListToXls(this, Books_.Income(), PanelIncome->Title(), ExportFolder_); }
void TFormQEL::btnExportExpendClick() { ExportListToXls(this, Books_.Expend(), PanelExpend->Title(), ExportFolder_); }
void TFormQEL::btnExportRegularClick() { ExportListToXls(this, Books_.Regular(), PanelRegular->Title(), ExportFolder_); }
