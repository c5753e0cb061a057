#include "dialogs/CsvColumnsUnit.h"

#include "controls/OrvoSkinButton.h"
#include "dialogs/ImportUnit.h"
#include "statements/CsvLayoutGuess.h"
#include "support/HelpSystem.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>

#include <tuple>

using namespace Qt::StringLiterals;

namespace {

const char16_t *const RoleLabels[] = {
    u"Datum:", u"Betrag (mit Vorzeichen):", u"Soll (Ausgaben):", u"Haben (Einnahmen):", u"Gegenseite:",
    u"Verwendungszweck:",
};

} // namespace

TFormCsvColumns::TFormCsvColumns(const DialogServices &services, QWidget *parent)
    : TDialogFrame(parent, u"FormCsvColumns"_s, u"Spalten zuordnen"_s, {700, 446})
    , Services(services)
{
    LabelFile = new QLabel(this);
    LabelFile->setObjectName(u"LabelFile"_s);
    LabelFile->setGeometry(8, 6, 684, 46);
    LabelFile->setWordWrap(true);

    TableSample = new QTableWidget(this);
    TableSample->setObjectName(u"TableSample"_s);
    TableSample->setGeometry(8, 56, 684, 170);
    TableSample->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TableSample->setFocusPolicy(Qt::NoFocus);
    TableSample->verticalHeader()->setDefaultSectionSize(20);
    ShowHeaderInListColours(TableSample);
    

    for (int role = 0; role < RoleCount; ++role) {
        const int top = 238 + (role % 3) * 48;
        const int left = role < 3 ? 8 : 356;
        auto *box = new QComboBox(this);
        box->setObjectName(u"ComboRole%1"_s.arg(role));
        box->setGeometry(left, top + 16, 336, 21);
        AddLabel(QString::fromUtf16(RoleLabels[role]), {left, top}, box);
        Boxes_[role] = box;
        connect(box, &QComboBox::currentIndexChanged, this, &TFormCsvColumns::Timer1Timer);
    }
    for (int role = 1; role < RoleCount; ++role)
        setTabOrder(Boxes_[role - 1], Boxes_[role]);

    QWidget *bar = AddButtonBar();
    TOrvoSkinButton *help = AddHelpButton(bar);
    std::tie(btnOK, btnCancel) = AddOkCancel(bar, 154);
    connect(help, &TOrvoSkinButton::Clicked, this, &TFormCsvColumns::btnHelpClick);
    connect(btnOK, &TOrvoSkinButton::Clicked, this, &TFormCsvColumns::btnOKClick);
    connect(btnCancel, &TOrvoSkinButton::Clicked, this, &QDialog::reject);
}

void TFormCsvColumns::SetLayout(const QString &fileName, const UnknownCsvLayout &layout)
{
    LabelFile->setText(u"Den Aufbau der Datei „%1“ kennt das Programm nicht. Bitte geben Sie an, welche Spalten "
                       u"das Datum, den Betrag (oder Soll und Haben), die Gegenseite und den Verwendungszweck "
                       u"enthalten. Die Zuordnung gilt auch für alle späteren Dateien mit denselben Spalten."_s
                           .arg(fileName));
    TableSample->clear();
    TableSample->setColumnCount(int(layout.Header.size()));
    TableSample->setRowCount(int(layout.Sample.size()));
    TableSample->setHorizontalHeaderLabels(layout.Header);
    for (int r = 0; r < layout.Sample.size(); ++r) {
        for (int c = 0; c < layout.Sample.at(r).size() && c < layout.Header.size(); ++c)
            TableSample->setItem(r, c, new QTableWidgetItem(layout.Sample.at(r).at(c)));
    }
    TableSample->resizeColumnsToContents();

    QStringList entries{u"(keine)"_s};
    for (int i = 0; i < layout.Header.size(); ++i)
        entries.append(u"Spalte %1: %2"_s.arg(i + 1).arg(layout.Header.at(i)));
    const CsvColumnChoice guess = GuessCsvLayout(layout).Choice;
    Guess_ = guess;
    const int preset[RoleCount] = {guess.Date, guess.Amount, guess.Debit, guess.Credit, guess.Counterparty, guess.Purpose};
    for (int role = 0; role < RoleCount; ++role) {
        const QSignalBlocker blocker(Boxes_[role]);
        Boxes_[role]->clear();
        Boxes_[role]->addItems(entries);
        Boxes_[role]->setCurrentIndex(preset[role] + 1);
    }
}

void TFormCsvColumns::FormShow()
{
    CentreOnScreen();
    Accepted = false;
    Timer1Timer();
    Boxes_[Date]->setFocus(Qt::OtherFocusReason);
}

void TFormCsvColumns::Timer1Timer()
{
    const auto chosen = [this](Role role) { return Boxes_[role]->currentIndex() > 0; };
    btnOK->SetEnabled(chosen(Date) && (chosen(Amount) || chosen(Debit) || chosen(Credit)));
}

void TFormCsvColumns::btnOKClick()
{
    const auto column = [this](Role role) { return Boxes_[role]->currentIndex() - 1; };
    // What the boxes do not show (a purpose over several columns, the payee's column, the
    // bank's text, the IBAN) is kept from the guess where the user left its column as guessed.
    Choice = Guess_;
    Choice.Date = column(Date);
    Choice.Amount = column(Amount);
    Choice.Debit = column(Debit);
    Choice.Credit = column(Credit);
    Choice.Counterparty = column(Counterparty);
    Choice.Purpose = column(Purpose);
    if (Choice.Purpose != Guess_.Purpose)
        Choice.PurposeTo = -1;
    if (Choice.Counterparty != Guess_.Counterparty || Choice.Counterparty < 0)
        Choice.Payee = -1;
    const QList<int> shown{Choice.Date, Choice.Amount, Choice.Debit, Choice.Credit, Choice.Counterparty, Choice.Purpose};
    for (int *extra : {&Choice.Payee, &Choice.BookingText, &Choice.Account}) {
        if (shown.contains(*extra))
            *extra = -1;
    }
    Accepted = true;
    accept();
}

void TFormCsvColumns::btnHelpClick()
{
    Services.Help.HHHelpContext(Services.HelpFile, ImportHelpContext);
}
