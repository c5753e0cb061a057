#pragma once

// main() of a benchmark that draws pages: a GUI application without a screen, for the fonts.

#include "controls/Fonts.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

inline int RunGuiBenchmarks(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    RegisterFontSubstitutions();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
