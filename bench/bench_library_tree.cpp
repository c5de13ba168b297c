// Filling the library tree from a books folder of 10,000 files, against listing the folder
// alone (the least any fill must do).
#include "support/BenchMain.h"
#include "ui/LibraryTree.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTreeWidget>

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

void BM_ListFolderBaseline(benchmark::State& state)
{
    const QString folder = largeLibrary();
    for (auto _ : state) {
        QStringList names = QDir(folder).entryList(QDir::Files, QDir::NoSort);
        benchmark::DoNotOptimize(names);
    }
}
BENCHMARK(BM_ListFolderBaseline)->Unit(benchmark::kMillisecond);

void BM_SetNodesList(benchmark::State& state)
{
    const QString folder = largeLibrary();
    QTreeWidget tree;
    tree.resize(300, 600);
    tree.show();
    for (auto _ : state) {
        LibraryTree::SetNodesList(&tree, folder);
        QCoreApplication::processEvents();
    }
    state.counters["books"] = tree.topLevelItem(0)->childCount();
}
BENCHMARK(BM_SetNodesList)->Unit(benchmark::kMillisecond);

// The same with the main window's tree settings: a column as wide as the widest name and a
// horizontal scroll bar.
void BM_SetNodesListWholeNames(benchmark::State& state)
{
    const QString folder = largeLibrary();
    QTreeWidget tree;
    tree.header()->setStretchLastSection(false);
    tree.header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    tree.resize(300, 600);
    tree.show();
    for (auto _ : state) {
        LibraryTree::SetNodesList(&tree, folder);
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(tree.header()->sectionSize(0));
    }
    state.counters["width"] = tree.header()->sectionSize(0);
}
BENCHMARK(BM_SetNodesListWholeNames)->Unit(benchmark::kMillisecond);
} // namespace

QUILLMERE_BENCHMARK_MAIN()
