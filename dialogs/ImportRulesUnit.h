#pragma once

#include "dialogs/DialogFrame.h"
#include "import/ImportRules.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QTableWidget;

// One import rule ("Regel"): the text to look for, whether it is a regular expression,
// which bookings it applies to, and the category and purpose they get. The caller sets
// Rule, runs exec() and reads Rule back when Accepted is true.
class TFormImportRule : public TDialogFrame
{
    Q_OBJECT

public:
    explicit TFormImportRule(const DialogServices &services, QWidget *parent = nullptr);

    ImportRule Rule;
    bool Accepted = false;

private:
    void FormShow() override;
    void FillCategoryList();
    void btnOKClick();

    const DialogServices Services;
    QLineEdit *EditPattern = nullptr;
    QCheckBox *CheckRegex = nullptr;
    QComboBox *ComboDirection = nullptr;
    QComboBox *ComboCategory = nullptr;
    QComboBox *ComboPurpose = nullptr;
    TOrvoSkinButton *btnOK = nullptr;
    TOrvoSkinButton *btnCancel = nullptr;
};

// The import rules in their order ("Regeln"): new, edit, remove, move up and down. The first
// rule that matches a statement row decides. The caller sets Rules, runs exec() and keeps
// Rules when Accepted is true.
class TFormImportRules : public TDialogFrame
{
    Q_OBJECT

public:
    explicit TFormImportRules(const DialogServices &services, QWidget *parent = nullptr);

    QList<ImportRule> Rules;
    bool Accepted = false;

private:
    void FormShow() override;
    void ShowRules(int current);
    void ShowButtons();
    int CurrentRule() const;
    void btnNewClick();
    void btnEditClick();
    void btnDeleteClick();
    void MoveRule(int step);
    void btnHelpClick();

    const DialogServices Services;
    TFormImportRule *FormRule = nullptr;
    QTableWidget *ListRules = nullptr;
    TOrvoSkinButton *btnNew = nullptr;
    TOrvoSkinButton *btnEdit = nullptr;
    TOrvoSkinButton *btnDelete = nullptr;
    TOrvoSkinButton *btnUp = nullptr;
    TOrvoSkinButton *btnDown = nullptr;
};
