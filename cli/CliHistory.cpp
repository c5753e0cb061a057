// Taking changes back and doing them again (undo, redo), removing books into the trash and
// bringing them back (remove, trash, untrash).

#include "cli/Cli.h"

#include "history/BookTrash.h"
#include "books/HistoryPlayer.h"
#include "books/BookManager.h"
#include "ledger/QelError.h"
#include "ledger/Regional.h"

#include <QDateTime>

using namespace Qt::StringLiterals;

int Cli::Remove(const QString &name)
{
    if (!IsListedBook(name))
        return Fail(u"Das Haushaltsbuch \"%1\" existiert nicht."_s.arg(name));
    if (!LockForWriting())
        return 1;
    BookManager books = MakeManager();
    books.ScanBooks();
    if (books.FindBook(name) < 0)
        return Fail(u"Das Haushaltsbuch \"%1\" existiert nicht."_s.arg(name));
    books.DeleteBook(books.FindBook(name));
    Changed_ = true;
    Out_ << u"Das Haushaltsbuch \"%1\" liegt jetzt im Papierkorb (%2 Tage lang); \"haushaltsbuch-cli untrash %1\" "
            u"holt es zurück."_s.arg(name)
                .arg(BookTrash::KeptDays)
         << '\n';
    return 0;
}

int Cli::Trash()
{
    const Regional regional;
    for (const TrashedBook &book : BookTrash(Paths_).List(QDateTime::currentDateTime())) {
        Out_ << QStringList{book.Name,
                            regional.DateText(book.Removed.date()) + u' ' + regional.TimeText(book.Removed.time()),
                            TrashedAmountText(book.Income, regional), TrashedAmountText(book.Expend, regional)}
                    .join(u'\t')
             << '\n';
    }
    return 0;
}

int Cli::Untrash(const QString &name)
{
    if (!LockForWriting())
        return 1;
    BookTrash trash(Paths_);
    const std::optional<TrashedBook> book = trash.Find(name, QDateTime::currentDateTime());
    if (!book)
        return Fail(BookTrash::NotInTrashMessage(name));
    BookManager books = MakeManager();
    books.ScanBooks();
    books.RestoreFromTrash(*book);
    Changed_ = true;
    Out_ << u"Das Haushaltsbuch \"%1\" ist aus dem Papierkorb zurückgeholt."_s.arg(name) << '\n';
    return 0;
}

int Cli::UndoOrRedo(bool undo)
{
    if (!LockForWriting())
        return 1;
    BookManager books = MakeManager();
    books.LoadRegular();
    HistoryPlayer player(books);
    const std::optional<PlayOutcome> outcome = undo ? player.Undo() : player.Redo();
    if (!outcome)
        return Fail(undo ? HistoryPlayer::NothingToUndoMessage() : HistoryPlayer::NothingToRedoMessage());
    Changed_ = true;
    Out_ << outcome->Message(undo) << '\n';
    return 0;
}
