// The book manager panel of the main window: create, open and remove month books.

#include "app/MainPanel.h"
#include "app/QELListView.h"
#include "app/TrashDialog.h"
#include "app/UnitQEL.h"
#include "controls/MessageBoxes.h"
#include "dialogs/NewUnit.h"
#include "dialogs/ImportFlow.h"
#include "books/BookManager.h"
#include "ledger/FuncUnit.h"
#include "ledger/QelError.h"
#include "support/WarningSound.h"

#include <QApplication>
#include <QDateTime>
#include <QLabel>

void TFormQEL::btnNewBookClick()
{
    FormNew->exec();
    if (!FormNew->Accepted)
        return;
    const QString name = FormNew->BookName;
    if (Books_.FindBook(name) >= 0 || Books_.BookFileExists(name)) {
        QApplication::beep();
        ShowInformation(this, DuplicateBookMessage(name));
        ListViewManager->setFocus(Qt::OtherFocusReason);
        return;
    }
    try {
        Books_.CreateBook(name, QDateTime::currentDateTime());
    } catch (const QelError &error) {
        // The steps before the failing one have taken effect: the panels show what is open.
        Report(error.Message());
    }
    ShowBookState();
    ShowRegularTotals();
    // The new book's row is selected: Return opens it.
    ListViewManager->setFocus(Qt::OtherFocusReason);
}

void TFormQEL::btnOpenBookClick()
{
    const qsizetype row = Books_.Books().Selected();
    if (row < 0)
        return;
    try {
        Books_.OpenBook(row);
    } catch (const QelError &error) {
        Report(error.Message());
        ShowBookState();
        return;
    }
    ShowBookState();
    ShowPanel(1);
}

void TFormQEL::btnDeleteBookClick()
{
    const qsizetype row = Books_.Books().Selected();
    if (row < 0)
        return;
    const QString name = Books_.Books().Row(row).SubItem(0);
    Sound_.Play();
    if (!AskInformationYesNo(this, DeleteBookQuestion(name)))
        return;
    try {
        Books_.DeleteBook(row);
    } catch (const QelError &error) {
        Report(error.Message());
    }
    // The open book's row, if one is still open; nothing the next Alt+E could remove unasked.
    Books_.Books().SetSelected(Books_.CurrentBook().isEmpty() ? -1 : Books_.FindBook(Books_.CurrentBook()));
    ShowBookState();
    ListViewManager->setFocus(Qt::OtherFocusReason);
}

void TFormQEL::btnTrashClick()
{
    TTrashDialog dialog(Books_, this);
    dialog.exec();
    if (dialog.Restored())
        ShowBookState();
    ListViewManager->setFocus(Qt::OtherFocusReason);
}

void TFormQEL::btnImportClick()
{
    ImportFlow->ChooseAndImport();
    ListViewManager->setFocus(Qt::OtherFocusReason);
}

void TFormQEL::ShowBookState()
{
    SetBookTitles();
    ShowBookTotals();
    RefreshListViews();
    // The menu follows at once, not only at the timer's next tick.
    Timer1Timer();
}

void TFormQEL::SetBookTitles()
{
    PanelIncome->SetTitle(QStringLiteral("Einnahmen - ") + Books_.CurrentBook());
    PanelExpend->SetTitle(QStringLiteral("Ausgaben - ") + Books_.CurrentBook());
}

void TFormQEL::ShowBookTotals()
{
    BookingTotals_[0]->setText(Books_.IncomeTotalLabel());
    BookingTotals_[1]->setText(Books_.ExpendTotalLabel());
}

void TFormQEL::ShowRegularTotals()
{
    BookingTotals_[2]->setText(Books_.RegularSummaryLabel());
}

void TFormQEL::RefreshListViews()
{
    ListViewManager->Refresh();
    for (TQELListView *view : BookingViews_)
        view->Refresh();
}
