#include "MainWindowFixture.h"

#include "backup/BackupUnit.h"
#include "backup/LedgerBackup.h"
#include "controls/Fonts.h"
#include "controls/OrvoSkinCheckBox.h"
#include "ledger/ListFiles.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QTabBar>
#include <QTabWidget>

using namespace Qt::StringLiterals;

namespace {

// Answers every message box that opens with the next caption of its list, and records each
// box as "title: text". A box beyond the list is cancelled.
class BoxAnswers : public QObject
{
public:
    explicit BoxAnswers(QStringList captions)
        : Captions_(std::move(captions))
    {
        Timer_.setInterval(20);
        connect(&Timer_, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            Boxes.append(box->windowTitle() + u": "_s + box->text());
            const QString caption = Captions_.isEmpty() ? QString() : Captions_.takeFirst();
            for (QAbstractButton *button : box->buttons()) {
                if (button->text() == caption)
                    return button->click();
            }
            box->reject();
        });
        Timer_.start();
    }

    QStringList Boxes;

private:
    QStringList Captions_;
    QTimer Timer_;
};

} // namespace

// The backup window through the main window's button, driven with the keyboard where the window
// lets it, over real folders.
class TestBackupForm : public QObject, protected MainWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterFontSubstitutions(); }
    void init();
    void cleanup() { TearDown(); }
    void backupThenRestoreEndsTheProgram();
    void okFollowsBoxesAndFields();
    void failureKeepsTheWindowOpen();
    void folderDialog();
    void folderByKeyboard();
    void restoreFromAnAutomaticBackup();
    void restoreEndsEvenWhenTheSettingsCannotBeSaved();

private:
    // Opens the window with a click on "Datensicherung" and runs the action in it.
    bool InBackupWindow(const std::function<void(QWidget *)> &action);
    // To the focus of the open dialog, also before the window system has activated it.
    static void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget *window = QApplication::activeModalWidget();
        QWidget *target = window && window->focusWidget() ? window->focusWidget() : window;
        QTest::keyClick(target ? target : QApplication::focusWidget(), key, modifiers);
    }
    template<typename T>
    static T *In(QWidget *form, const char *name)
    {
        return form->findChild<T *>(QString::fromLatin1(name));
    }
    QString Stick() const { return Home->filePath(u"USB Stick"_s); }
};

void TestBackupForm::init()
{
    SetUp();
    QVERIFY(Window->FormCreate());
    Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(Window.get()));
    Books->CreateBook(u"März 2008"_s, QDateTime::currentDateTime());
    Books->CreateBook(u"April 2008"_s, QDateTime::currentDateTime());
    Books->AddBooking(Books->Regular(), ListRow::Make(u"01."_s, {u"5.00"_s, u"Lohn"_s, QString(), u"Einnahme"_s}));
    Books->SaveRegular();
    QVERIFY(QDir().mkpath(Stick()));
    Window->Settings().BackupPath = Stick();
}

bool TestBackupForm::InBackupWindow(const std::function<void(QWidget *)> &action)
{
    ModalDriver driver(u"FormBackup"_s, action);
    QTest::mouseClick(Button("btnBackup"), Qt::LeftButton);
    return driver.Done && driver.Closed;
}

void TestBackupForm::backupThenRestoreEndsTheProgram()
{
    const QString folder = Stick() + u"/OrvoHaushalt_Backup"_s;
    const QByteArray april = ListFiles::ReadFile(Paths.BookFile(u"April 2008"_s));
    // Not yet on the disk, so not in the backup.
    Books->AddBooking(Books->Income(), ListRow::Make(u"02.04.2008"_s, {u"5.00"_s, u"Lohn"_s, QString()}));
    // A fifth box (a question before the end) would be cancelled and keep the program running.
    BoxAnswers answers({u"OK"_s, u"OK"_s, u"OK"_s, u"OK"_s});
    QVERIFY(InBackupWindow([&](QWidget *form) {
        QCOMPARE(In<QTabWidget>(form, "PagesBackup")->currentIndex(), 0);
        QCOMPARE(In<QLineEdit>(form, "EditBackupPath")->text(), Stick());
        QCOMPARE(In<QLineEdit>(form, "EditBackupPath")->toolTip(), Stick());
        QCOMPARE(In<QLineEdit>(form, "EditBackupName")->text(), u"OrvoHaushalt_Backup"_s);
        QCOMPARE(In<QLineEdit>(form, "EditRestorePath")->text(), QString());
        Key(Qt::Key_Return);
    }));
    QCOMPARE(answers.Boxes, (QStringList{u"Bestätigen: Folgende Daten werden gesichert:\n\n- Haushaltsbücher\n"
                                         u"- Regelmäßige Buchungen\n\nDatensicherung jetzt starten?"_s,
                                         u"Informationen: Die Datensicherung ist abgeschlossen."_s}));
    QCOMPARE(QDir(folder).entryList(QDir::Files), (QStringList{u"April 2008.qel"_s, u"März 2008.qel"_s, u"Regular.dat"_s}));
    QCOMPARE(ListFiles::ReadFile(folder + u"/April 2008.qel"_s), april);

    QVERIFY(QFile::remove(Paths.BookFile(u"März 2008"_s)));
    ListFiles::WriteFile(Paths.BookFile(u"Mai 2008"_s), april);
    QVERIFY(InBackupWindow([&](QWidget *form) {
        Key(Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(In<QTabWidget>(form, "PagesBackup")->currentIndex(), 1);
        // The last backup is offered for the restore.
        QCOMPARE(In<QLineEdit>(form, "EditRestorePath")->text(), folder);
        Key(Qt::Key_Return);
    }));
    // No question before the end, and the open book is not written over the restored file.
    QCOMPARE(answers.Boxes.mid(2), (QStringList{u"Bestätigen: Folgende Daten werden wieder hergestellt:\n\n- Haushaltsbücher\n"
                                       u"- Regelmäßige Buchungen\n\nWiederherstellung jetzt starten?"_s,
                                       u"Informationen: Das Wiederherstellen der Daten ist abgeschlossen.\n"
                                       u"Zur Datenübernahme muss das Programm neu gestartet werden!"_s}));
    QTRY_VERIFY(!Window->isVisible());
    QCOMPARE(answers.Boxes.size(), 4);
    QCOMPARE(QDir(Paths.DataFolder).entryList(QDir::Files),
             (QStringList{u"April 2008.qel"_s, u"März 2008.qel"_s, u"Regular.dat"_s}));
    QCOMPARE(ListFiles::ReadFile(Paths.BookFile(u"April 2008"_s)), april);
    QCOMPARE(QSettings(Paths.SettingsFile(), QSettings::IniFormat).value(u"BACKUP/Path"_s).toString(), Stick());
}

void TestBackupForm::okFollowsBoxesAndFields()
{
    BoxAnswers cancel({u"Abbrechen"_s});
    QVERIFY(InBackupWindow([&](QWidget *form) {
        auto *window = static_cast<TFormBackup *>(form);
        auto *ok = In<TOrvoSkinButton>(form, "btnOK");
        const auto okAfterTick = [&] {
            window->Timer1Timer();
            return ok->Enabled();
        };
        In<TOrvoSkinCheckBox>(form, "rbCheckBackBooks")->Click();
        QVERIFY(okAfterTick());
        In<TOrvoSkinCheckBox>(form, "rbCheckBackRegular")->Click();
        QVERIFY(!okAfterTick());
        In<TOrvoSkinCheckBox>(form, "rbCheckBackRegular")->Click();
        In<QLineEdit>(form, "EditBackupName")->setFocus();
        Key(Qt::Key_A, Qt::ControlModifier);
        Key(Qt::Key_Backspace);
        QVERIFY(!okAfterTick());
        QTest::keyClicks(QApplication::focusWidget(), u"Sicherung"_s);
        QVERIFY(okAfterTick());
        // Only the regular box: the list starts with its line break. Cancelled, nothing is done.
        Key(Qt::Key_Return);
        QCOMPARE(cancel.Boxes, QStringList{u"Bestätigen: Folgende Daten werden gesichert:\n\n\n- Regelmäßige Buchungen"
                                           u"\n\nDatensicherung jetzt starten?"_s});
        QVERIFY(form->isVisible());
        QVERIFY(!QFileInfo::exists(Stick() + u"/Sicherung"_s));
        QCOMPARE(Window->Settings().BackupName, u"OrvoHaushalt_Backup"_s);

        QTest::keyClick(In<QTabWidget>(form, "PagesBackup")->tabBar(), Qt::Key_Tab, Qt::ControlModifier);
        QVERIFY(!okAfterTick()); // no folder to restore from yet
        Key(Qt::Key_Escape);
    }));
    QVERIFY(InBackupWindow([&](QWidget *form) {
        // The page and the boxes are kept, the fields filled anew.
        QCOMPARE(In<QTabWidget>(form, "PagesBackup")->currentIndex(), 1);
        QVERIFY(!In<TOrvoSkinCheckBox>(form, "rbCheckBackBooks")->Checked());
        QCOMPARE(In<QLineEdit>(form, "EditBackupName")->text(), u"OrvoHaushalt_Backup"_s);
        Key(Qt::Key_Escape);
    }));
}

void TestBackupForm::failureKeepsTheWindowOpen()
{
    // Path and name that make up the data folder.
    Window->Settings().BackupPath = QFileInfo(Paths.DataFolder + u".."_s).absoluteFilePath();
    Window->Settings().BackupName = u"Daten"_s;
    const QStringList books = QDir(Paths.DataFolder).entryList(QDir::Files);
    BoxAnswers answers({u"OK"_s, u"OK"_s});
    QVERIFY(!InBackupWindow([&](QWidget *) { Key(Qt::Key_Return); }));
    QCOMPARE(answers.Boxes.value(1), u"Fehler: Das Backup- und Datenverzeichnis dürfen nicht identisch sein!"_s);
    QCOMPARE(QDir(Paths.DataFolder).entryList(QDir::Files), books);
    QCOMPARE(Window->Settings().BackupName, u"Daten"_s); // stored before the attempt
}

void TestBackupForm::folderDialog()
{
    const QString chosen = Stick() + u"/Sicherungen"_s;
    QVERIFY(QDir().mkpath(chosen));
    QVERIFY(InBackupWindow([&](QWidget *form) {
        for (const char *edit : {"EditBackupPath", "EditRestorePath"}) {
            const QString button = QString::fromLatin1(edit).replace(u"Edit"_s, u"btnChange"_s);
            ModalDriver pick(u"FolderDialog"_s, [&](QWidget *dialog) {
                auto *folders = static_cast<QFileDialog *>(dialog);
                QCOMPARE(folders->windowTitle(), u"Verzeichnis wählen..."_s);
                QCOMPARE(folders->fileMode(), QFileDialog::Directory);
                QVERIFY(folders->testOption(QFileDialog::ShowDirsOnly));
                // The folder opened and nothing in it selected (it has no sub-folders) is the choice.
                folders->setDirectory(chosen);
                static_cast<QDialog *>(folders)->accept();
            });
            In<QTabWidget>(form, "PagesBackup")->setCurrentIndex(QByteArray(edit) == "EditBackupPath" ? 0 : 1);
            QTest::mouseClick(form->findChild<TOrvoSkinButton *>(button), Qt::LeftButton);
            QVERIFY(pick.Done);
            QCOMPARE(In<QLineEdit>(form, edit)->text(), chosen);
            QCOMPARE(In<QLineEdit>(form, edit)->toolTip(), chosen);

            ModalDriver cancel(u"FolderDialog"_s, [](QWidget *dialog) { static_cast<QDialog *>(dialog)->reject(); });
            QTest::mouseClick(form->findChild<TOrvoSkinButton *>(button), Qt::LeftButton);
            QVERIFY(cancel.Done);
            QCOMPARE(In<QLineEdit>(form, edit)->text(), chosen);
        }
        Key(Qt::Key_Escape);
    }));
}

void TestBackupForm::folderByKeyboard()
{
    const QString chosen = Stick() + u"/Tastatur"_s;
    QVERIFY(QDir().mkpath(chosen));
    QVERIFY(InBackupWindow([&](QWidget *form) {
        auto *path = In<QLineEdit>(form, "EditBackupPath");
        // Alt+V, and Return or F4 in the path field, open the folder dialog.
        const struct
        {
            QWidget *Target;
            Qt::Key Key;
            Qt::KeyboardModifiers Modifiers;
        } ways[] = {{nullptr, Qt::Key_V, Qt::AltModifier}, {path, Qt::Key_F4, {}}, {path, Qt::Key_Return, {}}};
        for (const auto &way : ways) {
            path->clear();
            if (way.Target)
                way.Target->setFocus();
            ModalDriver pick(u"FolderDialog"_s, [&](QWidget *dialog) {
                static_cast<QFileDialog *>(dialog)->setDirectory(chosen);
                static_cast<QDialog *>(dialog)->accept();
            });
            Key(way.Key, way.Modifiers);
            QVERIFY(pick.Done);
            QCOMPARE(path->text(), chosen);
            // On to the name: the next Return is OK, not the folder dialog again.
            QCOMPARE(form->focusWidget(), In<QLineEdit>(form, "EditBackupName"));
        }
        Key(Qt::Key_Escape);
    }));
}

void TestBackupForm::restoreFromAnAutomaticBackup()
{
    // The run before this one kept a copy with both books; March is gone since.
    LedgerBackup(Paths).KeepAutomaticCopy(QDateTime(QDate(2026, 12, 8), QTime(14, 20, 5)));
    QVERIFY(QFile::remove(Paths.BookFile(u"März 2008"_s)));
    BoxAnswers answers({u"OK"_s, u"OK"_s});
    QVERIFY(InBackupWindow([&](QWidget *form) {
        Key(Qt::Key_Tab, Qt::ControlModifier);
        Key(Qt::Key_A, Qt::AltModifier);
        auto *combo = In<QComboBox>(form, "ComboAutoBackup");
        QCOMPARE(form->focusWidget(), combo);
        QCOMPARE(combo->itemText(1), u"08.12.2026  14:20:05  (Dienstag) – 2 Haushaltsbücher"_s);
        Key(Qt::Key_Down);
        QCOMPARE(In<QLineEdit>(form, "EditRestorePath")->text(), Paths.AutoBackupFolder() + u"2026-12-08 14-20-05/"_s);
        QCOMPARE(In<QLabel>(form, "LabelAutoContents")->text(),
                 u"2 Haushaltsbücher: April 2008, März 2008 (jetzt nicht mehr da)"_s);
        Key(Qt::Key_Return);
    }));
    QTRY_VERIFY(!Window->isVisible());
    QVERIFY2(answers.Boxes.last().contains(u"Änderungen, die seit der Sicherung \"2026-12-08 14-20-05\" gemacht "
                                           u"wurden, sind damit rückgängig gemacht."_s),
             qPrintable(answers.Boxes.last()));
    QCOMPARE(QDir(Paths.DataFolder).entryList(QDir::Files),
             (QStringList{u"April 2008.qel"_s, u"März 2008.qel"_s, u"Regular.dat"_s}));
    // The data from before the restore are kept as the newest automatic backup.
    const QList<AutoBackupEntry> copies = AutoBackups(Paths.AutoBackupFolder()).List();
    QCOMPARE(copies.size(), 2);
    QVERIFY(!QFileInfo::exists(copies.front().Folder + u"März 2008.qel"_s));
}

// Running on after a restore would write the lists from before it over the restored files.
void TestBackupForm::restoreEndsEvenWhenTheSettingsCannotBeSaved()
{
    const QString folder = Stick() + u"/OrvoHaushalt_Backup"_s;
    BoxAnswers answers({u"OK"_s, u"OK"_s, u"OK"_s, u"OK"_s, u"OK"_s, u"&Nein"_s});
    QVERIFY(InBackupWindow([&](QWidget *) { Key(Qt::Key_Return); }));
    const QByteArray backedUp = ListFiles::ReadFile(folder + u"/April 2008.qel"_s);
    ListFiles::WriteFile(Paths.BookFile(u"April 2008"_s), "geändert");
    QVERIFY(QFile::remove(Paths.SettingsFile()) || !QFile::exists(Paths.SettingsFile()));
    QVERIFY(QDir().mkpath(Paths.SettingsFile())); // a folder where QEL.ini belongs
    QVERIFY(InBackupWindow([&](QWidget *) {
        Key(Qt::Key_Tab, Qt::ControlModifier);
        Key(Qt::Key_Return);
    }));
    QTRY_VERIFY(!Window->isVisible());
    QCOMPARE(answers.Boxes.size(), 5); // the two of the backup, the two of the restore, the settings error
    QVERIFY2(answers.Boxes.last().startsWith(u"Fehler: "_s), qPrintable(answers.Boxes.last()));
    QCOMPARE(ListFiles::ReadFile(Paths.BookFile(u"April 2008"_s)), backedUp);
}

QTEST_MAIN(TestBackupForm)
#include "tst_backupform.moc"
