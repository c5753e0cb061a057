#pragma once

#include <QStringList>

struct LedgerPaths;

// The whole run of the program after QApplication exists: help and log, the single
// running copy, the main window's start-up, the event loop. Returns the exit code.
int RunProgram(const QStringList &arguments, const LedgerPaths &paths);
