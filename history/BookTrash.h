#pragma once

#include "ledger/LedgerPaths.h"
#include "ledger/Regional.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// A removed month book, as the trash keeps it.
struct TrashedBook
{
    QString Name;      // "März 2026"
    QDateTime Removed; // when it was removed
    QString File;      // its file in the trash
    // The book's own sums as amount texts ("12.5"); empty when its file cannot be read.
    QString Income;
    QString Expend;
};

// The trash of removed month books: a folder of the program data folder (per machine, never in
// the data folder, so no backup or synchronisation brings a removed book back). A book goes in
// byte for byte with its time of last change, and comes back the same way; after KeptDays it is
// gone for good. Each file is named after the moment of removal and the book
// ("2026-12-09 06-30-00-123 März 2026.qel"), so one name can be in the trash more than once.
// Call the changing operations only under the data lock.
class BookTrash
{
public:
    static constexpr int KeptDays = 30;

    explicit BookTrash(const LedgerPaths &paths);

    // Moves the book's file from the data folder into the trash: the copy is on the disk before
    // the original goes. Throws QelError; on failure the book stays where it was.
    TrashedBook Put(const QString &bookName, const QDateTime &now);
    // Where a book removed now would lie in the trash (a name not yet taken), for a removal
    // made together with other changes in one step.
    QString NewFile(const QString &bookName, const QDateTime &now) const;

    // The books in the trash that are not yet expired nor back in the data folder, newest
    // removal first.
    QList<TrashedBook> List(const QDateTime &now) const;
    // The newest removal of that name, if any.
    std::optional<TrashedBook> Find(const QString &bookName, const QDateTime &now) const;
    // Brings a book back into the data folder, byte for byte, and takes it out of the trash.
    // Refused (QelError) while the data folder holds a book of that name.
    void Restore(const TrashedBook &book);
    // Takes a book out of the trash for good (it came back through the change logs).
    void Discard(const TrashedBook &book);
    // Removes the expired books and what a killed move left; how many books. Only under the
    // data lock.
    int RemoveExpired(const QDateTime &now);

    static QString NotInTrashMessage(const QString &bookName);

private:
    std::optional<TrashedBook> FromFileName(const QString &fileName) const;
    QList<TrashedBook> All() const;
    static bool Expired(const TrashedBook &book, const QDateTime &now);
    // The book is in the data folder again, byte for byte: the copy here has done its work.
    bool CameBack(const TrashedBook &book) const;

    QString Folder_;
    QString DataFolder_;
};

// A trashed book's sums as the book list shows them ("12,50 €").
QString TrashedAmountText(const QString &amount, const Regional &regional);
