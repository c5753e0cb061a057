#include "app/UnitQEL.h"

#include "analysis/AnalysisPageImage.h"
#include "app/MainPanel.h"
#include "app/QELListView.h"
#include "app/RowPainters.h"
#include "backup/BackupUnit.h"
#include "backup/LedgerBackup.h"
#include "calculator/CalculatorUnit.h"
#include "controls/ColorRef.h"
#include "controls/DialogKeyRouter.h"
#include "controls/MessageBoxes.h"
#include "controls/OrvoSkinButton.h"
#include "books/BookManager.h"
#include "ledger/CategoryTable.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"
#include "support/HelpKey.h"
#include "support/HelpSystem.h"
#include "support/InfoUnit.h"
#include "support/WarningSound.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QScrollArea>
#include <QScreen>

#include <cstdio>
#include <span>
#include <utility>

namespace {

constexpr int MenuWidth = 160;
constexpr QSize ClientSize(792, 566);

struct MenuEntry
{
    const char *Name;
    const char16_t *Caption;
    const char16_t *Hint;
    TSkinHotKey HotKey;
    int Top;
    int Height;
};

// The menu column, one line per button: name, caption ("#" breaks the line), hint, hot
// key, top, height. All are 145 wide at x = 6.
const MenuEntry MenuEntries[] = {
    {"btnManager", u"Haushaltsbücher#verwalten", u"Haushaltsbücher (Alt+F5)", TSkinHotKey::QBAlt_F5, 27, 40},
    {"btnIncome", u"Einnahmen", u"Einnahmen (Alt+F6)", TSkinHotKey::QBAlt_F6, 86, 40},
    {"btnExpend", u"Ausgaben", u"Ausgaben (Alt+F7)", TSkinHotKey::QBAlt_F7, 132, 40},
    {"btnRegular", u"Regelmäßige#Buchungen", u"Buchungen (Alt+F8)", TSkinHotKey::QBAlt_F8, 178, 40},
    {"btnAnalyse", u"Haushalt#berechnen", u"Berechnen (Alt+F9)", TSkinHotKey::QBAlt_F9, 237, 40},
    {"btnDiagram", u"Grafische#Auswertung", u"Auswertung (Alt+F10)", TSkinHotKey::QBAlt_F10, 283, 40},
    {"btnCalculator", u"Taschenrechner", u"Rechner (Alt+F3)", TSkinHotKey::QBAlt_F3, 342, 24},
    {"btnBackup", u"Datensicherung", u"Datensicherung (Alt+F11)", TSkinHotKey::QBAlt_F11, 384, 24},
    {"btnHelp", u"Hilfe", u"Hilfe (Alt+F1)", TSkinHotKey::QBAlt_F1, 426, 24},
    {"btnInfo", u"Information", u"Information (Alt+F2)", TSkinHotKey::QBAlt_F2, 456, 24},
    {"btnClose", u"Beenden", u"Beenden  (Alt+X)", TSkinHotKey::QBAlt_X, 528, 24},
};

struct BookingPanelEntry
{
    const char16_t *Title;
    const char *Names[5];
};

const BookingPanelEntry BookingPanels[] = {
    {u"Einnahmen", {"btnEntryIncome", "btnEditIncome", "btnDeleteIncome", "btnPrintIncome", "btnExportIncome"}},
    {u"Ausgaben", {"btnEntryExpend", "btnEditExpend", "btnDeleteExpend", "btnPrintExpend", "btnExportExpend"}},
    {u"Regelmäßige Buchungen",
     {"btnEntryRegular", "btnEditRegular", "btnDeleteRegular", "btnPrintRegular", "btnExportRegular"}},
};

// The five command buttons under each booking panel: caption, hint, hot key, left.
struct CommandEntry
{
    const char16_t *Caption;
    const char16_t *Hint;
    TSkinHotKey HotKey;
    int Left;
};

const CommandEntry BookingCommands[] = {
    {u"Neue Buchung", u"Neue Buchung (Alt+N)", TSkinHotKey::QBAlt_N, 8},
    {u"Bearbeiten", u"Bearbeiten (Alt+B)", TSkinHotKey::QBAlt_B, 130},
    {u"Entfernen", u"Entfernen (Alt+E)", TSkinHotKey::QBAlt_E, 252},
    {u"Drucken", u"Drucken (Alt+D)", TSkinHotKey::QBAlt_D, 374},
    {u"Exportieren", u"Exportieren (Alt+P)", TSkinHotKey::QBAlt_P, 496},
};

QString Text(const char16_t *text)
{
    return QString::fromUtf16(text);
}

// The coloured cells that stand above a list in place of its hidden header.
struct HeaderCell
{
    const char16_t *Text;
    int Left;
    int Width;
    Qt::Alignment Align = Qt::AlignLeft;
};

void AddHeaderCells(QWidget *panel, int top, std::span<const HeaderCell> cells)
{
    for (const HeaderCell &c : cells) {
        const QString text = Text(c.Text);
        auto *cell = new QLabel(text, panel);
        cell->setGeometry(c.Left, top, c.Width, 17);
        cell->setAlignment(c.Align | Qt::AlignVCenter);
        cell->setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
        // A right-aligned caption keeps its trailing blanks as space before the cell's edge;
        // the label would drop them.
        if (c.Align & Qt::AlignRight) {
            const qsizetype trailing = text.size() - text.trimmed().size();
            cell->setIndent(QFontMetrics(cell->font()).horizontalAdvance(QString(trailing, u' ')));
        }
        cell->setAutoFillBackground(true);
        QPalette pal = cell->palette();
        pal.setColor(QPalette::Window, QColor(253, 232, 147));
        pal.setColor(QPalette::WindowText, Qt::black);
        cell->setPalette(pal);
    }
}

const HeaderCell ManagerHeader[] = {
    {u"  ->", 6, 22},
    {u"  Haushaltsbuch", 29, 161},
    {u"  Letzte Änderung", 191, 207},
    {u"Einnahmen  ", 399, 99, Qt::AlignRight},
    {u"Ausgaben  ", 499, 99, Qt::AlignRight},
    {u"", 599, 26},
};

const HeaderCell BookingHeader[] = {
    {u"  Datum", 6, 82},
    {u"Betrag (€)  ", 89, 79, Qt::AlignRight},
    {u"  Kategorie", 169, 209},
    {u"  Verwendung", 379, 219},
    {u"", 599, 26},
};

const HeaderCell RegularHeader[] = {
    {u"Tag", 6, 42, Qt::AlignHCenter},
    {u"Betrag (€)  ", 49, 79, Qt::AlignRight},
    {u"  Kategorie", 129, 189},
    {u"  Verwendung", 319, 189},
    {u"  Buchungsart", 509, 89},
    {u"", 599, 26},
};

} // namespace

TFormQEL::TFormQEL(BookManager &books, CategoryTable &categories, HelpSystem &help, WarningSound &sound,
                   QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                          | Qt::WindowCloseButtonHint)
    , Books_(books)
    , Categories_(categories)
    , Help_(help)
    , Sound_(sound)
    , PagePrinter_(Books_.Paths().PrintoutFolder())
{
    setObjectName(QStringLiteral("FormQEL"));
    setWindowTitle(ProgramTitle());
    resize(ClientSize);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0, 128, 192));
    setPalette(pal);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    BuildMenu();
    BuildPanels();
    KeyRouter_ = new TDialogKeyRouter(this);
    new THelpKey(Help_, Books_.Paths().HelpFile(), this);
    FormInfo_ = new TFormInfo(this);
    BuildDialogs();
    // Not modal: the button stays disabled while the calculator is shown, so it opens once.
    FormCalculator = new TFormCalculator(this);
    connect(btnCalculator, &TOrvoSkinButton::Clicked, FormCalculator, &TFormCalculator::Open);
    connect(FormCalculator, &TFormCalculator::ShownChanged, btnCalculator,
            [this](bool shown) { btnCalculator->SetEnabled(!shown); });
    BuildAnalysisPanels();
    BuildUndoKeys();

    Timer1_.setInterval(300);
    connect(&Timer1_, &QTimer::timeout, this, &TFormQEL::Timer1Timer);
    Timer1_.start();
}

TFormQEL::~TFormQEL() = default;

void TFormQEL::BuildMenu()
{
    QList<TOrvoSkinButton *> all;
    for (const MenuEntry &e : MenuEntries) {
        auto *button = new TOrvoSkinButton(this);
        button->setObjectName(QString::fromLatin1(e.Name));
        button->setGeometry(6, e.Top, 145, e.Height);
        button->SetCaption(Text(e.Caption));
        button->setToolTip(Text(e.Hint));
        button->SetHotKey(e.HotKey);
        SkinButtonScheme::Menu().ApplyTo(*button);
        all.append(button);
    }
    btnManager = all.at(0);
    btnIncome = all.at(1);
    btnExpend = all.at(2);
    btnRegular = all.at(3);
    btnAnalyse = all.at(4);
    btnDiagram = all.at(5);
    btnCalculator = all.at(6);
    btnBackup = all.at(7);
    btnHelp = all.at(8);
    btnInfo = all.at(9);
    btnClose = all.at(10);
    MenuButtons_ = {btnManager, btnIncome, btnExpend, btnRegular, btnAnalyse, btnDiagram};

    // The scheme's exceptions: the books and income entries, and the quit button.
    btnManager->SetDownColor2(ColorFromRef(5421566));
    btnIncome->SetDownColor2(ColorFromRef(5421566));
    btnClose->SetDownColor1(ColorFromRef(2533373));
    btnClose->SetDownColor2(ColorFromRef(2533373));

    connect(btnManager, &TOrvoSkinButton::Clicked, this, &TFormQEL::btnManagerClick);
    connect(btnIncome, &TOrvoSkinButton::Clicked, this, &TFormQEL::btnIncomeClick);
    connect(btnExpend, &TOrvoSkinButton::Clicked, this, &TFormQEL::btnExpendClick);
    connect(btnRegular, &TOrvoSkinButton::Clicked, this, &TFormQEL::btnRegularClick);
    connect(btnAnalyse, &TOrvoSkinButton::Clicked, this, &TFormQEL::btnAnalyseClick);
    connect(btnDiagram, &TOrvoSkinButton::Clicked, this, &TFormQEL::btnDiagramClick);
    connect(btnBackup, &TOrvoSkinButton::Clicked, this, &TFormQEL::btnBackupClick);
    connect(btnHelp, &TOrvoSkinButton::Clicked, this, &TFormQEL::btnHelpClick);
    connect(btnInfo, &TOrvoSkinButton::Clicked, this, &TFormQEL::btnInfoClick);
    connect(btnClose, &TOrvoSkinButton::Clicked, this, &QWidget::close);
}

TOrvoSkinButton *TFormQEL::PanelButton(TMainPanel *panel, const QRect &geometry, const QString &caption,
                                       const QString &hint)
{
    auto *button = new TOrvoSkinButton(panel);
    button->setGeometry(geometry);
    button->SetCaption(caption);
    button->setToolTip(hint);
    SkinButtonScheme::Panel().ApplyTo(*button);
    return button;
}

void TFormQEL::BuildPanels()
{
    PanelManager = new TMainPanel(this, QStringLiteral("Haushaltsbücher verwalten"));
    PanelIncome = new TMainPanel(this, Text(BookingPanels[0].Title));
    PanelExpend = new TMainPanel(this, Text(BookingPanels[1].Title));
    PanelRegular = new TMainPanel(this, Text(BookingPanels[2].Title));
    // The analysis and diagram panels use their whole area for the pages and the chart.
    PanelAnalyse = new TMainPanel(this, QString());
    PanelDiagram = new TMainPanel(this, QString());
    Panels_ = {PanelManager, PanelIncome, PanelExpend, PanelRegular, PanelAnalyse, PanelDiagram};
    const char *names[] = {"PanelManager", "PanelIncome", "PanelExpend", "PanelRegular", "PanelAnalyse",
                           "PanelDiagram"};
    for (int i = 0; i < 6; ++i) {
        Panels_[i]->setObjectName(QString::fromLatin1(names[i]));
        Panels_[i]->setGeometry(MenuWidth, 0, width() - MenuWidth, height());
        Panels_[i]->hide();
    }

    BuildManagerPanel(PanelManager);
    for (int i = 0; i < 3; ++i)
        BuildBookingPanel(i);

    btnAnalysePage1 = PanelButton(PanelAnalyse, {8, 528, 98, 24}, QStringLiteral("Seite 1"), QStringLiteral("Seite 1 (Alt+A)"));
    btnAnalysePage2 = PanelButton(PanelAnalyse, {110, 528, 98, 24}, QStringLiteral("Seite 2"), QStringLiteral("Seite 2 (Alt+B)"));
    btnPrintAnalyse = PanelButton(PanelAnalyse, {212, 528, 98, 24}, QStringLiteral("Drucken"), QStringLiteral("Drucken (Alt+D)"));
    btnAnalysePage1->setObjectName(QStringLiteral("btnAnalysePage1"));
    btnAnalysePage2->setObjectName(QStringLiteral("btnAnalysePage2"));
    btnPrintAnalyse->setObjectName(QStringLiteral("btnPrintAnalyse"));
    PanelHotKeys_[4] = {{btnAnalysePage1, TSkinHotKey::QBAlt_A},
                        {btnAnalysePage2, TSkinHotKey::QBAlt_B},
                        {btnPrintAnalyse, TSkinHotKey::QBAlt_D}};

    btnShowDiaInc = PanelButton(PanelDiagram, {8, 528, 118, 24}, QStringLiteral("Einnahmen"), QStringLiteral("Einnahmen (Alt+E)"));
    btnShowDiaOut = PanelButton(PanelDiagram, {130, 528, 118, 24}, QStringLiteral("Ausgaben"), QStringLiteral("Ausgaben (Alt+A)"));
    btnPrintDiagram = PanelButton(PanelDiagram, {252, 528, 118, 24}, QStringLiteral("Drucken"), QStringLiteral("Drucken (Alt+D)"));
    btnShowDiaInc->setObjectName(QStringLiteral("btnShowDiaInc"));
    btnShowDiaOut->setObjectName(QStringLiteral("btnShowDiaOut"));
    btnPrintDiagram->setObjectName(QStringLiteral("btnPrintDiagram"));
    PanelHotKeys_[5] = {{btnShowDiaInc, TSkinHotKey::QBAlt_E},
                        {btnShowDiaOut, TSkinHotKey::QBAlt_A},
                        {btnPrintDiagram, TSkinHotKey::QBAlt_D}};
}

void TFormQEL::BuildManagerPanel(TMainPanel *panel)
{
    auto *intro = new QLabel(QStringLiteral("Hier erstellen und verwalten Sie Ihre Haushaltsbücher. In der Übersicht "
                                            "werden alle vorhandenen Haushaltsbücher aufgelistet. Sie können diese "
                                            "Bücher öffnen oder auch vom System löschen."),
                             panel);
    intro->setObjectName(QStringLiteral("LabelIntro"));
    intro->setGeometry(6, 38, 619, 40);
    intro->setWordWrap(true);
    intro->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont introFont(QStringLiteral("MS Sans Serif"));
    introFont.setPixelSize(13);
    intro->setFont(introFont);

    AddHeaderCells(panel, 78, ManagerHeader);

    ListViewManager = new TQELListView(
        Books_.Books(),
        [this](QPainter &p, const QRect &r, const ListRow &row, bool selected) {
            PaintBookRow(p, r, row, selected, Books_.CurrentBook());
        },
        panel);
    ListViewManager->setObjectName(QStringLiteral("ListViewManager"));
    ListViewManager->setAccessibleName(QStringLiteral("Haushaltsbücher"));
    ListViewManager->SetRowText([this](const ListRow &row) { return SpokenBookRow(row, Books_.CurrentBook()); });
    // Room below for the trash, right under the list of the books it takes.
    ListViewManager->setGeometry(6, 95, 619, 391);
    connect(ListViewManager, &TQELListView::RowActivated, this, &TFormQEL::btnOpenBookClick);

    btnNewBook = PanelButton(panel, {6, 514, 146, 38}, QStringLiteral("Haushaltsbuch#erstellen"), QStringLiteral("Erstellen (Alt+N)"));
    btnOpenBook = PanelButton(panel, {158, 514, 146, 38}, QStringLiteral("Haushaltsbuch#öffnen"), QStringLiteral("Öffnen (Alt+O)"));
    btnDeleteBook = PanelButton(panel, {310, 514, 146, 38}, QStringLiteral("Haushaltsbuch#entfernen"), QStringLiteral("Entfernen (Alt+E)"));
    btnNewBook->setObjectName(QStringLiteral("btnNewBook"));
    btnOpenBook->setObjectName(QStringLiteral("btnOpenBook"));
    btnDeleteBook->setObjectName(QStringLiteral("btnDeleteBook"));
    // Beside the three buttons, above the search field: the row has room for one more of their size.
    btnImport = PanelButton(panel, {462, 514, 163, 18}, QStringLiteral("Kontoauszug importieren"), QStringLiteral("Kontoauszug importieren (Alt+I)"));
    btnImport->SetTextSize(8);
    btnImport->setObjectName(QStringLiteral("btnImport"));
    btnTrash = PanelButton(panel, {505, 489, 120, 21}, QStringLiteral("Papierkorb…"), QStringLiteral("Papierkorb (Alt+P)"));
    btnTrash->SetTextSize(8);
    btnTrash->setObjectName(QStringLiteral("btnTrash"));
    PanelHotKeys_[0] = {{btnNewBook, TSkinHotKey::QBAlt_N},
                        {btnOpenBook, TSkinHotKey::QBAlt_O},
                        {btnDeleteBook, TSkinHotKey::QBAlt_E},
                        {btnImport, TSkinHotKey::QBAlt_I},
                        {btnTrash, TSkinHotKey::QBAlt_P}};
    connect(btnNewBook, &TOrvoSkinButton::Clicked, this, &TFormQEL::btnNewBookClick);
    connect(btnOpenBook, &TOrvoSkinButton::Clicked, this, &TFormQEL::btnOpenBookClick);
    connect(btnDeleteBook, &TOrvoSkinButton::Clicked, this, &TFormQEL::btnDeleteBookClick);
    connect(btnImport, &TOrvoSkinButton::Clicked, this, &TFormQEL::btnImportClick);
    connect(btnTrash, &TOrvoSkinButton::Clicked, this, &TFormQEL::btnTrashClick);
    BuildBookSearch();
}

void TFormQEL::BuildBookingPanel(int index)
{
    TMainPanel *panel = Panels_[index + 1];
    const bool regular = index == 2;
    if (regular)
        AddHeaderCells(panel, 37, RegularHeader);
    else
        AddHeaderCells(panel, 37, BookingHeader);

    const char *listNames[] = {"ListViewIncome", "ListViewExpend", "ListViewRegular"};
    auto *view = new TQELListView(PanelList(index), regular ? PaintRegularRow : PaintBookingRow, panel);
    view->setObjectName(QString::fromLatin1(listNames[index]));
    const char16_t *spokenNames[] = {u"Einnahmen", u"Ausgaben", u"Regelmäßige Buchungen"};
    view->setAccessibleName(Text(spokenNames[index]));
    view->SetRowText(regular ? SpokenRegularRow : SpokenBookingRow);
    view->setGeometry(6, 54, 619, 440);
    BookingViews_[index] = view;

    const char *labelNames[] = {"LabelResultIncome", "LabelResultExpend", "LabelRegularSumary"};
    const char16_t *labelTexts[] = {u"Gesamteinnahmen: 0,00 Euro", u"Gesamtausgaben: 0,00 Euro",
                                    u"Gesamtguthaben: 0,00 Euro"};
    auto *label = new QLabel(Text(labelTexts[index]), panel);
    label->setObjectName(QString::fromLatin1(labelNames[index]));
    label->setGeometry(6, 496, 619, 24);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont labelFont(QStringLiteral("MS Sans Serif"));
    labelFont.setPixelSize(16);
    label->setFont(labelFont);
    BookingTotals_[index] = label;

    for (int k = 0; k < 5; ++k) {
        const CommandEntry &c = BookingCommands[k];
        TOrvoSkinButton *button = PanelButton(panel, {c.Left, 528, 118, 24}, Text(c.Caption), Text(c.Hint));
        button->setObjectName(QString::fromLatin1(BookingPanels[index].Names[k]));
        BookingButtons_[index][k] = button;
        PanelHotKeys_[index + 1].append({button, c.HotKey});
    }
    // The export buttons keep the initial focus colour.
    BookingButtons_[index][4]->SetFocusColor(ColorFromRef(13417909));

    using Handler = void (TFormQEL::*)();
    const Handler handlers[3][5] = {
        {&TFormQEL::btnEntryIncomeClick, &TFormQEL::btnEditIncomeClick, &TFormQEL::btnDeleteIncomeClick,
         &TFormQEL::btnPrintIncomeClick, &TFormQEL::btnExportIncomeClick},
        {&TFormQEL::btnEntryExpendClick, &TFormQEL::btnEditExpendClick, &TFormQEL::btnDeleteExpendClick,
         &TFormQEL::btnPrintExpendClick, &TFormQEL::btnExportExpendClick},
        {&TFormQEL::btnEntryRegularClick, &TFormQEL::btnEditRegularClick, &TFormQEL::btnDeleteRegularClick,
         &TFormQEL::btnPrintRegularClick, &TFormQEL::btnExportRegularClick},
    };
    for (int k = 0; k < 5; ++k)
        connect(BookingButtons_[index][k], &TOrvoSkinButton::Clicked, this, handlers[index][k]);
    // Double click and Return edit the selected row.
    connect(view, &TQELListView::RowActivated, this, handlers[index][1]);
}

bool TFormQEL::FormCreate(BookScan scan)
{
    const LedgerPaths &paths = Books_.Paths();
    if (!QDir().mkpath(paths.ProgramDataFolder)) {
        QApplication::beep();
        ShowError(this, QStringLiteral("Verzeichnis für Programmdaten konnte nicht angelegt werden!"));
        return false;
    }
    if (!QDir().mkpath(paths.DataFolder)) {
        QApplication::beep();
        ShowError(this, QStringLiteral("Verzeichnis für Daten konnte nicht angelegt werden!"));
        return false;
    }
    if (!QFileInfo::exists(paths.HelpFile()))
        ShowError(this, QStringLiteral("Die Hilfedatei wurde nicht gefunden!"));
    Settings_ = LoadSettings(paths.SettingsFile());
    // A backup or restore that was killed is finished or undone before anything is read.
    if (const QStringList recovered = LedgerBackup(paths).Recover(); !recovered.isEmpty())
        ShowInformation(this, recovered.join(QStringLiteral("\n\n")));
    // The only instance runs: no save is under way whose temporary file could still be needed.
    ListFiles::RemoveLeftovers(paths.DataFolder);
    ListFiles::RemoveOwnLeftovers(paths.ProgramDataFolder);
    ListFiles::RemoveOwnLeftovers(paths.TransferJournalFolder());

    // A damaged category table costs the dialogs their names, not the bookings: the
    // regular bookings and the books are still read, so that no save can replace them
    // with lists that were never read.
    try {
        Categories_.LoadCategoryTable(paths.CategoryFile());
    } catch (const QelError &error) {
        Report(error.Message());
    }
    Books_.SetCurrentBook(QString());
    Books_.SetBookChanged(false);
    // An unreadable Regular.dat, like an unreadable month book, is reported and start-up
    // goes on: the books are still listed, the damaged file is kept and not written over.
    StartErrors_.clear();
    try {
        Books_.LoadRegular();
    } catch (const QelError &error) {
        StartErrors_.append(error.Message());
    }
    Books_.SetRegularChanged(false);
    ShowRegularTotals();
    if (scan == BookScan::Now)
        ScanBookList();
    ShowPanel(0);
    DiagramMode_ = 1;
    Timer1Timer();
    return true;
}

void TFormQEL::ScanBookList()
{
    QStringList errors = std::exchange(StartErrors_, {});
    for (const QString &error : Books_.ScanBooks()) {
        if (!errors.contains(error))
            errors.append(error);
    }
    RefreshListViews();
    Timer1Timer();
    // What other computers did, or what was changed beside the program, is said once; from now
    // on it is seen as it comes, also while that note is still open.
    if (Books_.HasLogs()) {
        WatchDataFolder();
        Books_.PrepareLogs();
    }
    if (const QStringList notes = Books_.TakeNotes(); !notes.isEmpty())
        ShowInformation(this, notes.join(QStringLiteral("\n\n")));
    if (!errors.isEmpty())
        Report(errors.join(QStringLiteral("\n\n")));
}

void TFormQEL::ShowPanel(int panel)
{
    for (int i = 0; i < 6; ++i)
        MenuButtons_[i]->SetDowned(i == panel);
    for (int i = 0; i < 6; ++i)
        Panels_[i]->setVisible(i == panel);
    // One Alt letter serves different buttons on different panels.
    for (int i = 0; i < 6; ++i) {
        for (const auto &[button, hotKey] : PanelHotKeys_[i])
            button->SetHotKey(i == panel ? hotKey : TSkinHotKey::None);
    }
    PanelIndex_ = panel;
    // The note of an overspending booking is about that booking only.
    if (LabelBudgetNote)
        LabelBudgetNote->hide();
    // F1 opens the help on what the panel shows.
    static const char16_t *const PanelTopics[] = {u"/uebersicht.html", u"/buchungen.html", u"/buchungen.html",
                                                  u"/regelmaessig.html", u"/auswertung.html", u"/auswertung.html"};
    if (panel == 4 && ImageAnalyseYear->isVisibleTo(ScrollBoxAnalyse))
        SetHelpTopic(this, QStringLiteral("/jahresuebersicht.html"));
    else if (panel >= 0 && panel < 6)
        SetHelpTopic(this, QString::fromUtf16(PanelTopics[panel]));
    // The keyboard works on the shown panel's list: arrows move, Return opens or edits.
    if (panel == 0)
        ListViewManager->setFocus(Qt::OtherFocusReason);
    else if (panel >= 1 && panel <= 3)
        BookingViews_[panel - 1]->setFocus(Qt::OtherFocusReason);
}

void TFormQEL::Timer1Timer()
{
    const bool bookOpen = !Books_.CurrentBook().isEmpty();
    for (TOrvoSkinButton *button : {btnIncome, btnExpend, btnAnalyse, btnDiagram})
        button->SetEnabled(bookOpen);
    const bool bookSelected = Books_.Books().Selected() >= 0;
    btnOpenBook->SetEnabled(bookSelected);
    btnDeleteBook->SetEnabled(bookSelected);

    const BookingList *lists[] = {&Books_.Income(), &Books_.Expend(), &Books_.Regular()};
    for (int i = 0; i < 3; ++i) {
        TOrvoSkinButton *edit = BookingButtons_[i][1];
        edit->SetEnabled(lists[i]->Selected() >= 0);
        BookingButtons_[i][2]->SetEnabled(edit->Enabled());
        BookingButtons_[i][3]->SetEnabled(!lists[i]->IsEmpty());
        BookingButtons_[i][0]->SetEnabled(true);
    }
}

void TFormQEL::closeEvent(QCloseEvent *event)
{
    if (!Ending_ && !AskConfirmation(this, QStringLiteral("Möchten Sie das Haushaltsbuch jetzt beenden?"))) {
        event->ignore();
        return;
    }
    if (!SaveAtShutdown()) {
        event->ignore();
        return;
    }
    Timer1_.stop();
    if (const QString failure = KeepAutomaticBackup(); !failure.isEmpty()) {
        if (Quiet_)
            std::fprintf(stderr, "%s\n", failure.toLocal8Bit().constData());
        else
            ShowError(this, failure);
    }
    event->accept();
    emit Closed();
}

QString TFormQEL::KeepAutomaticBackup()
{
    // After a restore the data are the restored ones, and the copy from before it is kept.
    if (EndsAfterRestore_ || BackupKept_ || !Books_.FilesChanged())
        return {};
    BackupKept_ = true;
    try {
        LedgerBackup(Books_.Paths()).KeepAutomaticCopy(QDateTime::currentDateTime());
    } catch (const QelError &error) {
        return error.Message() + QStringLiteral("\n\nIhre Daten sind gespeichert; das Haushaltsbuch wird beendet.");
    }
    return {};
}

void TFormQEL::EndWithoutQuestions(const QString &why)
{
    std::fprintf(stderr, "Orvo Haushaltsbuch: %s – das Programm wird beendet.\n", why.toLocal8Bit().constData());
    Ending_ = true;
    Quiet_ = true;
    KeepDraft();
    // Closed then ends the program, open dialogs too: their loops end with the program's.
    close();
}

void TFormQEL::SaveForSessionEnd()
{
    Quiet_ = true;
    KeepDraft();
    SaveAtShutdown();
    if (const QString failure = KeepAutomaticBackup(); !failure.isEmpty())
        std::fprintf(stderr, "%s\n", failure.toLocal8Bit().constData());
    // The session closes the window next: no question then.
    Ending_ = true;
}

bool TFormQEL::SaveAtShutdown()
{
    try {
        if (Books_.BookChanged())
            Books_.SaveCurrentBook();
        if (Books_.RegularChanged())
            Books_.SaveRegular();
        Books_.SetBookChanged(false);
        Books_.SetRegularChanged(false);
    } catch (const QelError &error) {
        if (Quiet_) {
            std::fprintf(stderr, "%s\n", error.Message().toLocal8Bit().constData());
            return true;
        }
        ShowError(this, error.Message());
        // After a restore only the settings are left to write, and running on would write the
        // lists from before the restore over the restored files: the program ends regardless.
        if (EndsAfterRestore_)
            return true;
        // Ending now would lose the changes: say so and let the user decide.
        return AskConfirmation(this, QStringLiteral("Die Änderungen konnten nicht gespeichert werden.\n"
                                                    "Möchten Sie das Haushaltsbuch trotzdem beenden? "
                                                    "Die nicht gespeicherten Änderungen gehen dann verloren."));
    }
    // The bookings are saved by now: a failure here costs the settings alone.
    try {
        SaveSettings(Books_.Paths().SettingsFile(), Settings_);
    } catch (const QelError &error) {
        const QString message = error.Message()
                                + QStringLiteral("\n\nIhre Buchungen sind gespeichert; nur die Einstellungen (Ordner "
                                                 "und Name der Datensicherung) konnten nicht gespeichert werden.");
        if (Quiet_)
            std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        else
            ShowError(this, message);
    }
    return true;
}

void TFormQEL::EndAfterRestore()
{
    Books_.SetBookChanged(false);
    Books_.SetRegularChanged(false);
    Ending_ = true;
    EndsAfterRestore_ = true;
    close();
    // An open help window must not keep the program running over the restored files.
    QCoreApplication::quit();
}

void TFormQEL::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    for (TMainPanel *panel : Panels_) {
        if (panel)
            panel->setGeometry(MenuWidth, 0, std::max(0, width() - MenuWidth), height());
    }
}

void TFormQEL::Report(const QString &message)
{
    ShowErrorReport(this, message);
}

void TFormQEL::btnManagerClick()
{
    ShowPanel(0);
    try {
        Books_.RefreshCurrentBook();
    } catch (const QelError &error) {
        Report(error.Message());
    }
    // The other computer may have sent its version meanwhile.
    if (MergeConflictCopies()) {
        const QStringList errors = Books_.ScanBooks();
        if (!errors.isEmpty())
            Report(errors.join(QStringLiteral("\n\n")));
    }
    RefreshListViews();
}

void TFormQEL::btnIncomeClick()
{
    ShowPanel(1);
}

void TFormQEL::btnExpendClick()
{
    ShowPanel(2);
}

void TFormQEL::btnRegularClick()
{
    ShowPanel(3);
}

void TFormQEL::btnBackupClick()
{
    // Made when first asked for: its pages and their icons cost every start otherwise.
    if (!FormBackup)
        FormBackup = new TFormBackup(Settings_, Books_.Paths(), Help_, this);
    FormBackup->Books = &Books_;
    FormBackup->exec();
    if (FormBackup->Restored)
        EndAfterRestore();
}

void TFormQEL::btnHelpClick()
{
    Help_.HHHelpContext(Books_.Paths().HelpFile(), 1000);
}

void TFormQEL::btnInfoClick()
{
    FormInfo_->exec();
}
