#pragma once

#include "ledger/DataLock.h"
#include "ledger/LedgerPaths.h"
#include "statements/Statement.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <optional>
#include <utility>

class BookManager;
class BookingList;
class IdentityIndex;
struct YearOverview;

// haushaltsbuch-cli: the ledger without a window. Reads and changes the same files as the
// program, through the same book manager, one record per output line with tab-separated
// fields. Exit status 0 on success, 1 on an error, 2 on wrong usage.
class Cli
{
public:
    Cli(QTextStream &out, QTextStream &err);

    int Run(const QStringList &arguments);

    static QString Usage();

private:
    int RunCommand(const QString &command, QStringList args);
    int Books();
    int Show(const QString &name);
    int Regular();
    int Categories();
    int New(const QString &name);
    int Add(const QStringList &args);
    int AddRegular(const QStringList &args);
    int Verify();
    int BackupOrRestore(bool backup, const QStringList &args);
    int Backups();
    // Finishes or undoes a backup or restore that a kill interrupted, before any command, and
    // brings the files in line with the change logs (sync; "merge" does that itself).
    void RecoverInterrupted(bool sync);
    // After a command that changed the data (CliBackup.cpp).
    void KeepAutomaticCopy();
    int Analysis(const QString &name);
    int Export(const QStringList &args);
    int ExportRegular(const QString &file);
    int WriteTable(const BookingList &list, const QString &file);
    // Bank statements and the import rules (CliImport.cpp).
    int Import(const QStringList &args);
    struct ImportOptions
    {
        bool DryRun = false;
        bool Lines = false;  // --zeilen: every line of the file with its outcome
        bool GoOn = false;   // --weiter: book a file although some of its lines cannot be read
        std::optional<CsvColumnChoice> Columns; // --spalten
    };
    // The statements of a file (several for a ZIP), each with its name; a CSV of a layout no
    // bank profile knows read with the given columns, the remembered ones or a sure guess.
    // Throws QelError.
    QList<std::pair<QString, Statement>> ReadForImport(const QString &file, const ImportOptions &options);
    // Matches and (unless a dry run) books one statement; throws QelError.
    void ImportStatement(BookManager &books, const QString &file, const QString &name, const Statement &statement,
                         const ImportOptions &options, IdentityIndex &earlierFiles);
    static QString ImportHelp();
    int ImportRules();
    int AddImportRule(const QStringList &args);
    int RemoveImportRule(const QString &number);
    // CliReports.cpp: the year overview and the search over every book.
    int Year(const QString &year);
    int ExportYear(const QString &year, const QString &file);
    std::optional<YearOverview> ReadYear(const QString &year, QStringList &errors);
    int Search(const QString &text);
    // CliHistory.cpp: undo and redo, the trash of removed books.
    int UndoOrRedo(bool undo);
    int Remove(const QString &name);
    int Trash();
    int Untrash(const QString &name);
    // CliSync.cpp: a synced data folder's conflict copies.
    int Merge();
    void NameUnmergedCopies();
    // CliBudget.cpp: budgets per expense category.
    int Budgets();
    // CliDocuments.cpp: documents on bookings.
    int ReadDocument(const QString &file);
    int Attach(const QStringList &args);
    int BookDocument(const QStringList &args);
    // Every document on a booking (one book's, "regular": the regular bookings').
    int ListDocuments(const std::optional<QString> &book);
    int SetBudget(QStringList args);
    int RemoveBudget(QStringList args);
    int ReportBudgets(const QString &name);
    void WarnOverBudget(const QString &book, const QString &category);
    std::optional<int> TakeBudgetMonth(QStringList &args, bool &given);

    bool IsListedBook(const QString &name) const;
    // The amount as the entry dialog takes it, or an empty text after reporting why not.
    QString AcceptAmount(const QString &typed);
    bool AcceptText(const QString &text, const QString &what, bool required);
    // The data folder there and its lock taken; false after reporting why not.
    bool LockForWriting();
    bool TakeLock(); // quietly; false when the program or another command holds the lock
    BookManager MakeManager() const;
    int Fail(const QString &message);
    int UsageError(const QString &message);

    QTextStream &Out_;
    QTextStream &Err_;
    LedgerPaths Paths_;
    DataLock Lock_; // taken by the first command that writes, held until the end
    bool Changed_ = false; // a command wrote books, regular bookings or the import's data
};
