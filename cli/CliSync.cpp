// haushaltsbuch-cli and a data folder kept in a synchronisation tool: its conflict copies named
// before every command and merged into their books with "merge".

#include "cli/Cli.h"

#include "ledger/ConflictCopies.h"
#include "ledger/ConflictMerger.h"
#include "ledger/Regional.h"

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
    const ConflictMerger::Result result = ConflictMerger(Paths_, Regional()).MergeAll();
    for (const MergedCopy &merged : result.Merged) {
        const QString book = merged.File.endsWith(u".qel"_s) ? merged.File.chopped(4) : merged.File;
        Out_ << QStringList{book, merged.Copy, QString::number(merged.Outcome.Added),
                            QString::number(merged.Outcome.Removed), QString::number(merged.Outcome.Changed)}
                    .join(u'\t')
             << '\n';
        Err_ << u"Hinweis: "_s << merged.Message() << '\n';
    }
    Changed_ = Changed_ || !result.Merged.isEmpty();
    for (const QString &error : result.Errors)
        Err_ << error << '\n';
    return result.Errors.isEmpty() ? 0 : 1;
}
