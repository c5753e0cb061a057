#include "dialogs/ImportUnit.h"

#include "controls/ColorRef.h"
#include "controls/MessageBoxes.h"
#include "controls/OrvoSkinButton.h"
#include "controls/SkinHotKey.h"
#include "dialogs/CategoryLists.h"
#include "import/ImportBooking.h"
#include "import/ImportMatcher.h"
#include "import/ImportPreviewModel.h"
#include "import/LedgerText.h"
#include "books/BookManager.h"
#include "ledger/CategoryTable.h"
#include "support/HelpSystem.h"
#include "support/WarningSound.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>

using namespace Qt::StringLiterals;

namespace {

QString Quoted(const QString &text)
{
    return u'„' + text + u'“';
}

// The colour of a row's text by its status: what will be booked black, what is left out
// by default blue, what never goes in grey, a line that cannot be read red.
QColor StatusColor(ImportStatus status)
{
    switch (status) {
    case ImportStatus::New: return Qt::black;
    case ImportStatus::Unreadable: return QColor(190, 0, 0);
    case ImportStatus::Present:
    case ImportStatus::Regular: return QColor(0, 70, 150);
    default: return QColor(120, 120, 120);
    }
}

// Paints the rows in their status colour and edits category and purpose in boxes that offer
// the category table's names, as the entry dialogs do: for income the income categories,
// for expenses the groups and then the chosen group's sub-categories.
class PreviewDelegate : public QStyledItemDelegate
{
public:
    PreviewDelegate(const CategoryTable &categories, QObject *parent)
        : QStyledItemDelegate(parent)
        , Categories_(categories)
    {
    }

    std::function<void()> EditorOpened;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const override
    {
        if (EditorOpened)
            EditorOpened();
        auto *box = new QComboBox(parent);
        box->setObjectName(index.column() == ImportPreviewModel::ColCategory ? u"EditCategory"_s : u"EditPurpose"_s);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->lineEdit()->setMaxLength(LedgerText::MaxLength);
        const bool credit = index.data(ImportPreviewModel::CreditRole).toBool();
        if (index.column() == ImportPreviewModel::ColCategory) {
            if (credit)
                SetIncomeCategoryList(*box, Categories_);
            else
                SetGroupList(*box, Categories_);
        } else if (!credit) {
            // The sub-categories of the row's group, found as the booking dialog finds it.
            QComboBox groups;
            SetGroupList(groups, Categories_);
            const QString category = index.siblingAtColumn(ImportPreviewModel::ColCategory).data().toString();
            SetSubCategoryListForEntry(*box, Categories_, groups.findText(category, Qt::MatchFixedString));
        }
        return box;
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        auto *box = static_cast<QComboBox *>(editor);
        box->setCurrentIndex(-1);
        box->setEditText(index.data(Qt::EditRole).toString());
        box->lineEdit()->selectAll();
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        model->setData(index, static_cast<QComboBox *>(editor)->currentText(), Qt::EditRole);
    }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QColor color = StatusColor(ImportStatus(index.data(ImportPreviewModel::StatusRole).toInt()));
        option->palette.setColor(QPalette::Text, color);
        option->palette.setColor(QPalette::HighlightedText, Qt::white);
    }

private:
    const CategoryTable &Categories_;
};

// The question whether to keep a rule made from a corrected row, with the pattern to edit:
// the counterparty's distinctive word proposed and selected, so that typing replaces it.
// Return keeps the rule, Escape does not; "Ja" waits for a pattern.
class RuleQuestion : public QDialog
{
public:
    RuleQuestion(QWidget *parent, const QString &text, const QString &pattern)
        : QDialog(parent)
    {
        setObjectName(u"RuleQuestion"_s);
        setWindowTitle(u"Bestätigen"_s);
        auto *icon = new QLabel(this);
        icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
        auto *question = new QLabel(text, this);
        question->setObjectName(u"LabelQuestion"_s);
        question->setWordWrap(true);
        question->setMinimumWidth(380);
        auto *label = new QLabel(u"&Muster:"_s, this);
        Edit = new QLineEdit(pattern, this);
        Edit->setObjectName(u"EditPattern"_s);
        label->setBuddy(Edit);
        auto *buttons = new QDialogButtonBox(this);
        QPushButton *yes = buttons->addButton(u"&Ja"_s, QDialogButtonBox::YesRole);
        buttons->addButton(u"&Nein"_s, QDialogButtonBox::NoRole);
        yes->setDefault(true);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(Edit, &QLineEdit::textChanged, yes,
                [yes](const QString &typed) { yes->setEnabled(!typed.trimmed().isEmpty()); });

        auto *grid = new QGridLayout(this);
        grid->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
        grid->addWidget(question, 0, 1, 1, 2);
        grid->addWidget(label, 1, 1);
        grid->addWidget(Edit, 1, 2);
        grid->addWidget(buttons, 2, 1, 1, 2);
        grid->setColumnStretch(2, 1);
        Edit->selectAll();
        Edit->setFocus(Qt::OtherFocusReason);
    }

    QString Pattern() const { return Edit->text().trimmed(); }

protected:
    void showEvent(QShowEvent *event) override
    {
        QDialog::showEvent(event);
        if (QWidget *over = parentWidget() ? parentWidget()->window() : nullptr; over && over->isVisible())
            move(CentredOver(over, size()));
    }

private:
    QLineEdit *Edit = nullptr;
};

// The table, telling whether a cell's editor is open.
class PreviewTable : public QTableView
{
public:
    using QTableView::QTableView;
    bool Editing() const { return state() == EditingState; }
};

struct ColumnEntry
{
    int Column;
    int Width;
};

// The table's columns, one line each: column and width.
const ColumnEntry Columns[] = {
    {ImportPreviewModel::ColTick, 24},      {ImportPreviewModel::ColDate, 74},
    {ImportPreviewModel::ColKind, 64},      {ImportPreviewModel::ColAmount, 80},
    {ImportPreviewModel::ColCategory, 130}, {ImportPreviewModel::ColPurpose, 170},
    {ImportPreviewModel::ColCounterparty, 170}, {ImportPreviewModel::ColBankText, 180},
    {ImportPreviewModel::ColStatus, 86},
};

} // namespace

void ShowHeaderInListColours(QTableView *table)
{
    table->horizontalHeader()->setStyleSheet(
        u"QHeaderView::section { background: rgb(253, 232, 147); border: 0; border-right: 1px solid white;"
        u" padding-left: 4px; }"_s);
}

TFormImport::TFormImport(const DialogServices &services, const BookManager &books, QWidget *parent)
    : TDialogFrame(parent, u"FormImport"_s, u"Kontoauszug importieren"_s, {1000, 600})
    , Services(services)
    , Books_(books)
{
    Model_ = new ImportPreviewModel(this);

    LabelSource = new QLabel(this);
    LabelSource->setObjectName(u"LabelSource"_s);
    LabelSource->setGeometry(8, 8, 984, 32);
    LabelSource->setWordWrap(true);
    QFont sourceFont = font();
    sourceFont.setBold(true);
    LabelSource->setFont(sourceFont);

    TableView = new PreviewTable(this);
    TableView->setObjectName(u"TableView"_s);
    TableView->setGeometry(8, 44, 984, 482);
    TableView->setModel(Model_);
    auto *delegate = new PreviewDelegate(Services.Categories, TableView);
    TableView->setItemDelegate(delegate);
    TableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    TableView->setSelectionMode(QAbstractItemView::SingleSelection);
    TableView->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::DoubleClicked);
    TableView->setTabKeyNavigation(false);
    TableView->setWordWrap(false);
    TableView->verticalHeader()->hide();
    TableView->verticalHeader()->setDefaultSectionSize(20);
    TableView->horizontalHeader()->setHighlightSections(false);
    TableView->horizontalHeader()->setStretchLastSection(true);
    ShowHeaderInListColours(TableView);
    for (const ColumnEntry &c : Columns)
        TableView->setColumnWidth(c.Column, c.Width);
    TableView->installEventFilter(this);

    LabelSummary = new QLabel(this);
    LabelSummary->setObjectName(u"LabelSummary"_s);
    LabelSummary->setGeometry(8, 530, 984, 22);
    LabelSummary->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    QWidget *bar = AddButtonBar();
    btnHelp = AddHelpButton(bar);
    btnImport = AddBarButton(bar, "btnImport", {38, 10, 110, 24}, u"Importieren"_s);
    btnImport->SetDefault(true);
    btnImport->setToolTip(u"Importieren (Eingabetaste)"_s);
    btnRules = AddBarButton(bar, "btnRules", {154, 10, 110, 24}, u"Regeln…"_s);
    btnRules->SetHotKey(TSkinHotKey::QBAlt_R);
    btnRules->setToolTip(u"Regeln (Alt+R)"_s);
    btnCancel = AddBarButton(bar, "btnCancel", {270, 10, 110, 24}, u"Abbrechen"_s);
    btnCancel->SetCancel(true);

    // While a cell's editor is open, Return and Escape are its own: they take or drop the
    // text there. A button answering them would take the focus, and the editor would keep
    // its text on losing it. They answer again after the key that closed the editor.
    delegate->EditorOpened = [this] {
        btnImport->SetDefault(false);
        btnCancel->SetCancel(false);
    };
    connect(delegate, &QAbstractItemDelegate::closeEditor, this, [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                btnImport->SetDefault(true);
                btnCancel->SetCancel(true);
                // The editor took the focus with it; the arrows go on in the table.
                if (!focusWidget() || !focusWidget()->isVisible())
                    TableView->setFocus(Qt::OtherFocusReason);
            },
            Qt::QueuedConnection);
    });

    connect(Model_, &ImportPreviewModel::SummaryChanged, this, &TFormImport::ShowSummary);
    connect(Model_, &ImportPreviewModel::CategoryEdited, this,
            [this](int row) {
                // Once the editor is closed, not while the table still commits its text.
                QMetaObject::invokeMethod(this, [this, row] { OfferRule(row); }, Qt::QueuedConnection);
            });
    connect(btnImport, &TOrvoSkinButton::Clicked, this, &TFormImport::btnImportClick);
    connect(btnRules, &TOrvoSkinButton::Clicked, this, &TFormImport::btnRulesClick);
    connect(btnCancel, &TOrvoSkinButton::Clicked, this, &TFormImport::btnCancelClick);
    connect(btnHelp, &TOrvoSkinButton::Clicked, this, &TFormImport::btnHelpClick);
}

void TFormImport::SetSource(const QString &fileName, const Statement &statement)
{
    QString text = u"Kontoauszug "_s + Quoted(fileName);
    if (!statement.Format.isEmpty())
        text += u" · "_s + statement.Format;
    if (!statement.Account.isEmpty())
        text += u" · Konto "_s + statement.Account;
    LabelSource->setText(text);
    Skipped_ = SkippedSummary(statement);
}

void TFormImport::FormShow()
{
    CentreOnScreen();
    Accepted = false;
    ShowSummary();
    TableView->setFocus(Qt::OtherFocusReason);
    if (Model_->rowCount() > 0) {
        TableView->setCurrentIndex(Model_->index(0, ImportPreviewModel::ColTick));
        TableView->scrollToTop();
    }
}

void TFormImport::ShowSummary()
{
    // A statement over many months names more books than the line holds: cut at its end,
    // whole in the tooltip and for a screen reader.
    QString summary = Model_->Summary();
    if (!Skipped_.isEmpty())
        summary += u" · "_s + Skipped_;
    LabelSummary->setText(LabelSummary->fontMetrics().elidedText(summary, Qt::ElideRight, LabelSummary->width()));
    LabelSummary->setToolTip(summary);
    LabelSummary->setAccessibleName(summary);
    btnImport->SetEnabled(Model_->ChosenCount() > 0);
}

bool TFormImport::Editing() const
{
    return static_cast<const PreviewTable *>(TableView)->Editing();
}

bool TFormImport::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == TableView && event->type() == QEvent::KeyPress && !Editing()) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const QModelIndex current = TableView->currentIndex();
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier && current.isValid()) {
            Model_->ToggleTicked(current.row());
            return true;
        }
        // F2 anywhere in a row edits its category; in the purpose column, the purpose.
        if (key->key() == Qt::Key_F2 && current.isValid() && current.column() != ImportPreviewModel::ColCategory
            && current.column() != ImportPreviewModel::ColPurpose) {
            const QModelIndex category = current.siblingAtColumn(ImportPreviewModel::ColCategory);
            if (Model_->flags(category) & Qt::ItemIsEditable) {
                TableView->setCurrentIndex(category);
                TableView->edit(category);
            }
            return true;
        }
    }
    return TDialogFrame::eventFilter(watched, event);
}

void TFormImport::OfferRule(int row)
{
    if (row < 0 || row >= Model_->Rows().size() || !KeepRule)
        return;
    const ImportCandidate &c = Model_->Rows().at(row);
    const QString counterparty = c.Row.Counterparty.trimmed();
    if (counterparty.isEmpty())
        return;
    ImportRule rule;
    // The chain's name rather than the branch's: next month's other branch matches too.
    rule.Pattern = ProposedRulePattern(counterparty);
    rule.Direction = c.Row.Credit ? RuleDirection::Income : RuleDirection::Expense;
    rule.Category = c.Category;
    // The counterparty's name is what a rule without purpose gives anyway.
    rule.Purpose = c.Purpose == FallbackPurpose(c.Row) ? QString() : c.Purpose;
    if (!CheckRule(rule).isEmpty())
        return;
    const QString kind = c.Row.Credit ? u"Einnahmen"_s : u"Ausgaben"_s;
    Services.Sound.Play();
    RuleQuestion question(this,
                          u"Sollen %1 von %2 künftig immer die Kategorie %3 bekommen?\n\n"
                          u"Die Regel gilt für jede Buchung, deren Gegenseite oder Verwendungszweck das Muster "
                          u"enthält (Groß- und Kleinschreibung egal), so auch für andere Filialen. Sie lässt sich "
                          u"unter „Regeln…“ ändern oder entfernen."_s
                              .arg(kind, Quoted(counterparty), Quoted(c.Category)),
                          rule.Pattern);
    const bool keep = question.exec() == QDialog::Accepted;
    rule.Pattern = question.Pattern();
    if (!keep || !CheckRule(rule).isEmpty()) {
        TableView->setFocus(Qt::OtherFocusReason);
        return;
    }
    KeepRule(rule);
    if (ApplyRules)
        ApplyRules();
    TableView->setFocus(Qt::OtherFocusReason);
}

void TFormImport::btnImportClick()
{
    // Return in a cell's editor takes the text; the import waits for the next one.
    if (Editing() || Model_->ChosenCount() == 0)
        return;
    const QStringList missing = MissingBooks(Books_, Model_->Rows());
    if (!missing.isEmpty()) {
        QStringList names;
        for (const QString &name : missing)
            names.append(Quoted(name));
        const QString text = missing.size() == 1
                                 ? u"Das Haushaltsbuch %1 gibt es noch nicht. Soll es angelegt werden?"_s.arg(names.front())
                                 : u"Die Haushaltsbücher %1 gibt es noch nicht. Sollen sie angelegt werden?"_s.arg(
                                       names.join(u", "_s));
        Services.Sound.Play();
        if (!AskConfirmation(this, text)) {
            TableView->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    Accepted = true;
    accept();
}

void TFormImport::btnRulesClick()
{
    if (Editing())
        return;
    if (EditRules && EditRules() && ApplyRules)
        ApplyRules();
    TableView->setFocus(Qt::OtherFocusReason);
}

void TFormImport::btnCancelClick()
{
    // Escape in a cell's editor drops what was typed there, not the whole preview.
    if (Editing())
        return;
    reject();
}

void TFormImport::btnHelpClick()
{
    Services.Help.HHHelpContext(Services.HelpFile, ImportHelpContext);
}
