#include "dialogs/ImportRulesUnit.h"

#include "controls/MessageBoxes.h"
#include "controls/OrvoSkinButton.h"
#include "controls/SkinHotKey.h"
#include "dialogs/CategoryLists.h"
#include "dialogs/ImportUnit.h"
#include "ledger/CategoryTable.h"
#include "ledger/FuncUnit.h"
#include "support/HelpSystem.h"
#include "support/WarningSound.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>

#include <tuple>

using namespace Qt::StringLiterals;

namespace {

const char16_t *const DirectionChoices[] = {u"Einnahmen und Ausgaben", u"nur Einnahmen", u"nur Ausgaben"};

QString RuleDirectionText(RuleDirection direction)
{
    return QString::fromUtf16(DirectionChoices[int(direction)]);
}

} // namespace

TFormImportRule::TFormImportRule(const DialogServices &services, QWidget *parent)
    : TDialogFrame(parent, u"FormImportRule"_s, u"Regel"_s, {360, 258})
    , Services(services)
{
    EditPattern = new QLineEdit(this);
    EditPattern->setObjectName(u"EditPattern"_s);
    EditPattern->setGeometry(8, 28, 344, 21);
    AddLabel(u"Muster (in Gegenseite oder Verwendungszweck):"_s, {8, 10}, EditPattern);
    CheckRegex = new QCheckBox(u"Regulärer Ausdruck"_s, this);
    CheckRegex->setObjectName(u"CheckRegex"_s);
    CheckRegex->setGeometry(8, 54, 200, 20);

    ComboDirection = new QComboBox(this);
    ComboDirection->setObjectName(u"ComboDirection"_s);
    ComboDirection->setGeometry(8, 100, 200, 21);
    AddLabel(u"Gilt für:"_s, {8, 84}, ComboDirection);
    for (const char16_t *choice : DirectionChoices)
        ComboDirection->addItem(QString::fromUtf16(choice));

    ComboCategory = AddNameBox("ComboCategory", {8, 146, 344, 21});
    AddLabel(u"Kategorie:"_s, {8, 130}, ComboCategory);
    ComboPurpose = AddNameBox("ComboPurpose", {8, 188, 344, 21});
    AddLabel(u"Verwendung (leer: der Name der Gegenseite):"_s, {8, 172}, ComboPurpose);

    QWidget *bar = AddButtonBar();
    TOrvoSkinButton *help = AddHelpButton(bar);
    std::tie(btnOK, btnCancel) = AddOkCancel(bar, 154);
    connect(help, &TOrvoSkinButton::Clicked, this,
            [this] { Services.Help.HHHelpContext(Services.HelpFile, ImportHelpContext); });
    setTabOrder(EditPattern, CheckRegex);
    setTabOrder(CheckRegex, ComboDirection);
    setTabOrder(ComboDirection, ComboCategory);
    setTabOrder(ComboCategory, ComboPurpose);

    connect(ComboDirection, &QComboBox::currentIndexChanged, this, &TFormImportRule::FillCategoryList);
    connect(ComboCategory, &QComboBox::editTextChanged, this, [this] {
        if (ComboDirection->currentIndex() != int(RuleDirection::Income))
            FillSubCategories(*ComboCategory, *ComboPurpose, Services.Categories);
    });
    connect(btnOK, &TOrvoSkinButton::Clicked, this, &TFormImportRule::btnOKClick);
    connect(btnCancel, &TOrvoSkinButton::Clicked, this, &QDialog::reject);
}

void TFormImportRule::FormShow()
{
    CentreOnScreen();
    Accepted = false;
    EditPattern->setText(Rule.Pattern);
    CheckRegex->setChecked(Rule.IsRegex);
    ComboDirection->setCurrentIndex(int(Rule.Direction));
    ComboCategory->setEditText(Rule.Category);
    ComboPurpose->setEditText(Rule.Purpose);
    FillCategoryList();
    EditPattern->setFocus(Qt::OtherFocusReason);
    EditPattern->selectAll();
}

void TFormImportRule::FillCategoryList()
{
    if (ComboDirection->currentIndex() == int(RuleDirection::Income)) {
        SetIncomeCategoryList(*ComboCategory, Services.Categories);
        ReplaceListKeepingText(*ComboPurpose, {});
    } else {
        SetGroupList(*ComboCategory, Services.Categories);
        FillSubCategories(*ComboCategory, *ComboPurpose, Services.Categories);
    }
}

void TFormImportRule::btnOKClick()
{
    ImportRule rule;
    rule.Pattern = EditPattern->text();
    rule.IsRegex = CheckRegex->isChecked();
    rule.Direction = RuleDirection(ComboDirection->currentIndex());
    rule.Category = CapitalizeFirst(ComboCategory->currentText());
    rule.Purpose = CapitalizeFirst(ComboPurpose->currentText());
    if (const QString problem = CheckRule(rule); !problem.isEmpty()) {
        Services.Sound.Play();
        ShowInformation(this, problem);
        QWidget *field = rule.Pattern.trimmed().isEmpty() || problem.contains(u"Muster"_s)
                             ? static_cast<QWidget *>(EditPattern)
                         : problem.contains(u"Kategorie"_s) ? static_cast<QWidget *>(ComboCategory)
                                                            : static_cast<QWidget *>(ComboPurpose);
        field->setFocus(Qt::OtherFocusReason);
        return;
    }
    Rule = rule;
    Accepted = true;
    accept();
}

TFormImportRules::TFormImportRules(const DialogServices &services, QWidget *parent)
    : TDialogFrame(parent, u"FormImportRules"_s, u"Regeln für den Kontoimport"_s, {700, 420})
    , Services(services)
{
    FormRule = new TFormImportRule(services, this);

    auto *intro = new QLabel(u"Die erste passende Regel bestimmt Kategorie und Verwendung einer Buchung. Das Muster "
                             u"wird in der Gegenseite und im Verwendungszweck gesucht, Groß- und Kleinschreibung "
                             u"zählen nicht."_s,
                             this);
    intro->setGeometry(8, 6, 684, 32);
    intro->setWordWrap(true);

    ListRules = new QTableWidget(0, 5, this);
    ListRules->setObjectName(u"ListRules"_s);
    ListRules->setGeometry(8, 42, 684, 280);
    ListRules->setHorizontalHeaderLabels({u"Muster"_s, u"Art"_s, u"Gilt für"_s, u"Kategorie"_s, u"Verwendung"_s});
    ListRules->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListRules->setSelectionMode(QAbstractItemView::SingleSelection);
    ListRules->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListRules->setTabKeyNavigation(false);
    ListRules->verticalHeader()->setDefaultSectionSize(20);
    ListRules->horizontalHeader()->setStretchLastSection(true);
    ShowHeaderInListColours(ListRules);
    
    for (const auto &[column, width] : {std::pair{0, 190}, {1, 60}, {2, 140}, {3, 120}})
        ListRules->setColumnWidth(column, width);

    // One line per command button: name, left, caption, hint, hot key.
    const struct
    {
        const char *Name;
        int Left;
        const char16_t *Caption;
        const char16_t *Hint;
        TSkinHotKey HotKey;
        TOrvoSkinButton **Button;
    } commands[] = {
        {"btnNew", 8, u"Neu", u"Neue Regel (Alt+N)", TSkinHotKey::QBAlt_N, &btnNew},
        {"btnEdit", 116, u"Bearbeiten", u"Bearbeiten (Alt+B)", TSkinHotKey::QBAlt_B, &btnEdit},
        {"btnDelete", 224, u"Entfernen", u"Entfernen (Alt+E)", TSkinHotKey::QBAlt_E, &btnDelete},
        {"btnUp", 332, u"Nach oben", u"Nach oben (Alt+O)", TSkinHotKey::QBAlt_O, &btnUp},
        {"btnDown", 440, u"Nach unten", u"Nach unten (Alt+U)", TSkinHotKey::QBAlt_U, &btnDown},
    };
    for (const auto &c : commands) {
        auto *button = new TOrvoSkinButton(this);
        button->setObjectName(QString::fromLatin1(c.Name));
        button->setGeometry(c.Left, 334, 102, 24);
        button->SetCaption(QString::fromUtf16(c.Caption));
        button->setToolTip(QString::fromUtf16(c.Hint));
        button->SetHotKey(c.HotKey);
        SkinButtonScheme::Panel().ApplyTo(*button);
        button->setFocusPolicy(Qt::NoFocus);
        *c.Button = button;
    }

    QWidget *bar = AddButtonBar();
    TOrvoSkinButton *help = AddHelpButton(bar);
    auto [ok, cancel] = AddOkCancel(bar, 154);

    connect(btnNew, &TOrvoSkinButton::Clicked, this, &TFormImportRules::btnNewClick);
    connect(btnEdit, &TOrvoSkinButton::Clicked, this, &TFormImportRules::btnEditClick);
    connect(btnDelete, &TOrvoSkinButton::Clicked, this, &TFormImportRules::btnDeleteClick);
    connect(btnUp, &TOrvoSkinButton::Clicked, this, [this] { MoveRule(-1); });
    connect(btnDown, &TOrvoSkinButton::Clicked, this, [this] { MoveRule(1); });
    connect(ListRules, &QTableWidget::cellDoubleClicked, this, &TFormImportRules::btnEditClick);
    connect(ListRules, &QTableWidget::currentCellChanged, this, &TFormImportRules::ShowButtons);
    connect(help, &TOrvoSkinButton::Clicked, this, &TFormImportRules::btnHelpClick);
    connect(ok, &TOrvoSkinButton::Clicked, this, [this] {
        Accepted = true;
        accept();
    });
    connect(cancel, &TOrvoSkinButton::Clicked, this, &QDialog::reject);
}

void TFormImportRules::FormShow()
{
    CentreOnScreen();
    Accepted = false;
    ShowRules(Rules.isEmpty() ? -1 : 0);
    ListRules->setFocus(Qt::OtherFocusReason);
}

void TFormImportRules::ShowRules(int current)
{
    ListRules->setRowCount(int(Rules.size()));
    for (int i = 0; i < Rules.size(); ++i) {
        const ImportRule &r = Rules.at(i);
        const QStringList cells{r.Pattern, r.IsRegex ? u"Ausdruck"_s : u"Text"_s, RuleDirectionText(r.Direction),
                                r.Category, r.Purpose.isEmpty() ? u"(Name der Gegenseite)"_s : r.Purpose};
        for (int k = 0; k < cells.size(); ++k)
            ListRules->setItem(i, k, new QTableWidgetItem(cells.at(k)));
    }
    if (current >= 0 && current < Rules.size())
        ListRules->setCurrentCell(current, 0);
    ShowButtons();
}

void TFormImportRules::ShowButtons()
{
    const bool any = CurrentRule() >= 0;
    btnEdit->SetEnabled(any);
    btnDelete->SetEnabled(any);
    btnUp->SetEnabled(any && CurrentRule() > 0);
    btnDown->SetEnabled(any && CurrentRule() < Rules.size() - 1);
}

int TFormImportRules::CurrentRule() const
{
    const int row = ListRules->currentRow();
    return row >= 0 && row < Rules.size() ? row : -1;
}

void TFormImportRules::btnNewClick()
{
    FormRule->Rule = ImportRule{};
    FormRule->exec();
    if (FormRule->Accepted) {
        Rules.append(FormRule->Rule);
        ShowRules(int(Rules.size()) - 1);
    }
    ListRules->setFocus(Qt::OtherFocusReason);
}

void TFormImportRules::btnEditClick()
{
    const int i = CurrentRule();
    if (i < 0)
        return;
    FormRule->Rule = Rules.at(i);
    FormRule->exec();
    if (FormRule->Accepted) {
        Rules[i] = FormRule->Rule;
        ShowRules(i);
    }
    ListRules->setFocus(Qt::OtherFocusReason);
}

void TFormImportRules::btnDeleteClick()
{
    const int i = CurrentRule();
    if (i < 0)
        return;
    Services.Sound.Play();
    if (AskInformationYesNo(this, u"Soll die Regel „%1“ entfernt werden?"_s.arg(Rules.at(i).Pattern))) {
        Rules.removeAt(i);
        ShowRules(std::min(i, int(Rules.size()) - 1));
    }
    ListRules->setFocus(Qt::OtherFocusReason);
}

void TFormImportRules::MoveRule(int step)
{
    const int i = CurrentRule();
    if (i < 0 || i + step < 0 || i + step >= Rules.size())
        return;
    Rules.swapItemsAt(i, i + step);
    ShowRules(i + step);
    ListRules->setFocus(Qt::OtherFocusReason);
}

void TFormImportRules::btnHelpClick()
{
    Services.Help.HHHelpContext(Services.HelpFile, ImportHelpContext);
}
