#include "dialogs/BudgetUnit.h"

#include "controls/MessageBoxes.h"
#include "controls/OrvoSkinButton.h"
#include "controls/SkinHotKey.h"
#include "dialogs/CategoryLists.h"
#include "ledger/Cents.h"
#include "ledger/QelError.h"
#include "ledger/FuncUnit.h"
#include "support/WarningSound.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>

#include <tuple>

using namespace Qt::StringLiterals;

TFormBudgets::TFormBudgets(const DialogServices &services, QWidget *parent)
    : TDialogFrame(parent, u"FormBudgets"_s, u"Budgets"_s, {520, 372})
    , Services(services)
{
    auto *intro = new QLabel(u"Ein Budget gilt für eine Ausgabenkategorie ab einem Monat. Mit Übertrag zählt der Rest "
                             u"des Vormonats mit, auch eine Überschreitung."_s,
                             this);
    intro->setGeometry(8, 6, 504, 32);
    intro->setWordWrap(true);

    ListBudgets = new QTableWidget(0, 4, this);
    ListBudgets->setObjectName(u"ListBudgets"_s);
    ListBudgets->setAccessibleName(u"Budgets"_s);
    ListBudgets->setGeometry(8, 42, 504, 176);
    ListBudgets->setHorizontalHeaderLabels({u"Kategorie"_s, u"Betrag"_s, u"ab"_s, u"Übertrag"_s});
    ListBudgets->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListBudgets->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBudgets->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListBudgets->setTabKeyNavigation(false);
    ListBudgets->verticalHeader()->setDefaultSectionSize(20);
    ListBudgets->verticalHeader()->hide();
    ListBudgets->horizontalHeader()->setStretchLastSection(true);
    for (const auto &[column, width] : {std::pair{0, 200}, {1, 110}, {2, 80}})
        ListBudgets->setColumnWidth(column, width);

    // One line per field: label, then the field; labels are the fields' buddies (Alt+letter).
    QLabel *category = AddLabel(u"&Kategorie:"_s, {8, 226});
    ComboCategory = AddNameBox("ComboCategory", {8, 242, 200, 21});
    QLabel *amount = AddLabel(u"Be&trag:"_s, {216, 226});
    EditAmount = new QLineEdit(this);
    EditAmount->setObjectName(u"EditAmount"_s);
    EditAmount->setGeometry(216, 242, 100, 21);
    QLabel *month = AddLabel(u"&ab Monat:"_s, {324, 226});
    EditMonth = new QLineEdit(this);
    EditMonth->setObjectName(u"EditMonth"_s);
    EditMonth->setGeometry(324, 242, 80, 21);
    EditMonth->setMaxLength(7);
    CheckCarryOver = new QCheckBox(u"Übe&rtrag"_s, this);
    CheckCarryOver->setObjectName(u"CheckCarryOver"_s);
    CheckCarryOver->setGeometry(412, 242, 100, 21);
    category->setBuddy(ComboCategory);
    amount->setBuddy(EditAmount);
    month->setBuddy(EditMonth);
    InstallAmountKeyFilter(EditAmount);
    setTabOrder(ComboCategory, EditAmount);
    setTabOrder(EditAmount, EditMonth);
    setTabOrder(EditMonth, CheckCarryOver);
    setTabOrder(CheckCarryOver, ListBudgets);

    const struct
    {
        const char *Name;
        int Left;
        const char16_t *Caption;
        const char16_t *Hint;
        TSkinHotKey HotKey;
        TOrvoSkinButton **Button;
    } commands[] = {
        {"btnSet", 8, u"Festlegen", u"Budget festlegen (Alt+F)", TSkinHotKey::QBAlt_F, &btnSet},
        {"btnRemove", 116, u"Entfernen", u"Budget ab dem Monat entfernen (Alt+E)", TSkinHotKey::QBAlt_E, &btnRemove},
    };
    for (const auto &c : commands) {
        auto *button = new TOrvoSkinButton(this);
        button->setObjectName(QString::fromLatin1(c.Name));
        button->setGeometry(c.Left, 282, 102, 24);
        button->SetCaption(QString::fromUtf16(c.Caption));
        button->setToolTip(QString::fromUtf16(c.Hint));
        button->SetHotKey(c.HotKey);
        SkinButtonScheme::Panel().ApplyTo(*button);
        button->setFocusPolicy(Qt::NoFocus);
        *c.Button = button;
    }

    QWidget *bar = AddButtonBar();
    auto [ok, cancel] = AddOkCancel(bar, 154);
    connect(btnSet, &TOrvoSkinButton::Clicked, this, &TFormBudgets::btnSetClick);
    connect(btnRemove, &TOrvoSkinButton::Clicked, this, &TFormBudgets::btnRemoveClick);
    connect(ListBudgets, &QTableWidget::currentCellChanged, this, &TFormBudgets::ListBudgetsSelect);
    connect(ok, &TOrvoSkinButton::Clicked, this, [this] {
        Accepted = true;
        accept();
    });
    connect(cancel, &TOrvoSkinButton::Clicked, this, &QDialog::reject);
}

void TFormBudgets::FormShow()
{
    CentreOnScreen();
    Accepted = false;
    SetGroupList(*ComboCategory, Services.Categories);
    ComboCategory->setEditText(QString());
    EditAmount->clear();
    EditMonth->setText(BudgetMonthText(Month));
    CheckCarryOver->setChecked(true);
    ShowBudgets();
    ComboCategory->setFocus(Qt::OtherFocusReason);
}

void TFormBudgets::ShowBudgets()
{
    const QSignalBlocker quiet(ListBudgets);
    ListBudgets->setRowCount(int(Budgets.Entries().size()));
    for (int i = 0; i < ListBudgets->rowCount(); ++i) {
        const BudgetEntry &e = Budgets.Entries().at(i);
        const QStringList cells{e.Category, e.Cents ? MoneyLabel(CentsText(*e.Cents), Services.RegionalSettings) : u"–"_s,
                                BudgetMonthText(e.From), e.CarryOver ? u"ja"_s : u"nein"_s};
        for (int k = 0; k < cells.size(); ++k)
            ListBudgets->setItem(i, k, new QTableWidgetItem(cells.at(k)));
    }
}

void TFormBudgets::ListBudgetsSelect()
{
    const int row = ListBudgets->currentRow();
    if (row < 0 || row >= Budgets.Entries().size())
        return;
    const BudgetEntry &e = Budgets.Entries().at(row);
    ComboCategory->setEditText(e.Category);
    EditAmount->setText(e.Cents ? CentsText(*e.Cents) : QString());
    EditMonth->setText(BudgetMonthText(e.From));
    CheckCarryOver->setChecked(e.CarryOver);
}

void TFormBudgets::Refuse(QWidget *field, const QString &message)
{
    Services.Sound.Play();
    ShowInformation(this, message);
    field->setFocus(Qt::OtherFocusReason);
    if (auto *edit = qobject_cast<QLineEdit *>(field))
        SelectForCorrection(edit);
}

std::optional<std::pair<QString, int>> TFormBudgets::CategoryAndMonth()
{
    const QString category = ComboCategory->currentText().trimmed();
    if (category.isEmpty()) {
        Refuse(ComboCategory, u"Bitte geben Sie eine Kategorie an."_s);
        return std::nullopt;
    }
    const std::optional<int> month = ReadBudgetMonth(EditMonth->text().trimmed());
    if (!month) {
        Refuse(EditMonth, u"„%1“ ist kein gültiger Monat. Erwartet wird MM.JJJJ, z. B. „01.2026“."_s.arg(EditMonth->text()));
        return std::nullopt;
    }
    return std::pair{category, *month};
}

void TFormBudgets::btnSetClick()
{
    const auto chosen = CategoryAndMonth();
    if (!chosen)
        return;
    try {
        Budgets.Set(chosen->first, chosen->second, ReadBudgetAmount(EditAmount->text()), CheckCarryOver->isChecked());
    } catch (const QelError &error) {
        Refuse(EditAmount, error.Message());
        return;
    }
    ShowBudgets();
}

void TFormBudgets::btnRemoveClick()
{
    const auto chosen = CategoryAndMonth();
    if (!chosen)
        return;
    if (!Budgets.Remove(chosen->first, chosen->second)) {
        Refuse(ComboCategory, u"Für die Kategorie „%1“ gibt es ab %2 kein Budget."_s.arg(chosen->first,
                                                                                       BudgetMonthText(chosen->second)));
        return;
    }
    ShowBudgets();
}
