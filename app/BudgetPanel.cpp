// The budgets in the main window: their window from the analysis panel (Alt+U), the month's
// lines for page 2 of the analysis and its printout, and the note when a saved expense takes its
// category over what is available.

#include "app/UnitQEL.h"

#include "analysis/AnalysisPageImage.h"
#include "analysis/YearSums.h"
#include "app/MainPanel.h"
#include "budget/BudgetFile.h"
#include "controls/OrvoSkinButton.h"
#include "controls/SkinHotKey.h"
#include "dialogs/BudgetUnit.h"
#include "books/BookManager.h"
#include "ledger/FuncUnit.h"
#include "ledger/QelError.h"
#include "output/ListExport.h"

#include <QLabel>

using namespace Qt::StringLiterals;

void TFormQEL::BuildBudgets(const DialogServices &services)
{
    btnBudgets = PanelButton(PanelAnalyse, {518, 528, 96, 24}, u"Budgets"_s, u"Budgets (Alt+U)"_s);
    btnBudgets->setObjectName(u"btnBudgets"_s);
    PanelHotKeys_[4].append({btnBudgets, TSkinHotKey::QBAlt_U});
    connect(btnBudgets, &TOrvoSkinButton::Clicked, this, &TFormQEL::btnBudgetsClick);
    FormBudgets = new TFormBudgets(services, this);

    LabelBudgetNote = new QLabel(PanelExpend);
    LabelBudgetNote->setObjectName(u"LabelBudgetNote"_s);
    LabelBudgetNote->setGeometry(6, 472, 619, 22);
    LabelBudgetNote->setStyleSheet(u"QLabel { background: #FFF4C0; color: #8C3737; border: 1px solid #C0A040; "
                                   u"padding-left: 4px; }"_s);
    LabelBudgetNote->hide();
}

QList<BudgetLine> TFormQEL::CurrentBudgetLines(QStringList &errors)
{
    const QString book = Books_.CurrentBook();
    const std::optional<int> month = BookBudgetMonth(book, Books_.RegionalSettings());
    if (!month)
        return {};
    try {
        const BudgetList budgets = BudgetStore(Books_.Paths()).Load();
        if (budgets.IsEmpty())
            return {};
        // The open book as it stands in memory, like the month pages; the others as saved.
        return BudgetCalculator_.Month(Cache_, budgets, *month, Books_.Regular(),
                                       {book, &Books_.Income(), &Books_.Expend()}, errors);
    } catch (const QelError &error) {
        errors.append(error.Message());
        return {};
    }
}

QList<BudgetYearLine> TFormQEL::CurrentBudgetYear(QStringList &errors)
{
    const QString book = Books_.CurrentBook();
    try {
        return BudgetYear(BudgetCalculator_, Cache_, BudgetStore(Books_.Paths()).Load(), BookYear(book).toInt(),
                          Books_.Regular(), {book, &Books_.Income(), &Books_.Expend()}, errors);
    } catch (const QelError &error) {
        errors.append(error.Message());
        return {};
    }
}

void TFormQEL::btnBudgetsClick()
{
    BudgetStore store(Books_.Paths());
    BudgetList before;
    try {
        before = store.Load();
        FormBudgets->Budgets = before;
    } catch (const QelError &error) {
        // A damaged file is never written over: it is shown, not edited.
        Report(error.Message());
        return;
    }
    FormBudgets->Month = BookBudgetMonth(Books_.CurrentBook(), Books_.RegionalSettings()).value_or(0);
    FormBudgets->exec();
    if (!FormBudgets->Accepted)
        return;
    try {
        Books_.SaveBudgets(before, FormBudgets->Budgets, u"Änderung der Budgets"_s);
    } catch (const QelError &error) {
        Report(error.Message());
        return;
    }
    // The pages show the new budgets at once.
    if (PanelIndex_ == 4 && !ImageAnalyseYear->isVisible())
        btnAnalyseClick();
}

void TFormQEL::ExportBudgets()
{
    ExportListToXls(this, BudgetTable(ShownBudgets_), u"Budgets %1"_s.arg(Books_.CurrentBook()), ExportFolder_);
}

void TFormQEL::NoteOverBudget(const QString &category)
{
    QStringList errors;
    const std::optional<BudgetLine> over = OverspentLine(CurrentBudgetLines(errors), category);
    // A note beside the list, not a box: the booking is saved, nothing needs an answer.
    LabelBudgetNote->setText(over ? OverspentMessage(*over) : QString());
    LabelBudgetNote->setAccessibleName(LabelBudgetNote->text());
    LabelBudgetNote->setVisible(over.has_value());
}
