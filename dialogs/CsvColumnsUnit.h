#pragma once

#include "dialogs/DialogFrame.h"
#include "statements/Statement.h"

#include <array>

class QComboBox;
class QLabel;
class QTableWidget;

// Which columns of a CSV file of unknown layout hold what ("Spalten zuordnen"): date,
// amount (or debit and credit), counterparty and purpose, with the first rows of the file
// to look at, pre-filled with GuessCsvLayout's guess. The program keeps the choice for every
// file with the same columns. The caller sets the layout, runs exec() and reads Choice back
// when Accepted is true.
class TFormCsvColumns : public TDialogFrame
{
    Q_OBJECT

public:
    explicit TFormCsvColumns(const DialogServices &services, QWidget *parent = nullptr);

    void SetLayout(const QString &fileName, const UnknownCsvLayout &layout);
    CsvColumnChoice Choice;
    bool Accepted = false;

private:
    enum Role { Date, Amount, Debit, Credit, Counterparty, Purpose, RoleCount };

    void FormShow() override;
    void Timer1Timer();
    void btnOKClick();
    void btnHelpClick();

    const DialogServices Services;
    QLabel *LabelFile = nullptr;
    QTableWidget *TableSample = nullptr;
    std::array<QComboBox *, RoleCount> Boxes_{};
    CsvColumnChoice Guess_; // what the columns' names and content suggested
    TOrvoSkinButton *btnOK = nullptr;
    TOrvoSkinButton *btnCancel = nullptr;
};
