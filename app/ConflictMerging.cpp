// The main window's side of a synced data folder: the conflict copies that synchronisation
// tools leave are merged into their books when the book list is read.

#include "app/UnitQEL.h"

#include "controls/MessageBoxes.h"
#include "ledger/BookManager.h"
#include "ledger/ConflictCopies.h"
#include "ledger/ConflictMerger.h"
#include "ledger/QelError.h"

using namespace Qt::StringLiterals;

bool TFormQEL::MergeConflictCopies()
{
    // Unsaved lists would be written over the merge; they are saved at once, so this waits
    // only for a save that failed.
    if (Books_.LookOnly() || Books_.BookChanged() || Books_.RegularChanged()
        || ConflictCopies::InFolder(Books_.Paths().DataFolder).isEmpty())
        return false;
    const ConflictMerger::Result result = ConflictMerger(Books_.Paths(), Books_.RegionalSettings()).MergeAll();
    QStringList messages;
    bool regular = false;
    bool current = false;
    for (const MergedCopy &merged : result.Merged) {
        messages.append(merged.Message());
        regular = regular || merged.File == u"Regular.dat"_s;
        current = current || merged.File == Books_.CurrentBook() + u".qel"_s;
    }
    try {
        if (regular) {
            Books_.LoadRegular();
            ShowRegularTotals();
        }
        if (current)
            Books_.OpenCurrentBook();
    } catch (const QelError &error) {
        Report(error.Message());
    }
    if (!messages.isEmpty())
        ShowInformation(this, messages.join(u"\n\n"_s));
    if (!result.Errors.isEmpty())
        Report(result.Errors.join(u"\n\n"_s));
    return !result.Merged.isEmpty();
}
