// The main window's side of a synced data folder: what other computers did and the conflict
// copies that synchronisation tools leave are taken in when the book list is read, and while
// the program runs, as soon as the data folder or its change logs change (the system tells; no
// timer looks while nothing happens).

#include "app/UnitQEL.h"

#include "changes/ChangeLog.h"
#include "controls/MessageBoxes.h"
#include "books/BookManager.h"
#include "ledger/QelError.h"

#include <QApplication>
#include <QDir>
#include <QFileSystemWatcher>
#include <QLabel>

using namespace Qt::StringLiterals;

bool TFormQEL::MergeConflictCopies()
{
    // Unsaved lists are saved at once, so this waits only for a save that failed.
    if (Books_.BookChanged() || Books_.RegularChanged())
        return false;
    BookManager::SyncOutcome outcome;
    try {
        outcome = Books_.Sync();
    } catch (const QelError &error) {
        Report(error.Message());
        return false;
    }
    if (outcome.RegularChanged)
        ShowRegularTotals();
    // What arrived is a short note; what needs a look is said in a box.
    if (!outcome.Arrivals.isEmpty()) {
        LabelHistoryNote->setText(outcome.Arrivals.join(u' '));
        LabelHistoryNote->setToolTip(QString());
    }
    if (!outcome.Notes.isEmpty())
        ShowInformation(this, outcome.Notes.join(u"\n\n"_s));
    if (!outcome.Errors.isEmpty())
        Report(outcome.Errors.join(u"\n\n"_s));
    return outcome.OpenBookChanged || outcome.RegularChanged || outcome.Arrived > 0 || !outcome.Notes.isEmpty()
           || !outcome.Copies.isEmpty();
}

void TFormQEL::WatchDataFolder()
{
    if (!FolderWatcher_) {
        FolderWatcher_ = new QFileSystemWatcher(this);
        connect(FolderWatcher_, &QFileSystemWatcher::directoryChanged, this, [this] { FolderSettle_.start(); });
        connect(FolderWatcher_, &QFileSystemWatcher::fileChanged, this, [this] { FolderSettle_.start(); });
        // A tool writes several files one after the other: one look once they have come.
        FolderSettle_.setSingleShot(true);
        FolderSettle_.setInterval(500);
        connect(&FolderSettle_, &QTimer::timeout, this, &TFormQEL::DataFolderChanged);
        // What came between the scan and the watch: one look once the start is done.
        FolderSettle_.start();
    }
    const QString logs = ChangeLog::FolderOf(Books_.Paths().DataFolder);
    QStringList paths{Books_.Paths().DataFolder};
    if (QFileInfo(logs).isDir()) {
        paths.append(logs);
        // A log grows in place: its folder does not change, the file does.
        for (const QString &log : QDir(logs).entryList({u"*.log"_s}, QDir::Files))
            paths.append(logs + log);
    }
    const QStringList watched = FolderWatcher_->directories() + FolderWatcher_->files();
    for (const QString &path : std::as_const(paths)) {
        if (!watched.contains(path))
            FolderWatcher_->addPath(path);
    }
}

void TFormQEL::DataFolderChanged()
{
    // Never while a dialog works on a row of the lists: once it has closed.
    if (QApplication::activeModalWidget() != nullptr) {
        FolderSettle_.start(1000);
        return;
    }
    WatchDataFolder();
    if (!MergeConflictCopies())
        return;
    const QStringList errors = Books_.ScanBooks();
    Books_.Books().SetSelected(Books_.CurrentBook().isEmpty() ? -1 : Books_.FindBook(Books_.CurrentBook()));
    if (Books_.CurrentBook().isEmpty() && PanelIndex_ != 0 && PanelIndex_ != 3)
        ShowPanel(0);
    ShowBookState();
    ShowRegularTotals();
    if (const QStringList notes = Books_.TakeNotes(); !notes.isEmpty())
        ShowInformation(this, notes.join(u"\n\n"_s));
    if (!errors.isEmpty())
        Report(errors.join(u"\n\n"_s));
}
