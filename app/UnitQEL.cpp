#include "app/UnitQEL.h"

#include "ledger/BookManager.h"

TFormQEL::TFormQEL(BookManager &books, QWidget *parent)
    : QWidget(parent)
    , Books_(books)
{
    setWindowTitle(QStringLiteral("Orvo Haushaltsbuch"));
    setFixedSize(792, 566);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0, 128, 192));
    setPalette(pal);
    setAutoFillBackground(true);
}
