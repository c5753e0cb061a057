#pragma once

#include "dialogs/DialogFrame.h"
#include "import/ImportRules.h"
#include "statements/Statement.h"

#include <functional>

class BookManager;
class ImportPreviewModel;
class QLabel;
class QTableView;
class TOrvoSkinButton;

// The help topic of the import and its dialogs.
constexpr int ImportHelpContext = 1020;

// A table's column header in the colour of the header cells above the program's lists.
void ShowHeaderInListColours(QTableView *table);

// The preview of a statement before its rows go into the month books ("Kontoauszug
// importieren"): a table with a tick, date, kind, amount, category and purpose (F2 edits
// them, from the category lists or typed), counterparty, the bank's text and the status of
// each row, and a line that sums up what would be booked. Arrows move, Space ticks, Return
// imports. Changing a row's category offers to keep it as a rule for the counterparty's
// distinctive word, which the user may edit first. The caller fills the
// model, runs exec() and books the rows when Accepted is true.
class TFormImport : public TDialogFrame
{
    Q_OBJECT

public:
    TFormImport(const DialogServices &services, const BookManager &books, QWidget *parent = nullptr);

    ImportPreviewModel *Model() const { return Model_; }
    // Shown above the table: the file, its format and account.
    void SetSource(const QString &fileName, const Statement &statement);

    // "Regeln…": shows the rules and keeps what the user changed; true when they changed.
    std::function<bool()> EditRules;
    // A rule the user chose to keep from the preview, to be stored at once.
    std::function<void(const ImportRule &rule)> KeepRule;
    // After the rules changed: every row not changed by hand gets its texts anew.
    std::function<void()> ApplyRules;

    bool Accepted = false;

    QTableView *Table() const { return TableView; }

private:
    void FormShow() override;
    void btnImportClick();
    void btnRulesClick();
    void btnCancelClick();
    void btnHelpClick();
    void ShowSummary();
    void OfferRule(int row);
    bool Editing() const;
    bool eventFilter(QObject *watched, QEvent *event) override;

    const DialogServices Services;
    const BookManager &Books_;
    QString Skipped_; // the statement's lines without a turnover, by kind
    ImportPreviewModel *Model_ = nullptr;
    QLabel *LabelSource = nullptr;
    QTableView *TableView = nullptr;
    QLabel *LabelSummary = nullptr;
    TOrvoSkinButton *btnHelp = nullptr;
    TOrvoSkinButton *btnImport = nullptr;
    TOrvoSkinButton *btnRules = nullptr;
    TOrvoSkinButton *btnCancel = nullptr;
};
