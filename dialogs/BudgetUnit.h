#pragma once

#include "budget/BudgetFile.h"
#include "dialogs/DialogFrame.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QTableWidget;

// "Budgets": the budgets per expense category, set, changed and removed from a month on. The
// caller sets Budgets and Month (the open book's, the fields' first month), runs exec() and saves
// Budgets when Accepted is true.
class TFormBudgets : public TDialogFrame
{
    Q_OBJECT

public:
    explicit TFormBudgets(const DialogServices &services, QWidget *parent = nullptr);

    BudgetList Budgets;
    int Month = 0; // BudgetMonth
    bool Accepted = false;

private:
    void FormShow() override;
    void ShowBudgets();
    void ListBudgetsSelect();
    // The fields' category and month, after reporting what is wrong with them.
    std::optional<std::pair<QString, int>> CategoryAndMonth();
    void Refuse(QWidget *field, const QString &message);
    void btnSetClick();
    void btnRemoveClick();

    const DialogServices Services;
    QTableWidget *ListBudgets = nullptr;
    QComboBox *ComboCategory = nullptr;
    QLineEdit *EditAmount = nullptr;
    QLineEdit *EditMonth = nullptr;
    QCheckBox *CheckCarryOver = nullptr;
    TOrvoSkinButton *btnSet = nullptr;
    TOrvoSkinButton *btnRemove = nullptr;
};
