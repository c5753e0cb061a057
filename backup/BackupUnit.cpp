#include "backup/BackupUnit.h"

#include "transfer/AutoCopyContents.h"

#include "transfer/BackupEngine.h"
#include "backup/LedgerBackup.h"
#include "controls/MessageBoxes.h"
#include "controls/OrvoSkinButton.h"
#include "controls/OrvoSkinCheckBox.h"
#include "controls/OrvoSkinPanel.h"
#include "ledger/QelError.h"
#include "ledger/Settings.h"
#include "support/Banner.h"
#include "support/HelpSystem.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLocale>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <tuple>

using namespace Qt::StringLiterals;

namespace {

constexpr int HelpContext = 1007;
constexpr int MaxNameLength = 255;

QLabel *AddPageLabel(QWidget *page, const QString &text, const QPoint &at)
{
    auto *label = new QLabel(text, page);
    label->move(at);
    label->adjustSize();
    return label;
}

// A read-only path field whose hint always shows its whole text. It takes any length: a
// chosen folder must never be cut short.
QLineEdit *AddPathEdit(QWidget *page, const char *name, const QRect &geometry)
{
    auto *edit = new QLineEdit(page);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(geometry);
    edit->setReadOnly(true);
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit](const QString &text) {
        if (edit->toolTip() != text)
            edit->setToolTip(text);
    });
    return edit;
}

// The panel with the two check boxes of a page, both checked at first.
std::pair<TOrvoSkinCheckBox *, TOrvoSkinCheckBox *> AddChoicePanel(QWidget *page, const char *name, int top,
                                                                   const QString &title, const char *booksName,
                                                                   const char *regularName)
{
    auto *panel = new TOrvoSkinPanel(page);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setGeometry(8, top, 350, 76);
    panel->SetTitle(title);
    const auto addBox = [panel](const char *boxName, int boxTop, const QString &caption) {
        auto *box = new TOrvoSkinCheckBox(panel);
        box->setObjectName(QString::fromLatin1(boxName));
        box->move(14, boxTop);
        box->SetCaption(caption);
        box->SetCheckSymbol(TCheckSymbol::sCross);
        box->SetColor(panel->BackColor());
        box->SetChecked(true);
        return box;
    };
    return {addBox(booksName, 28, u"Haushaltsbücher"_s), addBox(regularName, 50, u"Regelmäßige Buchungen"_s)};
}

QString WithNotes(const QString &message, const QStringList &notes)
{
    return notes.isEmpty() ? message : message + u"\n\n"_s + notes.join(u"\n\n"_s);
}

} // namespace

TFormBackup::TFormBackup(BackupSettings &settings, LedgerPaths paths, HelpSystem &help, QWidget *parent)
    : TDialogFrame(parent, u"FormBackup"_s, u"Datensicherung"_s, {394, 341})
    , Settings_(settings)
    , Paths_(std::move(paths))
    , Help_(help)
{
    // No close box: the window ends through OK, Abbrechen or Escape.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    ImageBanner = AddBanner(40);

    PagesBackup = new QTabWidget(this);
    PagesBackup->setObjectName(u"PagesBackup"_s);
    PagesBackup->setGeometry(8, 48, 378, 241);
    auto *backupPage = new QWidget;
    backupPage->setObjectName(u"TabBackup"_s);
    auto *restorePage = new QWidget;
    restorePage->setObjectName(u"TabRestore"_s);
    PagesBackup->addTab(backupPage, style()->standardIcon(QStyle::SP_DialogSaveButton), u"Daten sichern"_s);
    PagesBackup->addTab(restorePage, style()->standardIcon(QStyle::SP_BrowserReload), u"Daten wieder herstellen"_s);

    const auto folderButton = [this](const char *name, QWidget *page) {
        // Alt+V, or Return or F4 in the path field: the folder is chosen without the mouse too.
        TOrvoSkinButton *button = AddPictureButton(name, {337, 26, 21, 21}, u"BTNPIC_FOLDER"_s,
                                                   u"Verzeichnis wählen (Alt+V)"_s, TSkinHotKey::QBAlt_V);
        button->setParent(page);
        button->show();
        return button;
    };
    QLabel *backupPathLabel = AddPageLabel(backupPage, u"Verzeichnis für die Datensicherung:"_s, {8, 10});
    EditBackupPath = AddPathEdit(backupPage, "EditBackupPath", {8, 26, 325, 21});
    backupPathLabel->setBuddy(EditBackupPath);
    btnChangeBackupPath = folderButton("btnChangeBackupPath", backupPage);
    QLabel *backupNameLabel = AddPageLabel(backupPage, u"Name der Datensicherung:"_s, {8, 56});
    EditBackupName = new QLineEdit(BackupSettings::DefaultBackupName(), backupPage);
    backupNameLabel->setBuddy(EditBackupName);
    EditBackupName->setObjectName(u"EditBackupName"_s);
    EditBackupName->setGeometry(8, 72, 350, 21);
    EditBackupName->setMaxLength(MaxNameLength);
    std::tie(rbCheckBackBooks, rbCheckBackRegular) = AddChoicePanel(
        backupPage, "PanelBackup", 106, u"Folgende Daten sichern"_s, "rbCheckBackBooks", "rbCheckBackRegular");

    QLabel *restorePathLabel = AddPageLabel(restorePage, u"Verzeichnis der gesicherten Daten:"_s, {8, 10});
    EditRestorePath = AddPathEdit(restorePage, "EditRestorePath", {8, 26, 325, 21});
    restorePathLabel->setBuddy(EditRestorePath);
    btnChangeRestorePath = folderButton("btnChangeRestorePath", restorePage);
    std::tie(rbCheckRestBooks, rbCheckRestRegular) =
        AddChoicePanel(restorePage, "PanelRestore", 60, u"Folgende Daten wieder herstellen"_s, "rbCheckRestBooks",
                       "rbCheckRestRegular");
    auto *autoLabel = AddPageLabel(restorePage, u"Oder aus der &automatischen Sicherung vom:"_s, {8, 146});
    ComboAutoBackup = new QComboBox(restorePage);
    ComboAutoBackup->setObjectName(u"ComboAutoBackup"_s);
    ComboAutoBackup->setGeometry(8, 162, 350, 22);
    autoLabel->setBuddy(ComboAutoBackup);
    LabelAutoContents = new QLabel(restorePage);
    LabelAutoContents->setObjectName(u"LabelAutoContents"_s);
    LabelAutoContents->setGeometry(8, 186, 360, 28);
    LabelAutoContents->setWordWrap(true);
    LabelAutoContents->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (QLineEdit *edit : {EditBackupPath, EditRestorePath})
        edit->installEventFilter(this);

    QWidget *bar = AddButtonBar();
    btnHelp = AddHelpButton(bar);
    std::tie(btnOK, btnCancel) = AddOkCancel(bar, 152);

    Timer1 = new QTimer(this);
    Timer1->setInterval(300);

    connect(Timer1, &QTimer::timeout, this, &TFormBackup::Timer1Timer);
    connect(btnChangeBackupPath, &TOrvoSkinButton::Clicked, this, &TFormBackup::btnChangeBackupPathClick);
    connect(btnChangeRestorePath, &TOrvoSkinButton::Clicked, this, &TFormBackup::btnChangeRestorePathClick);
    connect(btnHelp, &TOrvoSkinButton::Clicked, this, &TFormBackup::btnHelpClick);
    connect(btnOK, &TOrvoSkinButton::Clicked, this, &TFormBackup::btnOKClick);
    connect(btnCancel, &TOrvoSkinButton::Clicked, this, &TFormBackup::btnCancelClick);
    connect(ComboAutoBackup, &QComboBox::activated, this, &TFormBackup::ComboAutoBackupSelect);
}

bool TFormBackup::eventFilter(QObject *watched, QEvent *event)
{
    // Return or F4 in a read-only path field opens the folder dialog, as the button does.
    if (event->type() == QEvent::KeyPress && (watched == EditBackupPath || watched == EditRestorePath)) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool opens = (key->key() == Qt::Key_F4 && key->modifiers() == Qt::NoModifier)
                           || ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
                               && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier);
        if (opens) {
            if (watched == EditBackupPath)
                btnChangeBackupPathClick();
            else
                btnChangeRestorePathClick();
            return true;
        }
    }
    return TDialogFrame::eventFilter(watched, event);
}

void TFormBackup::FillAutoBackups()
{
    ComboAutoBackup->clear();
    ComboAutoBackup->addItem(u"(keine ausgewählt)"_s);
    const QLocale german(QLocale::German, QLocale::Germany);
    for (const AutoBackupEntry &entry : AutoBackups(Paths_.AutoBackupFolder()).List()) {
        // Its books and how they stand against the data now: the copy from before a slip is
        // the one whose books differ.
        const AutoCopyContents contents = CompareAutoCopy(entry.Folder, Paths_.DataFolder);
        ComboAutoBackup->addItem(entry.When.toString(u"dd.MM.yyyy  HH:mm:ss"_s) + u"  ("_s
                                     + german.dayName(entry.When.date().dayOfWeek()) + u") – "_s
                                     + BookCountText(contents.Books.size()),
                                 entry.Folder);
        const int item = ComboAutoBackup->count() - 1;
        ComboAutoBackup->setItemData(item, contents.Text(), Qt::ToolTipRole);
        ComboAutoBackup->setItemData(item, entry.Name, AutoNameRole);
    }
    ComboAutoBackup->setEnabled(ComboAutoBackup->count() > 1);
    LabelAutoContents->clear();
}

void TFormBackup::ComboAutoBackupSelect(int index)
{
    const QString folder = ComboAutoBackup->itemData(index).toString();
    if (!folder.isEmpty())
        EditRestorePath->setText(QDir::toNativeSeparators(folder));
    LabelAutoContents->setText(ComboAutoBackup->itemData(index, Qt::ToolTipRole).toString());
}

void TFormBackup::FormShow()
{
    CentreOnScreen();
    ShowBanner(ImageBanner, u"BAN_BACKUP"_s);
    EditBackupPath->setText(Settings_.BackupPath);
    EditBackupName->setText(Settings_.BackupName);
    // The last backup is the likely one to restore; with a setting blank the field keeps
    // what it had.
    if (!Settings_.BackupPath.trimmed().isEmpty() && !Settings_.BackupName.trimmed().isEmpty()) {
        const QString folder = BackupEngine::BackupFolder(Settings_.BackupPath, Settings_.BackupName);
        EditRestorePath->setText(QFileInfo(folder).isDir() ? folder : QString());
    }
    FillAutoBackups();
    Restored = false;
    // The page tabs first: the arrow keys choose the page, Tab leads into it.
    PagesBackup->setFocus();
    // Judged at once, so that a quick Return cannot act on what the last showing left enabled.
    Timer1Timer();
    Timer1->start();
}

void TFormBackup::FormClose()
{
    Timer1->stop();
    DropBanner(ImageBanner);
}

void TFormBackup::Timer1Timer()
{
    if (PagesBackup->currentIndex() == 0) {
        btnOK->SetEnabled((rbCheckBackBooks->Checked() || rbCheckBackRegular->Checked())
                          && !EditBackupPath->text().isEmpty() && !EditBackupName->text().isEmpty());
    } else {
        btnOK->SetEnabled((rbCheckRestBooks->Checked() || rbCheckRestRegular->Checked())
                          && !EditRestorePath->text().isEmpty());
    }
}

QString TFormBackup::ChooseFolder()
{
    QFileDialog dialog(this, u"Verzeichnis wählen..."_s, QDir::homePath());
    dialog.setObjectName(u"FolderDialog"_s);
    dialog.setFileMode(QFileDialog::Directory);
    // Qt's own dialog, folders only; read-only, so that it offers no new folder.
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog | QFileDialog::ReadOnly);
    // Neither a new folder nor a choice of file types belongs in a folder choice.
    for (const QString &name : {u"newFolderButton"_s, u"fileTypeLabel"_s, u"fileTypeCombo"_s}) {
        if (auto *widget = dialog.findChild<QWidget *>(name))
            widget->hide();
    }
    dialog.resize(dialog.sizeHint());
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        dialog.move(screen->availableGeometry().center() - dialog.rect().center());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

void TFormBackup::btnChangeBackupPathClick()
{
    if (const QString folder = ChooseFolder(); !folder.isEmpty())
        EditBackupPath->setText(folder);
    // On to the next field: Return there means OK, in the path field it would choose again.
    EditBackupName->setFocus();
}

void TFormBackup::btnChangeRestorePathClick()
{
    if (const QString folder = ChooseFolder(); !folder.isEmpty()) {
        EditRestorePath->setText(folder);
        ComboAutoBackup->setCurrentIndex(0);
    }
    PagesBackup->setFocus();
}

void TFormBackup::btnHelpClick()
{
    Help_.HHHelpContext(Paths_.HelpFile(), HelpContext);
}

void TFormBackup::btnCancelClick()
{
    reject();
}

void TFormBackup::btnOKClick()
{
    // The boxes and fields may have changed since the last tick.
    Timer1Timer();
    if (!btnOK->Enabled())
        return;
    if (PagesBackup->currentIndex() == 0)
        RunBackup();
    else
        RunRestore();
}

bool TFormBackup::Confirm(const QString &head, const QString &question, bool books, bool regular)
{
    QString list;
    if (books)
        list = u"- Haushaltsbücher"_s;
    if (regular)
        list += u"\n- Regelmäßige Buchungen"_s;
    return AskOkCancel(this, head + u"\n\n"_s + list + u"\n\n"_s + question);
}

void TFormBackup::ShowFailure(const QString &message)
{
    QApplication::beep();
    ShowError(this, message);
}

void TFormBackup::RunBackup()
{
    const BackupSelection what{rbCheckBackBooks->Checked(), rbCheckBackRegular->Checked()};
    if (!Confirm(u"Folgende Daten werden gesichert:"_s, u"Datensicherung jetzt starten?"_s, what.Books, what.Regular))
        return;
    TransferReport report;
    // Kept even when the backup fails.
    Settings_.BackupPath = EditBackupPath->text();
    Settings_.BackupName = EditBackupName->text();
    try {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restoreCursor = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
        report = LedgerBackup(Paths_).Backup(BackupEngine::BackupFolder(Settings_.BackupPath, Settings_.BackupName),
                                             what);
    } catch (const QelError &error) {
        ShowFailure(error.Message());
        return;
    }
    if (!report.LateFailure.isEmpty())
        return ShowFailure(report.LateFailure);
    ShowInformation(this, WithNotes(BackupEngine::BackupDoneMessage(), report.Notes));
    accept();
}

void TFormBackup::RunRestore()
{
    const BackupSelection what{rbCheckRestBooks->Checked(), rbCheckRestRegular->Checked()};
    if (!Confirm(u"Folgende Daten werden wieder hergestellt:"_s, u"Wiederherstellung jetzt starten?"_s, what.Books,
                 what.Regular))
        return;
    TransferReport report;
    try {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restoreCursor = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
        report = LedgerBackup(Paths_).Restore(QDir::fromNativeSeparators(EditRestorePath->text()), what, Books);
    } catch (const QelError &error) {
        ShowFailure(error.Message());
        return;
    }
    // The new files are in place even when something failed afterwards: the program ends all the same.
    if (!report.LateFailure.isEmpty())
        ShowFailure(report.LateFailure);
    QStringList notes = report.Notes;
    // From an automatic copy: what became of the changes made since.
    const int item = ComboAutoBackup->currentIndex();
    if (item > 0 && QDir::fromNativeSeparators(EditRestorePath->text()) == ComboAutoBackup->itemData(item).toString())
        notes.prepend(RestoreUndoesChangesMessage(ComboAutoBackup->itemData(item, AutoNameRole).toString()));
    ShowInformation(this, WithNotes(BackupEngine::RestoreDoneMessage()
                                        + u"\nZur Datenübernahme muss das Programm neu gestartet werden!"_s,
                                    notes));
    Restored = true;
    accept();
}
