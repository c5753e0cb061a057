#pragma once

#include "budget/BudgetFile.h"
#include "changes/ChangeStore.h"
#include "changes/ListChanges.h"
#include "sync/FolderReconciler.h"
#include "sync/ReconcileMark.h"
#include "history/BookTrash.h"
#include "history/HistorySteps.h"
#include "ledger/BookSums.h"
#include "ledger/BookingList.h"
#include "ledger/LedgerPaths.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"
#include "ledger/Regional.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <future>
#include <memory>
#include <optional>

// The ledger state and the file side of the book manager: the four lists (income and
// expenses of the open month book, regular bookings, the book list), which book is open,
// whether anything is unsaved, and every read and write of the list files.
//
// With a program data folder the ledger lives in the change logs of the data folder
// (ChangeStore): the lists are read from the logs' state, every save is an entry of this
// computer's log, and the list files follow from the logs (BookLedger.cpp). Without one (tests of
// the file side alone) the lists are read from and written to their files directly.
//
// Errors throw QelError with the user's message and end the operation at the failing
// step; the steps before it have taken effect.
class BookManager
{
public:
    // ReadOnly: for looking only, without holding the data folder's lock: the lists come from
    // their files, the change logs are read but never written, nothing is saved.
    enum class Access { Write, ReadOnly };
    BookManager(LedgerPaths paths, Regional regional, Access access = Access::Write);

    const LedgerPaths &Paths() const { return Paths_; }
    const Regional &RegionalSettings() const { return Regional_; }

    BookingList &Income() { return Income_; }
    BookingList &Expend() { return Expend_; }
    BookingList &Regular() { return Regular_; }
    BookingList &Books() { return Books_; }
    const BookingList &Income() const { return Income_; }
    const BookingList &Expend() const { return Expend_; }
    const BookingList &Regular() const { return Regular_; }
    const BookingList &Books() const { return Books_; }

    // The open month book's name; empty when none is open.
    const QString &CurrentBook() const { return CurrentBook_; }
    void SetCurrentBook(const QString &name) { CurrentBook_ = name; }
    bool BookChanged() const { return BookChanged_; }
    void SetBookChanged(bool changed) { BookChanged_ = changed; }
    bool RegularChanged() const { return RegularChanged_; }
    void SetRegularChanged(bool changed) { RegularChanged_ = changed; }

    // Fills the book list from the month book files of the data folder, reading each once
    // for its totals, and sorts it by book key. A file that cannot be read keeps its row
    // with empty totals and the scan goes on; the messages of such files are returned,
    // and those of book files whose names cannot be read as UTF-8.
    QStringList ScanBooks();
    // Saves pending changes, reads the row's book and Regular.dat, sets the row's totals.
    // A Regular.dat that could not be read before is not read again: the regular list keeps
    // what was read of it. When it fails now, the row still gets its totals.
    void LoadBookTotals(qsizetype row);
    // Saves and refreshes the open book's row when anything changed, then every other row's
    // totals with the regular bookings as they stand now.
    void RefreshCurrentBook();
    // Every row's totals from the book's own sums, as last read, and the regular list; the
    // books are not read again. Rows of books that could not be read keep empty totals.
    void RefreshTotals();
    void OpenCurrentBook();
    void SaveCurrentBook();
    void LoadRegular();
    void SaveRegular();
    // Saves what a dialog just changed in the list (the open book's income or expenses, or the
    // regular bookings) and brings the book list's totals in line. A failed save keeps the
    // change flagged, so the next save tries again.
    void SaveChange(const BookingList &list);
    // Whether any list file was written or a book removed since start: then the run's end
    // keeps an automatic backup.
    bool FilesChanged() const { return FilesChanged_; }
    // A manager that only looks (Access::ReadOnly) refuses every write with this message.
    static QString LookOnlyMessage();

    // The file side of "create": the book's row, its file written at once with two empty
    // lists, and the book open. Throws the duplicate message when the name is listed or its
    // file exists; that file is left as it is.
    qsizetype CreateBook(const QString &name, const QDateTime &now);
    // The file side of "open": saves the changed book, then opens the row's book.
    void OpenBook(qsizetype row);
    // Deletes the row's file, then its row; deleting the open book closes it unsaved. With a
    // program data folder the file goes into the trash (BookTrash) instead.
    void DeleteBook(qsizetype row);
    // Brings a book back from the trash (a step of its own with the change logs) and lists it
    // with its totals; its row. Refused while a book of that name exists.
    qsizetype RestoreFromTrash(const TrashedBook &book);
    // Takes the book's row out of the list (closing it when open); its file is left alone.
    void ForgetBook(const QString &name);
    // Deletes an empty book's file outright (nothing worth the trash) and forgets its row.
    void DiscardBook(const QString &name);

    // The change logs, read and made at first use (with a program data folder only).
    bool HasLogs() const { return !Paths_.ProgramDataFolder.isEmpty() && !ReadOnly_; }
    // Which statement rows the logs count as booked, also for a manager that only reads.
    IdentityIndex BookedRows();
    ChangeStore &Changes();
    // Whether the logs were read: not while the files say all they would and nothing changed.
    bool LogsRead() const { return Store_ != nullptr; }
    // When the lists came from their files: the logs are read on a thread of their own meanwhile,
    // so that the first change need not wait for them (the window calls it once it shows).
    void PrepareLogs();

    // Reads what the logs gained, takes in what the files hold that no entry explains (a hand
    // edit, a conflict copy) and brings the files in line with the logs; the open book and the
    // regular bookings follow when nothing of them is unsaved. The book list is left to the scan.
    struct SyncOutcome
    {
        QStringList Notes;    // what was taken in or changed on two computers at once, for the user
        QStringList Arrivals; // "Vom Rechner „rechner-b“ kamen 3 Änderungen."
        QStringList Errors;
        int Arrived = 0;    // entries of other computers
        QList<FolderReconciler::MovedCopy> Copies;
        bool OpenBookChanged = false;
        bool RegularChanged = false;
    };
    SyncOutcome Sync();
    // What the last scan's Sync had to say (taken once).
    QStringList TakeNotes();
    // Appends to the entry the ops that make the book's lists as read (ReadBook) into the lists
    // given; the book made when it does not exist. next counts the entry's new bookings.
    void BookChanges(const QString &book, const BookingList &income, const BookingList &expend, ChangeEntry &entry,
                     qsizetype &next);

    // Makes a change: the entry appended to this computer's log, the files it touches written,
    // the open book, the regular bookings, the book list and its totals following. Throws
    // QelError when the entry cannot be written (nothing changed then), or when a file could not
    // follow (the change is made; the next start writes the file).
    // fileTimeNs: the time of last change the files get (nanoseconds since 1970); 0: now.
    const ChangeEntry &Commit(ChangeEntry entry, const QDateTime &now = QDateTime::currentDateTime(),
                              qint64 fileTimeNs = 0);
    // Saves the budgets as given (a step, with the change logs; text names it for undo).
    void SaveBudgets(const BudgetList &before, const BudgetList &after, const QString &text);

    // Documents on bookings (BookDocuments.cpp). A booking of the regular list has an empty Book.
    struct BookingDocument
    {
        QString Book;
        ListKind List = ListKind::Expend;
        ListRow Row;
        QByteArray Document; // the stored name (DocumentStore)
        QString Name;        // the file's name as it was put on
    };
    // Every document on a live booking, the regular bookings first, then book by book; only
    // one book's (the regular list's for an empty name) when given.
    QList<BookingDocument> Documents(const std::optional<QString> &book);
    QList<BookingDocument> DocumentsOf(const QByteArray &booking);
    struct AttachOutcome
    {
        QString StoredName;
        bool FileWasThere = false;    // the same content was kept already
        bool AlreadyOnBooking = false; // nothing changed
    };
    // Puts the file on the booking: copied into the store, then a step that undo takes back.
    // Throws QelError (nothing changed) when the booking is gone or the file cannot be kept.
    AttachOutcome AttachDocument(const QByteArray &booking, const QString &path);
    // Books the row into the book's list (the book made when missing) with the file on it, as
    // one step; returns the step's text.
    QString BookWithDocument(const QString &book, ListKind list, ListRow row, const QString &path);
    // "Ausgabe 03.03.2026 12.50 „Edeka“ in März 2026"
    QString BookingText(const BookingContent &content) const;

    // The statement import's access to any month book, open or not. ReadBook gives its
    // bookings as they stand: the open book's lists, else its file (two empty lists with the
    // standard columns when there is none); a file that cannot be read throws and is left
    // alone. StoreBook writes the given lists as the book's file (also over the open book's
    // lists, which then hold them), lists a book that was not listed, and sets its totals;
    // true when it listed it.
    void ReadBook(const QString &name, BookingList &income, BookingList &expend) const;
    bool StoreBook(const QString &name, const BookingList &income, const BookingList &expend, const QDateTime &now);

    // The first row whose name is exactly the given one, or -1.
    qsizetype FindBook(const QString &name) const;
    // Whether the data folder holds a file for a book of that name, listed or not.
    bool BookFileExists(const QString &name) const;

    // A booking change as the panels make it: the list is sorted afterwards and its
    // changed flag set. Returns the row's index after sorting.
    qsizetype AddBooking(BookingList &list, ListRow row);
    // Rewrites a row's caption and its first sub-items in place (the rest of the row stays),
    // then sorts and flags the change, also when nothing differs.
    void EditBooking(BookingList &list, qsizetype row, const QString &caption, const QStringList &subItems);
    void RemoveBooking(BookingList &list, qsizetype row);

    QString IncomeTotalLabel() const;   // "Gesamteinnahmen: 12.50 €"
    QString ExpendTotalLabel() const;   // "Gesamtausgaben: 7.00 €"
    QString RegularSummaryLabel() const; // "Einnahmen: … €          Ausgaben: … €"

private:
    // Each listed book's own income and expense sums (ListSum) as last read, by name.
    struct OwnSums
    {
        QString Income;
        QString Expend;
    };
    // What the scan carries from book to book.
    struct ScanState
    {
        bool RegularRead = false;             // Regular.dat was read in this scan
        std::optional<OwnSums> RegularSums;   // RegularIncomeSum and RegularExpenseSum as they stand
        ComponentStream::KnownRecords Records; // the books' records are mostly alike
    };

    // LoadBookTotals, with a failure to read Regular.dat handed back instead of thrown.
    std::optional<QelError> LoadTotals(qsizetype row);
    // The same totals and state for the scan, without filling the income and expense lists,
    // and with Regular.dat read only for the first book that gets that far.
    // read: the book read for its sums (BookSums::Read).
    std::optional<QelError> ScanTotals(qsizetype row, const BookSums::Outcome &read, ScanState &state);
    // Regular.dat read into the emptied regular list; its failure handed back.
    std::optional<QelError> ReadRegularAgain();
    // The sums of a book read for them as amount texts, with the read's mark on the file kept as
    // ReadMonthBookFile keeps it; a failure is thrown as ReadMonthBookFile throws it.
    OwnSums TakeSums(const QString &path, const BookSums::Outcome &read);
    void SetTotals(qsizetype row, const QString &incomeSum, const QString &expendSum);
    void SortAndFlag(BookingList &list);
    // A booking change of one of the three lists, remembered until its list is saved.
    void NoteChange(const BookingList &list, std::optional<ListRow> before, std::optional<ListRow> after);
    // The step's text of the pending changes of a list, which go with it.
    QString TakePendingText(bool regular);
    // BookLedger.cpp: the logs' side of reading and saving.
    void ReadFromLogs(const QString &book, BookingList &income, BookingList &expend) const;
    void OpenFromLogs();
    void SaveToLogs(const QString &book);
    SyncOutcome SyncNow();
    // Makes the change store; lists read from their files get their bookings.
    void OpenStore();
    // Whether the logs need not be read yet: none read so far, and the files say all they would
    // (ReconcileMark::FilesSayAll, the logs' sizes then). The lists are then read from their
    // files, without bookings.
    std::optional<LogFolder::Sizes> FilesSayAll() const;
    // Notes whether a list was read from its file, and at which sizes of the logs.
    void ReadFromFileAt(const std::optional<LogFolder::Sizes> &saidAll, bool &fromFile);
    // The lists read from their files get their bookings from the logs (Changes() calls it).
    void BindFileLists();
    // Before a list changes: its rows need their bookings, so the logs are read now.
    void BeforeEdit();
    void StoreToLogs(const QString &name, const BookingList &income, const BookingList &expend);
    void CreateInLogs(const QString &name, const QDateTime &now);
    void RemoveInLogs(const QString &name);
    void RestoreInLogs(const TrashedBook &book);
    // The lists, totals and book rows as the state makes them after an entry touched the files.
    // A book's two lists as an entry left them, made once for its file and its panels.
    struct MadeLists
    {
        QString Book;
        BookingList Income{ListKind::Income};
        BookingList Expend{ListKind::Expend};
    };
    void FollowState(const QStringList &files, const QDateTime &now, MadeLists *made = nullptr);
    static QString ListKey(const QString &book, ListKind list);
    void ReadMonthBookFile(const QString &path);
    void ReadRegularFile(const QString &path);
    QByteArray ReadListFile(const QString &path);
    void WriteListFile(const QString &path, const QByteArray &bytes);
    // The halves of a write: whether the file may be replaced (throwing as a save would), and
    // what a save notes once the file holds the bytes.
    void PrepareListFile(const QString &path);
    void ListFileWritten(const QString &path, const QByteArray &bytes);
    // Rethrows a parse error with a note that the damaged file will be kept.
    [[noreturn]] void RememberDamaged(const QString &path, const QString &message);
    QString KeptNameFor(const QString &path) const;
    QString TotalFor(const QString &bookSum, const QString &regularSum) const;

    LedgerPaths Paths_;
    Regional Regional_;
    BookingList Income_{ListKind::Income};
    BookingList Expend_{ListKind::Expend};
    BookingList Regular_{ListKind::Regular};
    BookingList Books_{ListKind::Books};
    QString CurrentBook_;
    bool BookChanged_ = false;
    bool RegularChanged_ = false;
    bool FilesChanged_ = false;
    bool ReadOnly_ = false;
    // The last read of Regular.dat failed, and nothing has been saved over it since.
    bool RegularUnreadable_ = false;
    QHash<QString, OwnSums> OwnSums_;
    QList<BookingChange> Pending_;
    std::unique_ptr<ChangeStore> Store_;
    QStringList Notes_;
    // The lists of the open book and the regular bookings as read from the logs, for the next
    // save to compare with.
    ListChanges::Reference ReadIncome_;
    ListChanges::Reference ReadExpend_;
    ListChanges::Reference ReadRegular_;
    QString ReadListsOf_; // the book whose lists ReadIncome_ and ReadExpend_ are
    QStringList FirstErrors_; // what the first reading of the logs could not do
    QList<FolderReconciler::MovedCopy> FirstCopies_;
    bool FreshlySynced_ = false; // the logs were read and the files brought in line just now
    // The regular list, the income and expense lists were read from their files without the logs.
    bool RegularFromFile_ = false;
    bool ListsFromFile_ = false;
    LogFolder::Sizes FileListsAt_; // the logs' sizes when they were
    ReconcileMark::Marker Marker_;  // the folder marked in line after each change
    // The files the last change wrote, by their bytes: as they are still so, they need no hash
    // to be known as this program's.
    QHash<QString, QByteArray> LastWritten_;
    std::future<std::unique_ptr<ChangeStore>> Preparing_; // PrepareLogs
    // The booking each list selects once a save's entry is made (new rows get their ids then).
    QHash<ListKind, QByteArray> SelectAfter_;
    // Conflicts already told of, by booking id.
    QSet<QByteArray> ToldConflicts_;
    // Files that failed to parse: a copy of the original is kept before it is replaced.
    QHash<QString, QString> Damaged_;
    // Existing files whose list holds nothing of them, because they could not be opened or
    // (Regular.dat) were not read yet: a save over them is refused.
    QSet<QString> NotRead_;
};

// A name as the new-book dialog makes it: a German month name, one blank, four digits.
bool IsValidBookName(const QString &name);
