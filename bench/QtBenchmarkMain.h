// The main of a benchmark program that needs a Qt application (widgets,
// fonts, pictures): headless unless the caller chose a platform.
#pragma once

#include "Interleaved.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cstdio>

inline int RunQtBenchmarks(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// The same for benchmarks that compare A and B alternately (Interleaved.h):
// their ratios, then the line stating the goals.
inline int RunInterleavedQtBenchmarks(int argc, char** argv, const char* goals)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int result = bench::RunInterleavedBenchmarks(argc, argv);
    std::printf("%s\n", goals);
    return result;
}
