#pragma once

// The main window. Data flow:
//
//   data folder files <-> BookManager (ledger state, the four lists) <-> panels, dialogs
//                                     ^                                   |
//                                     +---- changed flags, sorting -------+
//
// The window owns no ledger data: main() makes the book manager, category table, help
// system and prompt sound and hands them in. Every 300 ms the window brings the enabled
// state of its buttons in line with the lists.

#include "analysis/BudgetReport.h"
#include "books/BookCache.h"
#include "ledger/BookingDraft.h"
#include "ledger/BookingList.h"
#include "ledger/Settings.h"
#include "output/PagePrinter.h"

#include <QTimer>

class QFileSystemWatcher;
#include <QWidget>

#include <array>
#include <optional>

class BookManager;
class CategoryTable;
class HelpSystem;
class QLabel;
class QScrollArea;
class TAnalysisPageImage;
class TBookSearchPanel;
class TDialogKeyRouter;
class TFormCalculator;
class TFormBackup;
class TFormBudgets;
struct DialogServices;
class TFormEntryExpend;
class TFormEntryIncome;
class TFormEntryRegular;
class TFormInfo;
class TFormNavigator;
class TFormNew;
class TFormPrintAnalyse;
class TImportFlow;
class TMainPanel;
class TOrvoSkinButton;
class TQELListView;
class TQELPieChart;
class WarningSound;
struct FoundBooking;
struct LedgerPaths;
struct YearOverview;
enum class TSkinHotKey;

class TFormQEL : public QWidget
{
    Q_OBJECT

public:
    TFormQEL(BookManager &books, CategoryTable &categories, HelpSystem &help, WarningSound &sound,
             QWidget *parent = nullptr);
    ~TFormQEL() override;

    // When the books are scanned at start: at once, or by ScanBookList once the window shows.
    enum class BookScan { Now, Later };
    // The start-up steps of the window: folders, help file check, settings, category table,
    // Regular.dat, the book scan (unless Later), panel 0. False when the program must end (a
    // folder could not be made); other errors are reported and the window runs on as far as
    // it got.
    bool FormCreate(BookScan scan = BookScan::Now);
    // The book scan of the start: the book list with its totals, and what could not be read
    // (Regular.dat too) in one report.
    void ScanBookList();

    void ShowPanel(int panel);
    int PanelIndex() const { return PanelIndex_; }
    int DiagramMode() const { return DiagramMode_; }
    const BackupSettings &Settings() const { return Settings_; }
    BackupSettings &Settings() { return Settings_; }

    // Ends the program after a successful restore: no question, and the lists are not
    // written over the restored files.
    void EndAfterRestore();
    // Ends the program at once and without a question or a message box, as a logout, a
    // shutdown or SIGTERM asks: settings saved, an automatic backup kept, the lock released by
    // the caller. Problems go to standard error, for the session's log.
    void EndWithoutQuestions(const QString &why);
    // The session manager asks the program to save what it has before the session ends.
    void SaveForSessionEnd();
    // An entry dialog is open with a booking typed but not confirmed (SessionDraft.cpp).
    bool UnconfirmedBookingOpen() const;
    // Asks whether the logout shall wait for that booking; true when the user wants to stay.
    bool AskToStayForBooking();
    // Offers the booking a session end left unconfirmed, in its dialog; booked only with OK.
    void OfferDraft();

    // The button enabling rules, run every 300 ms.
    void Timer1Timer();

    TOrvoSkinButton *MenuButton(int index) const { return MenuButtons_.at(index); }
    TMainPanel *Panel(int index) const { return Panels_.at(index); }

    // The book manager panel.
    void btnNewBookClick();
    void btnOpenBookClick();
    void btnDeleteBookClick();
    void btnImportClick();
    void btnTrashClick();
    // Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z (UndoKeys.cpp).
    void BuildUndoKeys();
    void UndoOrRedo(bool undo);
    void SetBookTitles();

    // The booking panels: add, edit and remove through the entry dialogs.
    void btnEntryIncomeClick();
    void btnEditIncomeClick();
    void btnDeleteIncomeClick();
    void btnEntryExpendClick();
    void btnEditExpendClick();
    void btnDeleteExpendClick();
    void btnEntryRegularClick();
    void btnEditRegularClick();
    void btnDeleteRegularClick();

    // The booking panels' printouts and spreadsheet exports.
    void btnPrintIncomeClick();
    void btnPrintExpendClick();
    void btnPrintRegularClick();
    void btnExportIncomeClick();
    void btnExportExpendClick();
    void btnExportRegularClick();

    // The analysis panel: the two pages, dragging them, printing them.
    void btnAnalysePage1Click();
    void btnAnalysePage2Click();
    void btnPrintAnalyseClick();
    void ImageAnalysePage1MouseDown(QPoint globalPosition);
    void ImageAnalysePage1MouseMove(QPoint globalPosition, Qt::MouseButtons buttons);
    void ImageAnalysePage1MouseUp();
    // The year overview beside the pages: shown, exported (printed through the pages' dialog).
    void btnAnalyseYearClick();
    void btnExportYearClick();
    // The budgets' window (BudgetPanel.cpp).
    void btnBudgetsClick();
    // A hit of the search on the manager panel: its book opened, the booking selected.
    void OpenFoundBooking(const FoundBooking &found);
    // The diagram panel: one side's pie, and printing it.
    void btnShowDiaIncClick();
    void btnShowDiaOutClick();
    void btnPrintDiagramClick();

signals:
    // The window closed for good (confirmed, changes saved): the program ends, whatever
    // other windows (help) are still open.
    void Closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void BuildMenu();
    void BuildPanels();
    void BuildManagerPanel(TMainPanel *panel);
    void BuildBookingPanel(int index);
    TOrvoSkinButton *PanelButton(TMainPanel *panel, const QRect &geometry, const QString &caption,
                                 const QString &hint);
    void BuildDialogs();
    void BuildAnalysisPanels();
    void ShowAnalysisPage(int page); // 1, 2, or 3 for the year
    void BuildYearOverview();
    void BuildBudgets(const DialogServices &services);
    // The open book's month and year of the budgets: the open book from memory, the others as saved.
    QList<BudgetLine> CurrentBudgetLines(QStringList &errors);
    QList<BudgetYearLine> CurrentBudgetYear(QStringList &errors);
    // After an expense was saved: the note beside the list when its category went over.
    void NoteOverBudget(const QString &category);
    void ExportBudgets();
    void BuildBookSearch();
    // The open book's year: the open book from memory, the others as saved.
    YearOverview CurrentYearOverview(QStringList &errors);
    // After the manager changed lists: every list view shows its list again.
    void RefreshListViews();
    // After a book was created, opened or removed: titles, totals, lists and buttons.
    void ShowBookState();
    void ShowBookTotals();    // the income and expense panels' labels
    void ShowRegularTotals(); // the regular panel's label
    // ConflictMerging.cpp: brings in what other computers did and the conflict copies of a
    // synced data folder and says what it did; true when the lists may have changed. The data
    // folder watched, so that this happens as soon as something arrives.
    bool MergeConflictCopies();
    void WatchDataFolder();
    void DataFolderChanged();
    // After a booking change: saved at once, then the panel's list view and its label.
    void SaveBookingChange(int panel);
    BookingList &PanelList(int panel);
    // Shows the panel's entry dialog preset with a row; the row as confirmed, or nothing.
    std::optional<ListRow> AskBooking(int panel, const ListRow &preset, int mode);
    // The booking typed into the open entry dialog, if any and if it differs from how the
    // dialog opened.
    std::optional<BookingDraft> UnconfirmedBooking() const;
    // Keeps that booking as a draft for the next start; problems go to standard error.
    void KeepDraft();
    void EnterBooking(int panel);
    void FocusList(int panel);
    void EditBooking(int panel);
    void RemoveBooking(int panel);
    void PrintList(int panel);
    bool SaveAtShutdown();
    // The automatic backup at the end of a run that changed files; a message for the user
    // when it failed, empty otherwise.
    QString KeepAutomaticBackup();
    void Report(const QString &message);

    void btnManagerClick();
    void btnIncomeClick();
    void btnExpendClick();
    void btnRegularClick();
    void btnAnalyseClick();
    void btnDiagramClick();
    void btnBackupClick();
    void btnHelpClick();
    void btnInfoClick();

    BookManager &Books_;
    CategoryTable &Categories_;
    HelpSystem &Help_;
    WarningSound &Sound_;
    TPagePrinter PagePrinter_;
    QString ExportFolder_; // where the export's save dialog starts
    BackupSettings Settings_;
    int PanelIndex_ = -1;
    int DiagramMode_ = 0;
    bool Ending_ = false;
    bool EndsAfterRestore_ = false; // a failed save of the settings no longer keeps it running
    bool Quiet_ = false;            // ending for the session or a signal: no boxes, nobody to answer them
    bool BackupKept_ = false;       // the run's automatic backup is made
    QStringList StartErrors_;       // what start-up could not read, reported with the book scan
    // The entry dialog now open: its panel, its mode (1 new, 2 edit), the row it opened with
    // and the book it is for.
    struct OpenEntry
    {
        int Panel = 0;
        int Mode = 1;
        ListRow Preset;
        QString Book;
    };
    std::optional<OpenEntry> OpenEntry_;

    QTimer Timer1_;
    TDialogKeyRouter *KeyRouter_ = nullptr;
    TFormInfo *FormInfo_ = nullptr;
    TFormBackup *FormBackup = nullptr;
    TFormNew *FormNew = nullptr;
    TFormEntryIncome *FormEntryIncome = nullptr;
    TFormEntryExpend *FormEntryExpend = nullptr;
    TFormEntryRegular *FormEntryRegular = nullptr;
    TFormNavigator *FormNavigator = nullptr;
    TFormCalculator *FormCalculator = nullptr;
    TFormPrintAnalyse *FormPrintAnalyse = nullptr;
    TImportFlow *ImportFlow = nullptr; // statements from the button or dropped onto the window

    // Menu column, in the order of the panels they show, then the rest.
    TOrvoSkinButton *btnManager = nullptr;
    TOrvoSkinButton *btnIncome = nullptr;
    TOrvoSkinButton *btnExpend = nullptr;
    TOrvoSkinButton *btnRegular = nullptr;
    TOrvoSkinButton *btnAnalyse = nullptr;
    TOrvoSkinButton *btnDiagram = nullptr;
    TOrvoSkinButton *btnCalculator = nullptr;
    TOrvoSkinButton *btnBackup = nullptr;
    TOrvoSkinButton *btnHelp = nullptr;
    TOrvoSkinButton *btnInfo = nullptr;
    TOrvoSkinButton *btnClose = nullptr;
    std::array<TOrvoSkinButton *, 6> MenuButtons_{};

    std::array<TMainPanel *, 6> Panels_{};
    TMainPanel *PanelManager = nullptr;
    TMainPanel *PanelIncome = nullptr;
    TMainPanel *PanelExpend = nullptr;
    TMainPanel *PanelRegular = nullptr;
    TMainPanel *PanelAnalyse = nullptr;
    TMainPanel *PanelDiagram = nullptr;

    TOrvoSkinButton *btnNewBook = nullptr;
    TOrvoSkinButton *btnOpenBook = nullptr;
    TOrvoSkinButton *btnDeleteBook = nullptr;
    TOrvoSkinButton *btnImport = nullptr;
    TOrvoSkinButton *btnTrash = nullptr;
    QLabel *LabelHistoryNote = nullptr; // what the last undo or redo did, or what arrived
    QFileSystemWatcher *FolderWatcher_ = nullptr;
    QTimer FolderSettle_;
    TQELListView *ListViewManager = nullptr;
    // Per booking panel (income, expense, regular): new, edit, remove, print, export.
    std::array<std::array<TOrvoSkinButton *, 5>, 3> BookingButtons_{};
    std::array<TQELListView *, 3> BookingViews_{};  // ListViewIncome, ListViewExpend, ListViewRegular
    std::array<QLabel *, 3> BookingTotals_{};        // LabelResultIncome, LabelResultExpend, LabelRegularSumary
    TOrvoSkinButton *btnAnalysePage1 = nullptr;
    TOrvoSkinButton *btnAnalysePage2 = nullptr;
    TOrvoSkinButton *btnPrintAnalyse = nullptr;
    TOrvoSkinButton *btnShowDiaInc = nullptr;
    TOrvoSkinButton *btnShowDiaOut = nullptr;
    TOrvoSkinButton *btnPrintDiagram = nullptr;
    QScrollArea *ScrollBoxAnalyse = nullptr;
    TAnalysisPageImage *ImageAnalysePage1 = nullptr;
    TAnalysisPageImage *ImageAnalysePage2 = nullptr;
    // Where the last step of a page drag was, in screen coordinates; (-1, -1) when none.
    QPoint DragPoint{-1, -1};
    TQELPieChart *ChartDia = nullptr;
    TOrvoSkinButton *btnAnalyseYear = nullptr;
    TOrvoSkinButton *btnExportYear = nullptr;
    TAnalysisPageImage *ImageAnalyseYear = nullptr;
    TBookSearchPanel *SearchPanel = nullptr;
    // The books as saved, for the year overview and the search; read again only where changed.
    BookCache Cache_{Books_};
    BudgetCalculator BudgetCalculator_;
    TOrvoSkinButton *btnBudgets = nullptr;
    TFormBudgets *FormBudgets = nullptr;
    QLabel *LabelBudgetNote = nullptr;
    QList<BudgetLine> ShownBudgets_; // on page 2 since the month was last computed

    // The panel-local buttons with the hot keys they answer while their panel is shown.
    std::array<QList<QPair<TOrvoSkinButton *, TSkinHotKey>>, 6> PanelHotKeys_;
};
