#pragma once

#include "app/UnitQEL.h"
#include "controls/OrvoSkinButton.h"
#include "books/BookManager.h"
#include "ledger/CategoryTable.h"
#include "support/DiagnosticLog.h"
#include "support/HelpSystem.h"
#include "support/WarningSound.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

// The main window with its real controls and dialogs, offscreen, over a temporary HOME.
class MainWindowFixture
{
protected:
    // With debugLog the help log records every help request (HHDebug.txt beside the program).
    void SetUp(bool debugLog = false)
    {
        Home = std::make_unique<QTemporaryDir>();
        qputenv("HOME", Home->path().toUtf8());
        const QString run = Home->filePath(QStringLiteral("run"));
        qputenv("XDG_RUNTIME_DIR", run.toUtf8());
        QDir().mkpath(run);
        QFile::setPermissions(run, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        Paths.ProgramFolder = Home->filePath(QStringLiteral("bin/"));
        Paths.ProgramDataFolder = Home->filePath(QStringLiteral(".config/Orvo Haushaltsbuch/"));
        Paths.DataFolder = Home->filePath(QStringLiteral("Documents/Orvo Haushaltsbuch/Daten/"));
        QDir().mkpath(Paths.ProgramFolder);
        QFile help(Paths.HelpFile());
        if (!help.open(QIODevice::WriteOnly)) // only its presence is checked at start
            qFatal("cannot make the help file");

        if (debugLog) {
            QFile debug(Paths.ProgramFolder + QStringLiteral("debug.debug"));
            if (!debug.open(QIODevice::WriteOnly))
                qFatal("cannot switch the log on");
        }
        Log = std::make_unique<TDLogFile>(Paths.ProgramFolder, QStringList{QStringLiteral("haushaltsbuch")});
        Help = std::make_unique<HelpSystem>(*Log);
        Sound = std::make_unique<WarningSound>();
        Books = std::make_unique<BookManager>(Paths, Regional());
        Categories = std::make_unique<CategoryTable>();
        Window = std::make_unique<TFormQEL>(*Books, *Categories, *Help, *Sound);
    }

    // The window started as the program starts it and shown, active: false when it is not.
    bool StartWindow()
    {
        if (!Window->FormCreate())
            return false;
        Window->show();
        Window->activateWindow();
        return QTest::qWaitForWindowActive(Window.get());
    }

    // A new window over the same files and folders, as at the next start.
    void TearDownWindowOnly()
    {
        Window.reset();
        Books = std::make_unique<BookManager>(Paths, Regional());
        Window = std::make_unique<TFormQEL>(*Books, *Categories, *Help, *Sound);
    }

    void TearDown()
    {
        Window.reset();
        Categories.reset();
        Books.reset();
        Sound.reset();
        Help.reset();
        Log.reset();
        Home.reset();
    }

    template<typename T = TOrvoSkinButton>
    T *Child(const char *name) const
    {
        auto *child = Window->findChild<T *>(QString::fromLatin1(name));
        if (!child)
            qFatal("no control %s", name);
        return child;
    }

    TOrvoSkinButton *Button(const char *name) const { return Child<TOrvoSkinButton>(name); }

    // The widget a key goes to: the focus widget of an open drop-down list, else of the dialog
    // in front, else of the main window. Asked of the windows themselves: the application's
    // focus follows the platform's activation events, which arrive some time after a dialog
    // opens or closes.
    QWidget *KeyTarget() const
    {
        QWidget *window = QApplication::activePopupWidget() ? QApplication::activePopupWidget()
                          : QApplication::activeModalWidget() ? QApplication::activeModalWidget()
                                                              : Window.get();
        return window->focusWidget() ? window->focusWidget() : window;
    }

    std::unique_ptr<QTemporaryDir> Home;
    LedgerPaths Paths;
    std::unique_ptr<TDLogFile> Log;
    std::unique_ptr<HelpSystem> Help;
    std::unique_ptr<WarningSound> Sound;
    std::unique_ptr<BookManager> Books;
    std::unique_ptr<CategoryTable> Categories;
    std::unique_ptr<TFormQEL> Window;
};

// Runs an action on the next modal dialog with the given object name as soon as it is shown,
// active and has its focus field, then lets the dialog run on. Polls, because the dialog runs
// its own event loop. Until the platform has activated the dialog, focus changes inside it
// send no focus events (a field entered with Tab would not select its text), and a user could
// not type into it yet either.
class ModalDriver : public QObject
{
public:
    ModalDriver(QString dialogName, std::function<void(QWidget *)> action)
        : Name_(std::move(dialogName))
        , Action_(std::move(action))
    {
        Timer_.setInterval(10);
        connect(&Timer_, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();

            if (!modal || modal->objectName() != Name_ || !modal->isVisible() || !modal->isActiveWindow()
                || !modal->focusWidget())
                return;
            Timer_.stop();
            Done = true;
            Action_(modal);
            // A failed step must not leave the dialog waiting for input forever.
            if (auto *dialog = qobject_cast<QDialog *>(modal); dialog && dialog->isVisible()) {
                Closed = false;
                dialog->reject();
            }
        });
        Timer_.start();
    }

    bool Done = false;
    bool Closed = true; // the action closed the dialog itself

private:
    QString Name_;
    std::function<void(QWidget *)> Action_;
    QTimer Timer_;
};

// Cancels every modal dialog that opens while it lives, for tests that only follow clicks.
class DialogDismisser : public QObject
{
public:
    DialogDismisser()
    {
        Timer_.setInterval(10);
        connect(&Timer_, &QTimer::timeout, this, [] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                dialog->reject();
        });
        Timer_.start();
    }

private:
    QTimer Timer_;
};
