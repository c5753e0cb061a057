// The main window's side of a synced data folder: what other computers did and the conflict
// copies that synchronisation tools leave are taken in when the book list is read.

#include "app/UnitQEL.h"

#include "controls/MessageBoxes.h"
#include "ledger/BookManager.h"

using namespace Qt::StringLiterals;

bool TFormQEL::MergeConflictCopies()
{
    // Unsaved lists are saved at once, so this waits only for a save that failed.
    if (Books_.LookOnly() || Books_.BookChanged() || Books_.RegularChanged())
        return false;
    const BookManager::SyncOutcome outcome = Books_.Sync();
    if (outcome.RegularChanged)
        ShowRegularTotals();
    if (!outcome.Notes.isEmpty())
        ShowInformation(this, outcome.Notes.join(u"\n\n"_s));
    if (!outcome.Errors.isEmpty())
        Report(outcome.Errors.join(u"\n\n"_s));
    return outcome.OpenBookChanged || outcome.RegularChanged || outcome.Arrived > 0 || !outcome.Notes.isEmpty();
}
