#pragma once

#include <QDialog>

class BookManager;
class QPushButton;
class QTreeWidget;

// "Papierkorb" of the book manager: the removed books of the last 30 days, and a book brought
// back (Return or Alt+Z on its row) into the book list.
class TTrashDialog : public QDialog
{
    Q_OBJECT

public:
    TTrashDialog(BookManager &books, QWidget *parent = nullptr);

    // Whether a book came back while the dialog was open.
    bool Restored() const { return Restored_; }

private:
    void Fill();
    void RestoreSelected();

    BookManager &Books_;
    QTreeWidget *ListTrash = nullptr;
    QPushButton *btnUntrash = nullptr;
    bool Restored_ = false;
};
