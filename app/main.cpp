#include "app/Program.h"
#include "ledger/LedgerPaths.h"

#include <QApplication>

#include <cstdio>

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
    if (!DesktopReachable()) {
        std::fputs("Orvo Haushaltsbuch: Keine grafische Sitzung gefunden (DISPLAY und WAYLAND_DISPLAY "
                   "sind nicht gesetzt). Bitte starten Sie das Programm auf dem Desktop; für die "
                   "Kommandozeile gibt es haushaltsbuch-cli.\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    return RunProgram(QApplication::arguments(), LedgerPaths::Standard(QApplication::applicationDirPath()));
}
