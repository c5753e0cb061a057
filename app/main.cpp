#include "app/UnitQEL.h"
#include "ledger/BookManager.h"
#include "ledger/CategoryTable.h"
#include "ledger/InstanceLock.h"
#include "ledger/QelError.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvo Haushaltsbuch"));
    const QString title = QStringLiteral("Orvo Haushaltsbuch");

    InstanceLock lock;
    if (!lock.TryLock()) {
        QMessageBox::information(nullptr, title, QStringLiteral("Das Programm wurde bereits gestartet!"));
        return 0;
    }

    const LedgerPaths paths = LedgerPaths::Standard(QApplication::applicationDirPath());
    try {
        paths.CreateFolders();
    } catch (const QelError &error) {
        QApplication::beep();
        QMessageBox::critical(nullptr, QStringLiteral("Fehler"), error.Message());
        return 1;
    }

    BookManager books(paths, Regional());
    CategoryTable categories;
    QStringList errors;
    try {
        categories.LoadCategoryTable(paths.CategoryFile());
        books.LoadRegular();
        errors = books.ScanBooks();
    } catch (const QelError &error) {
        errors.append(error.Message());
    }

    TFormQEL window(books);
    window.show();
    for (const QString &message : errors)
        QMessageBox::critical(&window, title, message);
    return app.exec();
}
