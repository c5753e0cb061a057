#include "history/BookTrash.h"

#include "ledger/FuncUnit.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString StampFormat = u"yyyy-MM-dd HH-mm-ss-zzz"_s;
constexpr qsizetype StampLength = 23;

// The file keeps the time of its last change: the book list shows it, before and after.
void SetModified(const QString &path, const QDateTime &modified)
{
    QFile file(path);
    if (modified.isValid() && file.open(QIODevice::ReadWrite))
        file.setFileTime(modified, QFileDevice::FileModificationTime);
}

} // namespace

BookTrash::BookTrash(const LedgerPaths &paths)
    : Folder_(paths.TrashFolder())
    , DataFolder_(paths.DataFolder)
{
}

TrashedBook BookTrash::Put(const QString &bookName, const QDateTime &now)
{
    const QString source = DataFolder_ + bookName + u".qel"_s;
    std::optional<qint64> modifiedSecs;
    const QByteArray bytes = ListFiles::ReadFile(source, modifiedSecs);
    if (!QDir().mkpath(Folder_)) {
        throw QelError(u"Der Papierkorb \"%1\" konnte nicht angelegt werden. Das Haushaltsbuch \"%2\" wurde nicht "
                       u"entfernt."_s.arg(QDir::toNativeSeparators(Folder_), bookName));
    }
    const QString target = NewFile(bookName, now);
    ListFiles::WriteFile(target, bytes);
    if (modifiedSecs)
        SetModified(target, QDateTime::fromSecsSinceEpoch(*modifiedSecs));
    // Only with the copy on the disk does the book leave the data folder.
    QFile original(source);
    if (!original.remove()) {
        const QString reason = original.errorString();
        QFile::remove(target);
        throw QelError(u"Das Haushaltsbuch \"%1\" konnte nicht entfernt werden. %2"_s.arg(bookName, reason));
    }
    ListFiles::SyncFolder(QFile::encodeName(DataFolder_));
    return *FromFileName(QFileInfo(target).fileName());
}

QString BookTrash::NewFile(const QString &bookName, const QDateTime &now) const
{
    QDateTime when = now;
    QString target;
    do {
        target = Folder_ + when.toString(StampFormat) + u' ' + bookName + u".qel"_s;
        when = when.addMSecs(1);
    } while (QFileInfo::exists(target));
    return target;
}

std::optional<TrashedBook> BookTrash::FromFileName(const QString &fileName) const
{
    // The stamp, one blank, at least one character of the name, ".qel".
    if (fileName.size() < StampLength + 6 || fileName.at(StampLength) != u' ' || !fileName.endsWith(u".qel"_s))
        return std::nullopt;
    const QDateTime removed = QDateTime::fromString(fileName.left(StampLength), StampFormat);
    if (!removed.isValid())
        return std::nullopt;
    TrashedBook book;
    book.Name = fileName.mid(StampLength + 1).chopped(4);
    book.Removed = removed;
    book.File = Folder_ + fileName;
    return book;
}

QList<TrashedBook> BookTrash::All() const
{
    QList<TrashedBook> books;
    // Hidden names are the atomic writer's unfinished files.
    const QStringList files = QDir(Folder_).entryList({u"*.qel"_s}, QDir::Files, QDir::Name | QDir::Reversed);
    for (const QString &file : files) {
        if (std::optional<TrashedBook> book = FromFileName(file))
            books.append(std::move(*book));
    }
    return books;
}

bool BookTrash::CameBack(const TrashedBook &book) const
{
    // Brought back through the change logs (an undo killed before it took the copy out).
    const QString file = DataFolder_ + book.Name + u".qel"_s;
    if (!QFileInfo(file).isFile())
        return false;
    try {
        return ListFiles::ReadFile(file) == ListFiles::ReadFile(book.File);
    } catch (const QelError &) {
        return false;
    }
}

bool BookTrash::Expired(const TrashedBook &book, const QDateTime &now)
{
    return book.Removed.addDays(KeptDays) <= now;
}

QList<TrashedBook> BookTrash::List(const QDateTime &now) const
{
    QList<TrashedBook> books = All();
    books.removeIf([&](const TrashedBook &book) { return Expired(book, now) || CameBack(book); });
    for (TrashedBook &book : books) {
        try {
            const ListFiles::MonthBookSums sums = ListFiles::SumMonthBook(ListFiles::ReadFile(book.File));
            book.Income = FormatAmount(sums.Income);
            book.Expend = FormatAmount(sums.Expend);
        } catch (const QelError &) {
            // Listed all the same: it comes back as it went, damaged or not.
        }
    }
    return books;
}

std::optional<TrashedBook> BookTrash::Find(const QString &bookName, const QDateTime &now) const
{
    const QList<TrashedBook> books = List(now);
    const auto found =
        std::find_if(books.cbegin(), books.cend(), [&](const TrashedBook &book) { return book.Name == bookName; });
    if (found == books.cend())
        return std::nullopt;
    return *found;
}

void BookTrash::Restore(const TrashedBook &book)
{
    const QString target = DataFolder_ + book.Name + u".qel"_s;
    if (QFileInfo::exists(target))
        throw QelError(DuplicateBookMessage(book.Name) + u" Das entfernte Buch bleibt im Papierkorb."_s);
    std::optional<qint64> modifiedSecs;
    const QByteArray bytes = ListFiles::ReadFile(book.File, modifiedSecs);
    ListFiles::WriteFile(target, bytes);
    if (modifiedSecs)
        SetModified(target, QDateTime::fromSecsSinceEpoch(*modifiedSecs));
    // A failure here leaves the book twice, never lost; the next removal is named apart.
    if (QFile::remove(book.File))
        ListFiles::SyncFolder(QFile::encodeName(Folder_));
}

void BookTrash::Discard(const TrashedBook &book)
{
    if (QFile::remove(book.File))
        ListFiles::SyncFolder(QFile::encodeName(Folder_));
}

int BookTrash::RemoveExpired(const QDateTime &now)
{
    // Under the data lock no save runs: a hidden file of the atomic writer is a killed one's.
    if (QFileInfo(Folder_).isDir())
        ListFiles::RemoveOwnLeftovers(Folder_);
    int removed = 0;
    for (const TrashedBook &book : All()) {
        if ((Expired(book, now) || CameBack(book)) && QFile::remove(book.File))
            ++removed;
    }
    return removed;
}

QString BookTrash::NotInTrashMessage(const QString &bookName)
{
    return u"Im Papierkorb liegt kein Haushaltsbuch \"%1\"."_s.arg(bookName);
}

QString TrashedAmountText(const QString &amount, const Regional &regional)
{
    return amount.isEmpty() ? QString() : MoneyLabel(amount, regional);
}
