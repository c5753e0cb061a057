#pragma once

#include "dialogs/DialogFrame.h"
#include "statements/Statement.h"

#include <QObject>
#include <QString>

class BookManager;
class TFormCsvColumns;
class TFormImport;
class TFormImportRules;

// The way of a statement file into the month books in the window: picked with Qt's file
// dialog or dropped onto the main window, read, its CSV columns asked for when the layout
// is unknown, shown in the preview, booked through the main window's book manager, and a
// message that says how many bookings went into which books.
class TImportFlow : public QObject
{
    Q_OBJECT

public:
    TImportFlow(const DialogServices &services, BookManager &books, QWidget *window);

    // "Kontoauszug importieren": the file dialog, then Import.
    void ChooseAndImport();
    // Reads, previews and books one statement file; errors are shown, never thrown.
    void Import(const QString &path);

signals:
    // Bookings went into books: the window shows its lists and totals anew.
    void BooksChanged();

protected:
    // Files dropped onto the window.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool EditRules();
    // Shows one statement in the preview and books what the user takes; false when cancelled.
    bool PreviewAndBook(const QString &path, const QString &name, const Statement &statement);
    TFormImport &Preview();
    TFormImportRules &RulesDialog();
    TFormCsvColumns &ColumnsDialog();

    const DialogServices Services;
    BookManager &Books_;
    QWidget *Window_;
    QString Folder_; // where the file dialog opens
    TFormImport *FormImport_ = nullptr;
    TFormImportRules *FormRules_ = nullptr;
    TFormCsvColumns *FormCsvColumns_ = nullptr;
};
