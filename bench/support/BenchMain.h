#pragma once

#include <QApplication>
#include <benchmark/benchmark.h>

// A benchmark main that runs with an application object on the offscreen platform, so widget
// code can be measured without a display.
#define QUILLMERE_BENCHMARK_MAIN()                                                                 \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {                                      \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                               \
        }                                                                                          \
        QApplication app(argc, argv);                                                              \
        benchmark::Initialize(&argc, argv);                                                        \
        benchmark::RunSpecifiedBenchmarks();                                                       \
        benchmark::Shutdown();                                                                     \
        return 0;                                                                                  \
    }
