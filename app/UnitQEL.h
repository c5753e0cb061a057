#pragma once

#include <QWidget>

class BookManager;

// The main window. Data flow:
//   files <-> BookManager (ledger state, four lists) <-> panels and dialogs
// The window owns nothing of the ledger; it is handed the book manager and shows it.
class TFormQEL : public QWidget
{
    Q_OBJECT

public:
    explicit TFormQEL(BookManager &books, QWidget *parent = nullptr);

private:
    BookManager &Books_;
};
