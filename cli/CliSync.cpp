// haushaltsbuch-cli and a data folder kept in a synchronisation tool: what other computers did
// and the conflict copies the tool left, brought in before every command that writes and with
// "merge".

#include "cli/Cli.h"

#include "books/BookManager.h"
#include "ledger/ConflictCopies.h"

using namespace Qt::StringLiterals;

void Cli::NameUnmergedCopies()
{
    for (const QString &copy : ConflictCopies::InFolder(Paths_.DataFolder)) {
        Err_ << u"Hinweis: Die Konfliktkopie „%1“ ist noch nicht in ihr Buch übernommen; „haushaltsbuch-cli merge“ "
                u"übernimmt sie."_s.arg(copy)
             << '\n';
    }
    Err_.flush();
}

int Cli::Merge()
{
    if (!LockForWriting())
        return 1;
    BookManager books = MakeManager();
    const BookManager::SyncOutcome outcome = books.Sync();
    for (const FolderReconciler::MovedCopy &copy : outcome.Copies) {
        const QString book = copy.File.endsWith(u".qel"_s) ? copy.File.chopped(4) : copy.File;
        Out_ << QStringList{book, copy.Copy, QString::number(copy.Added), u"0"_s, u"0"_s}.join(u'\t') << '\n';
    }
    for (const QString &note : outcome.Arrivals + outcome.Notes)
        Err_ << u"Hinweis: "_s << note << '\n';
    Changed_ = Changed_ || books.FilesChanged();
    for (const QString &error : outcome.Errors)
        Err_ << error << '\n';
    return outcome.Errors.isEmpty() ? 0 : 1;
}
