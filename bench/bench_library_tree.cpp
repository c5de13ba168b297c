// Filling the library tree from a books folder of 10,000 files, against listing the folder
// alone (the least any fill must do): the first fill, a refill of a folder that has not
// changed (the find-a-book window closing), and a refill after one book came or went (what the
// folder's watching does).
#include "core/Library.h"
#include "support/BenchMain.h"
#include "ui/LibraryTree.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QTemporaryDir>
#include <memory>

namespace {
const QString& largeLibrary()
{
    static QTemporaryDir dir;
    static bool filled = false;
    if (!filled) {
        for (int i = 0; i < 10000; ++i) {
            QFile f(dir.path() + QStringLiteral("/Book %1 of the library.txt").arg(i));
            f.open(QIODevice::WriteOnly);
        }
        filled = true;
    }
    static const QString path = dir.path() + QLatin1Char('/');
    return path;
}

// A tree as the main window has it (names shown whole), on screen.
struct ShownTree
{
    explicit ShownTree(const QString& folder) : library(folder), tree(library)
    {
        tree.resize(300, 600);
        tree.show();
        QCoreApplication::processEvents();
    }
    Library library;
    LibraryTree tree;
};

void BM_ListFolderBaseline(benchmark::State& state)
{
    const QString folder = largeLibrary();
    for (auto _ : state) {
        QStringList names = QDir(folder).entryList(QDir::Files, QDir::NoSort);
        benchmark::DoNotOptimize(names);
    }
}
BENCHMARK(BM_ListFolderBaseline)->Unit(benchmark::kMillisecond);

// The fill at start-up: an empty tree fills and is drawn.
void BM_SetNodesList(benchmark::State& state)
{
    const QString folder = largeLibrary();
    int books = 0;
    int width = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto shown = std::make_unique<ShownTree>(folder);
        state.ResumeTiming();
        shown->tree.SetNodesList();
        QCoreApplication::processEvents();
        books = shown->library.count();
        width = shown->tree.header()->sectionSize(0);
        state.PauseTiming();
        shown.reset();
        state.ResumeTiming();
    }
    state.counters["books"] = books;
    state.counters["width"] = width;
}
BENCHMARK(BM_SetNodesList)->Unit(benchmark::kMillisecond);

// A refill of a folder that has not changed.
void BM_RefillUnchanged(benchmark::State& state)
{
    ShownTree shown(largeLibrary());
    shown.tree.SetNodesList();
    for (auto _ : state) {
        shown.tree.SetNodesList();
        QCoreApplication::processEvents();
    }
    state.counters["books"] = shown.library.count();
}
BENCHMARK(BM_RefillUnchanged)->Unit(benchmark::kMillisecond);

// A refresh after a book came or went in the middle of the library.
void BM_RefreshOneChanged(benchmark::State& state)
{
    const QString folder = largeLibrary();
    const QString extra = folder + QStringLiteral("Book 5000a of the library.txt");
    ShownTree shown(folder);
    shown.tree.SetNodesList();
    for (auto _ : state) {
        state.PauseTiming();
        if (QFile::exists(extra)) {
            QFile::remove(extra);
        } else {
            QFile(extra).open(QIODevice::WriteOnly);
        }
        state.ResumeTiming();
        shown.library.refresh();
        QCoreApplication::processEvents();
    }
    QFile::remove(extra);
    state.counters["books"] = shown.library.count();
}
BENCHMARK(BM_RefreshOneChanged)->Unit(benchmark::kMillisecond);
} // namespace

QUILLMERE_BENCHMARK_MAIN()
