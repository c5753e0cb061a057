#include "dialogs/ImportFlow.h"

#include "controls/MessageBoxes.h"
#include "dialogs/CsvColumnsUnit.h"
#include "import/ImportBooking.h"
#include "import/ImportMatcher.h"
#include "import/ImportPreviewModel.h"
#include "dialogs/ImportRulesUnit.h"
#include "import/ImportStore.h"
#include "import/ImportStoreUpkeep.h"
#include "dialogs/ImportUnit.h"
#include "books/BookManager.h"
#include "ledger/QelError.h"

#include <QDateTime>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QScreen>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

QStringList DroppedFiles(const QMimeData *mime)
{
    QStringList files;
    if (!mime || !mime->hasUrls())
        return files;
    for (const QUrl &url : mime->urls()) {
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile())
            files.append(url.toLocalFile());
    }
    return files;
}

} // namespace

TImportFlow::TImportFlow(const DialogServices &services, BookManager &books, QWidget *window)
    : QObject(window)
    , Services(services)
    , Books_(books)
    , Window_(window)
{
    window->setAcceptDrops(true);
    window->installEventFilter(this);

    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    Folder_ = QFileInfo(downloads).isDir() ? downloads : QDir::homePath();
}

// The dialogs are made the first time a statement comes: a start without one spares them.
TFormImport &TImportFlow::Preview()
{
    if (!FormImport_) {
        FormImport_ = new TFormImport(Services, Books_, Window_);
        FormImport_->EditRules = [this] { return EditRules(); };
    }
    return *FormImport_;
}

TFormImportRules &TImportFlow::RulesDialog()
{
    if (!FormRules_)
        FormRules_ = new TFormImportRules(Services, Window_);
    return *FormRules_;
}

TFormCsvColumns &TImportFlow::ColumnsDialog()
{
    if (!FormCsvColumns_)
        FormCsvColumns_ = new TFormCsvColumns(Services, Window_);
    return *FormCsvColumns_;
}

void TImportFlow::ChooseAndImport()
{
    QFileDialog dialog(Window_, u"Kontoauszug importieren"_s, Folder_);
    dialog.setObjectName(u"StatementDialog"_s);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::ReadOnly);
    dialog.setNameFilters({u"Kontoauszüge (*.xml *.XML *.sta *.STA *.mta *.MTA *.txt *.TXT *.csv *.CSV *.940 *.zip *.ZIP)"_s,
                           u"Alle Dateien (*)"_s});
    dialog.resize(dialog.sizeHint().expandedTo({720, 480}));
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        dialog.move(screen->availableGeometry().center() - dialog.rect().center());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().constFirst();
    Folder_ = QFileInfo(path).absolutePath();
    Import(path);
}

void TImportFlow::Import(const QString &path)
{
    const QString storeFile = Books_.Paths().ImportStoreFile();
    const CsvChoiceLookup choices = [&storeFile](const QString &headerKey) {
        ImportStore store(storeFile);
        return store.CsvChoice(headerKey);
    };
    try {
        // The store made ready (taken back when damaged, in line with restored books) before
        // anything reads it.
        if (const QStringList notes = ImportStoreUpkeep(Books_.Paths()).Prepare(); !notes.isEmpty())
            ShowInformation(Window_, notes.join(u"\n\n"_s));
        // A file may hold several statements (a ZIP of monthly ones): each is shown and booked
        // in turn, so that rows two of them share are booked once.
        QList<StatementFile> entries = ReadStatementFiles(path, choices);
        for (qsizetype i = 0; i < entries.size(); ++i) {
            if (const auto *layout = std::get_if<UnknownCsvLayout>(&entries.at(i).Result)) {
                TFormCsvColumns &columns = ColumnsDialog();
                columns.SetLayout(entries.at(i).Name, *layout);
                columns.exec();
                if (!columns.Accepted)
                    return;
                ImportStore(storeFile).SetCsvChoice(layout->HeaderKey, columns.Choice);
                entries = ReadStatementFiles(path, choices);
                if (i >= entries.size() || std::holds_alternative<UnknownCsvLayout>(entries.at(i).Result)) {
                    throw QelError(u"Die Datei „%1“ lässt sich mit dieser Zuordnung nicht lesen."_s.arg(
                        i < entries.size() ? entries.at(i).Name : QFileInfo(path).fileName()));
                }
            }
            if (!PreviewAndBook(path, entries.at(i).Name, std::get<Statement>(entries.at(i).Result)))
                return;
        }
    } catch (const QelError &error) {
        ShowError(Window_, error.Message());
    }
}

bool TImportFlow::PreviewAndBook(const QString &path, const QString &name, const Statement &statement)
{
    const QString storeFile = Books_.Paths().ImportStoreFile();
    MatchContext context = LoadMatchContext(Books_, statement, true);
    const ImportMatcher matcher(context, Books_.RegionalSettings());
    TFormImport &preview = Preview();
    ImportPreviewModel *model = preview.Model();
    model->SetRows(matcher.Match(statement));
    preview.SetSource(name, statement);
    preview.ApplyRules = [&] {
        ImportStore store(storeFile);
        context.Rules = RuleSet(store.Rules());
        model->Reassign([&](ImportCandidate &c) { matcher.Assign(c); });
    };
    preview.KeepRule = [&](const ImportRule &rule) {
        ImportStore store(storeFile);
        QList<ImportRule> rules = store.Rules();
        rules.append(rule);
        store.SetRules(rules);
    };
    preview.exec();
    preview.ApplyRules = nullptr;
    preview.KeepRule = nullptr;
    if (!preview.Accepted) {
        model->SetRows({});
        return false;
    }

    const QString leftOut = LeftOutSummary(model->Rows());
    ImportOutcome outcome;
    try {
        outcome = ImportBooking(Books_, storeFile)
                      .Book(model->Rows(), {QFileInfo(path).absoluteFilePath(), statement.Format},
                            QDateTime::currentDateTime());
    } catch (const QelError &) {
        model->SetRows({});
        // What went in before the failure is in the books: the window shows it.
        emit BooksChanged();
        throw;
    }
    model->SetRows({});
    emit BooksChanged();
    QString message = outcome.Books.isEmpty()
                          ? u"Aus dem Kontoauszug „%1“ wurde nichts übernommen."_s.arg(name)
                          : u"Aus dem Kontoauszug „%1“ übernommen: %2."_s.arg(name, outcome.Summary());
    if (!leftOut.isEmpty())
        message += u"\n\n"_s + leftOut + u'.';
    ShowInformation(Window_, message);
    return true;
}

bool TImportFlow::EditRules()
{
    const QString storeFile = Books_.Paths().ImportStoreFile();
    try {
        TFormImportRules &rules = RulesDialog();
        rules.Rules = ImportStore(storeFile).Rules();
        rules.exec();
        if (!rules.Accepted)
            return false;
        ImportStore(storeFile).SetRules(rules.Rules);
        return true;
    } catch (const QelError &error) {
        ShowError(&Preview(), error.Message());
        return false;
    }
}

bool TImportFlow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != Window_)
        return false;
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (!DroppedFiles(drag->mimeData()).isEmpty()) {
            drag->acceptProposedAction();
            return true;
        }
    } else if (event->type() == QEvent::Drop) {
        auto *drop = static_cast<QDropEvent *>(event);
        const QStringList files = DroppedFiles(drop->mimeData());
        if (!files.isEmpty()) {
            drop->acceptProposedAction();
            // After the drop has ended: the preview runs its own event loop.
            QMetaObject::invokeMethod(
                this,
                [this, files] {
                    for (const QString &file : files)
                        Import(file);
                },
                Qt::QueuedConnection);
            return true;
        }
    }
    return false;
}
