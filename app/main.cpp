#include "app/Program.h"
#include "ledger/LedgerPaths.h"

#include <QApplication>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <QelVersion.h>

#include <cstdio>
#include <string_view>

namespace {

// Without a graphical session Qt would abort with its own English message; say what is
// missing instead. An explicit platform (e.g. offscreen) is left to Qt.
bool DesktopReachable()
{
    return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY")
           || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char *argv[])
{
    // Answered before any window system is needed.
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::fputs("haushaltsbuch " QEL_VERSION "\n", stdout);
        return 0;
    }
    if (!DesktopReachable()) {
        std::fputs("Orvo Haushaltsbuch: Keine grafische Sitzung gefunden (DISPLAY und WAYLAND_DISPLAY "
                   "sind nicht gesetzt). Bitte starten Sie das Programm auf dem Desktop; für die "
                   "Kommandozeile gibt es haushaltsbuch-cli.\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(QEL_VERSION));
    // The desktop entry names the installed program's icon, also under Wayland; the windows
    // carry the same picture from the resources, read as the PNG it is: a look-up in the icon
    // themes, or a picture of unnamed format, would load every image plugin at each start.
    QGuiApplication::setDesktopFileName(QStringLiteral("de.orvo.Haushaltsbuch"));
    QImageReader icon(QStringLiteral(":/icons/hicolor/256x256/apps/de.orvo.Haushaltsbuch.png"), "png");
    icon.setAutoDetectImageFormat(false);
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(icon.read())));
    return RunProgram(QApplication::arguments(), LedgerPaths::Standard(QApplication::applicationDirPath()));
}
