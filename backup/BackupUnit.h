#pragma once

#include "dialogs/DialogFrame.h"
#include "ledger/LedgerPaths.h"

struct BackupSettings;
class BookManager;
class QComboBox;
class QLabel;
class QTabWidget;
class QTimer;
class TOrvoSkinCheckBox;

// The backup window ("Datensicherung"): page 0 backs the data folder up into the folder made
// of BackupPath and BackupName, page 1 restores it from a folder the user picks or from one of
// the automatic backups. The settings are the main window's; a backup stores the two fields in
// them. After a successful restore Restored is true and the program must end without writing
// its lists over the restored files.
class TFormBackup : public TDialogFrame
{
    Q_OBJECT

public:
    TFormBackup(BackupSettings &settings, LedgerPaths paths, HelpSystem &help, QWidget *parent = nullptr);

    bool Restored = false;
    // The ledger a restore changes (through its change logs); none: the files are replaced.
    BookManager *Books = nullptr;

    void Timer1Timer();

private:
    void FormShow() override;
    void FormClose() override;
    void btnChangeBackupPathClick();
    void btnChangeRestorePathClick();
    void btnHelpClick();
    void btnOKClick();
    void btnCancelClick();
    void ComboAutoBackupSelect(int index);
    void FillAutoBackups();
    bool eventFilter(QObject *watched, QEvent *event) override;
    void RunBackup();
    void RunRestore();
    // Qt's own folder dialog; the chosen folder, or nothing when cancelled.
    QString ChooseFolder();
    // The question before either run, listing what the page's boxes select.
    bool Confirm(const QString &head, const QString &question, bool books, bool regular);
    void ShowFailure(const QString &message);

    BackupSettings &Settings_;
    LedgerPaths Paths_;
    HelpSystem &Help_;

    QLabel *ImageBanner = nullptr;
    QTabWidget *PagesBackup = nullptr;
    QLineEdit *EditBackupPath = nullptr;
    TOrvoSkinButton *btnChangeBackupPath = nullptr;
    QLineEdit *EditBackupName = nullptr;
    TOrvoSkinCheckBox *rbCheckBackBooks = nullptr;
    TOrvoSkinCheckBox *rbCheckBackRegular = nullptr;
    QLineEdit *EditRestorePath = nullptr;
    TOrvoSkinButton *btnChangeRestorePath = nullptr;
    TOrvoSkinCheckBox *rbCheckRestBooks = nullptr;
    TOrvoSkinCheckBox *rbCheckRestRegular = nullptr;
    QComboBox *ComboAutoBackup = nullptr; // the automatic backups, newest first, after "keine"
    QLabel *LabelAutoContents = nullptr;  // the chosen copy's books against the data now
    static constexpr int AutoNameRole = Qt::UserRole + 1;
    TOrvoSkinButton *btnHelp = nullptr;
    TOrvoSkinButton *btnOK = nullptr;
    TOrvoSkinButton *btnCancel = nullptr;
    QTimer *Timer1 = nullptr;
};
