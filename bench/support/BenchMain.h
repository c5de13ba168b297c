#pragma once

#include <QApplication>
#include <benchmark/benchmark.h>
#include <functional>
#include <vector>

namespace BenchSupport {
inline std::vector<std::function<void()>>& cleanups()
{
    static std::vector<std::function<void()>> list;
    return list;
}
// Runs cleanup after the benchmarks, while the application object still exists: windows a
// benchmark keeps between runs must go before it does.
inline void beforeApplicationEnds(std::function<void()> cleanup)
{
    cleanups().push_back(std::move(cleanup));
}
inline void runCleanups()
{
    auto& list = cleanups();
    while (!list.empty()) {
        auto cleanup = std::move(list.back());
        list.pop_back();
        cleanup();
    }
}
} // namespace BenchSupport

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
        BenchSupport::runCleanups();                                                               \
        return 0;                                                                                  \
    }
