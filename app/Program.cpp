#include "app/Program.h"

#include "app/TerminationSignals.h"
#include "app/UnitQEL.h"
#include "controls/Fonts.h"
#include "controls/MessageBoxes.h"
#include "controls/SkinAccessible.h"
#include "books/BookManager.h"
#include "ledger/CategoryTable.h"
#include "ledger/DataLock.h"
#include "support/DiagnosticLog.h"
#include "support/HelpSystem.h"
#include "support/WarningSound.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSessionManager>
#include <QTimer>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

using namespace Qt::StringLiterals;

int RunProgram(const QStringList &arguments, const LedgerPaths &paths)
{
    QApplication::setApplicationName(ProgramTitle());
    RegisterFontSubstitutions();
    InstallSkinAccessibility();
    // Qt's own texts (folder and file dialogs, the fields' context menus) in German, where
    // Qt's translations are installed.
    QTranslator qtGerman;
    if (qtGerman.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtGerman);

    // Help and the diagnostic log come first, before any window.
    TDLogFile log(paths.ProgramFolder, arguments);
    HelpSystem help(log);

    // One program or command at a time on the data of this computer: the lock lives in the data
    // folder and is held until this function returns. A folder that cannot be made is reported by
    // the window's start-up, which then ends the program. Other computers of a synced folder have
    // locks of their own and write logs of their own: they are only named.
    if (QDir().mkpath(paths.ProgramDataFolder))
        QDir().mkpath(paths.DataFolder);
    const QString program = QString::fromUtf16(DataLock::ProgramName);
    DataLock lock;
    if (QFileInfo(paths.DataFolder).isDir() && !lock.TryLock(paths.DataFolder, program)) {
        if (!lock.ErrorString().isEmpty()) {
            ShowError(nullptr, lock.ErrorString());
            return 1;
        }
        ShowPlainMessage(nullptr, DataLock::RefusalMessage(lock.Holder(), program));
        return 0;
    }

    BookManager books(paths, Regional());
    CategoryTable categories;
    WarningSound sound;
    TFormQEL window(books, categories, help, sound);
    // The window shows first; the books are read as soon as it is up.
    if (!window.FormCreate(TFormQEL::BookScan::Later))
        return 1;
    // The other windows (help) close with it; exit, not quit, so that no open dialog can keep
    // the program running.
    QObject::connect(&window, &TFormQEL::Closed, qApp, [] {
        QApplication::closeAllWindows();
        QCoreApplication::exit(0);
    });
    // A logout, shutdown or kill request ends the run cleanly: settings saved, automatic
    // backup kept, lock released when this function returns.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::Received, &window,
                     [&window](int signalNumber) { window.EndWithoutQuestions(TerminationSignals::Describe(signalNumber)); });
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &window, [&window](QSessionManager &manager) {
        // A booking typed but not confirmed: ask, where the session lets the program ask.
        if (window.UnconfirmedBookingOpen() && manager.allowsInteraction()) {
            const bool stay = window.AskToStayForBooking();
            manager.release();
            if (stay) {
                manager.cancel();
                return;
            }
        }
        window.SaveForSessionEnd();
    });
    window.show();
    QTimer::singleShot(0, &window, [&window, &paths] {
        window.ScanBookList();
        window.OfferDraft();
        // Open on another computer of a synced folder too: said once, both go on.
        if (const QList<LockHolder> others = DataLock::Others(paths.DataFolder); !others.isEmpty())
            ShowInformation(&window, DataLock::OthersMessage(others));
    });
    return QApplication::exec();
}
