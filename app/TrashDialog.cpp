#include "app/TrashDialog.h"

#include "controls/MessageBoxes.h"
#include "history/BookTrash.h"
#include "books/BookManager.h"
#include "ledger/FuncUnit.h"
#include "ledger/QelError.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int FileRole = Qt::UserRole;

} // namespace

TTrashDialog::TTrashDialog(BookManager &books, QWidget *parent)
    : QDialog(parent)
    , Books_(books)
{
    setObjectName(u"FormTrash"_s);
    setWindowTitle(u"Papierkorb"_s);
    resize(520, 320);
    auto *intro = new QLabel(u"Entfernte Haushaltsbücher bleiben %1 Tage im Papierkorb. Zurückgeholt ist ein Buch "
                             u"wieder so, wie es entfernt wurde."_s.arg(BookTrash::KeptDays),
                             this);
    intro->setWordWrap(true);
    ListTrash = new QTreeWidget(this);
    ListTrash->setObjectName(u"ListTrash"_s);
    ListTrash->setRootIsDecorated(false);
    ListTrash->setHeaderLabels({u"Name"_s, u"entfernt am"_s, u"Einnahmen"_s, u"Ausgaben"_s});
    ListTrash->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    btnUntrash = new QPushButton(u"&Zurückholen"_s, this);
    btnUntrash->setObjectName(u"btnUntrash"_s);
    btnUntrash->setAutoDefault(false);
    auto *close = new QPushButton(u"Schließen"_s, this);
    close->setObjectName(u"btnClose"_s);
    close->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnUntrash);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(ListTrash);
    layout->addLayout(buttons);

    connect(btnUntrash, &QPushButton::clicked, this, &TTrashDialog::RestoreSelected);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(ListTrash, &QTreeWidget::itemActivated, this, &TTrashDialog::RestoreSelected);
    connect(ListTrash, &QTreeWidget::currentItemChanged, this,
            [this] { btnUntrash->setEnabled(ListTrash->currentItem() != nullptr); });
    Fill();
}

void TTrashDialog::Fill()
{
    ListTrash->clear();
    const Regional &regional = Books_.RegionalSettings();
    for (const TrashedBook &book : BookTrash(Books_.Paths()).List(QDateTime::currentDateTime())) {
        auto *item = new QTreeWidgetItem(
            ListTrash, {book.Name, regional.DateText(book.Removed.date()) + u' ' + regional.TimeText(book.Removed.time()),
                        TrashedAmountText(book.Income, regional), TrashedAmountText(book.Expend, regional)});
        item->setData(0, FileRole, book.File);
        item->setTextAlignment(2, Qt::AlignRight);
        item->setTextAlignment(3, Qt::AlignRight);
    }
    if (ListTrash->topLevelItemCount() > 0)
        ListTrash->setCurrentItem(ListTrash->topLevelItem(0));
    btnUntrash->setEnabled(ListTrash->currentItem() != nullptr);
    ListTrash->setFocus();
}

void TTrashDialog::RestoreSelected()
{
    const QTreeWidgetItem *item = ListTrash->currentItem();
    if (item == nullptr)
        return;
    const QString name = item->text(0);
    for (const TrashedBook &book : BookTrash(Books_.Paths()).List(QDateTime::currentDateTime())) {
        if (book.File != item->data(0, FileRole).toString())
            continue;
        try {
            Books_.RestoreFromTrash(book);
            Restored_ = true;
        } catch (const QelError &error) {
            ShowInformation(this, error.Message());
        }
        break;
    }
    Fill();
}
