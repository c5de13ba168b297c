// Keeping the place read and showing the contents panel, on the King James Bible.
// - Saving the place of the Bible read as plain text (the record written whole under a new
//   name and renamed over the old one), against the same record written with a sync to the
//   device, in the same run: the place must cost at most 5 ms a save.
// - Opening the Bible as plain text, as LibreOffice's RTF and as a 67-chapter EPUB made by
//   pandoc, with the contents panel shown, against opening it with the panel hidden in the
//   same run: at most 1.2 times as long.
// Run: build/bench/bench_places (needs LibreOffice and pandoc for the RTF and EPUB books)
#include "core/Library.h"
#include "formats/AtomicFile.h"
#include "formats/TextHeadings.h"
#include "mainwindow/frmMain.h"
#include "support/BenchMain.h"
#include "support/BookFiles.h"
#include "support/KjvBook.h"
#include "ui/BookSidePanel.h"
#include "ui/LibraryTree.h"
#include "views/PlaceKeeper.h"
#include "views/ReadingPane.h"
#include "views/RichTextView.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTreeWidget>

namespace {
struct BenchLibrary
{
    QTemporaryDir dir;
    QString error;
    bool ready = false;
    bool hasRtf = false;
    bool hasEpub = false;
};

BenchLibrary& library()
{
    static BenchLibrary lib;
    if (lib.ready || !lib.error.isEmpty()) {
        return lib;
    }
    const QString kjv = KjvBook::path();
    if (kjv.isEmpty()) {
        lib.error = QStringLiteral("the King James Bible could not be written");
        return lib;
    }
    const QString app = lib.dir.path() + QLatin1Char('/');
    QDir(app).mkpath(QStringLiteral("books"));
    QFile::copy(kjv, app + QStringLiteral("books/kjv.txt"));
    const QString rtf = KjvBook::libreOfficeRtf(kjv);
    lib.hasRtf = !rtf.isEmpty() && QFile::copy(rtf, app + QStringLiteral("books/kjv-lo.rtf"));
    QFile markdown(app + QStringLiteral("kjv.md"));
    if (markdown.open(QIODevice::WriteOnly)) {
        markdown.write(BookFiles::kjvMarkdown(QString::fromUtf8(KjvBook::readAll(kjv))));
        markdown.close();
        QProcess pandoc;
        pandoc.start(QStringLiteral("pandoc"),
                     {markdown.fileName(), QStringLiteral("-t"), QStringLiteral("epub3"),
                      QStringLiteral("-o"), app + QStringLiteral("books/kjv.epub")});
        lib.hasEpub = pandoc.waitForFinished(300000) &&
                      pandoc.exitStatus() == QProcess::NormalExit && pandoc.exitCode() == 0;
    }
    QFile options(app + QStringLiteral("options.txt"));
    options.open(QIODevice::WriteOnly);
    options.write("\"no\",12,\"no\"\r\n");
    lib.ready = true;
    return lib;
}

// One main window kept between runs (the plug-ins and fonts are loaded once).
frmMain& window()
{
    static frmMain* main = [] {
        auto* w = new frmMain(library().dir.path() + QLatin1Char('/'));
        w->resize(1200, 800);
        w->show();
        QCoreApplication::processEvents();
        BenchSupport::beforeApplicationEnds([w] { delete w; });
        return w;
    }();
    return *main;
}

bool open(frmMain& main, const QString& name)
{
    const int book = main.library().find(name);
    if (book < 0) {
        return false;
    }
    main.TreeView1->selectBook(book);
    main.OpenTheNode();
    QCoreApplication::processEvents();
    return true;
}

void openWithPanel(benchmark::State& state, const QString& name, bool panel, bool available)
{
    BenchLibrary& lib = library();
    if (!lib.ready || !available) {
        state.SkipWithError(lib.error.isEmpty() ? "the book could not be made" : "no library");
        return;
    }
    frmMain& main = window();
    main.sidePanel()->setVisible(panel);
    QCoreApplication::processEvents();
    for (auto _ : state) {
        if (!open(main, name)) {
            state.SkipWithError("the book is not in the library");
            return;
        }
        benchmark::DoNotOptimize(main.txtBook->viewport()->grab());
    }
    if (panel) {
        state.counters["entries"] = double(main.sidePanel()->outline().entries().size());
    }
}

void BM_OpenBibleText(benchmark::State& state)
{
    openWithPanel(state, QStringLiteral("kjv.txt"), state.range(0) != 0, true);
}
BENCHMARK(BM_OpenBibleText)->Arg(0)->Arg(1)->ArgName("panel")->Unit(benchmark::kMillisecond);

void BM_OpenBibleLibreOfficeRtf(benchmark::State& state)
{
    openWithPanel(state, QStringLiteral("kjv-lo.rtf"), state.range(0) != 0, library().hasRtf);
}
BENCHMARK(BM_OpenBibleLibreOfficeRtf)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("panel")
    ->Unit(benchmark::kMillisecond);

void BM_OpenBibleEpub(benchmark::State& state)
{
    openWithPanel(state, QStringLiteral("kjv.epub"), state.range(0) != 0, library().hasEpub);
}
BENCHMARK(BM_OpenBibleEpub)->Arg(0)->Arg(1)->ArgName("panel")->Unit(benchmark::kMillisecond);

// The heading scan of the Bible as plain text alone.
void BM_FindHeadingsBibleText(benchmark::State& state)
{
    frmMain& main = window();
    main.sidePanel()->hide();
    if (!library().ready || !open(main, QStringLiteral("kjv.txt"))) {
        state.SkipWithError("the Bible could not be opened");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(TextHeadings::find(*main.txtBook->document()));
    }
}
BENCHMARK(BM_FindHeadingsBibleText)->Unit(benchmark::kMillisecond);

// The place of the Bible as plain text written down after a move: the scroll itself is not
// timed, the anchor taken from the view and the record's write are.
void BM_SavePlace(benchmark::State& state)
{
    BenchLibrary& lib = library();
    frmMain& main = window();
    main.sidePanel()->hide();
    if (!lib.ready || !open(main, QStringLiteral("kjv.txt")) || !main.pane()->places()) {
        state.SkipWithError("the Bible could not be opened");
        return;
    }
    PlaceKeeper* places = main.pane()->places();
    QScrollBar* bar = main.txtBook->verticalScrollBar();
    int step = 0;
    for (auto _ : state) {
        state.PauseTiming();
        bar->setValue(bar->maximum() / 2 + (++step % 2) * 40);
        state.ResumeTiming();
        if (!places->saveNow()) {
            state.SkipWithError("the place could not be saved");
            return;
        }
    }
}
BENCHMARK(BM_SavePlace)->Unit(benchmark::kMillisecond);

// The baseline: the same record's bytes written by the writer that waits for the device.
void BM_SaveSyncedBaseline(benchmark::State& state)
{
    BenchLibrary& lib = library();
    QDir records(lib.dir.path() + QStringLiteral("/epub-records"));
    const QStringList files = records.entryList({QStringLiteral("*.json")});
    if (files.isEmpty()) {
        state.SkipWithError("no record to copy (run BM_SavePlace first)");
        return;
    }
    QFile record(records.filePath(files.first()));
    record.open(QIODevice::ReadOnly);
    const QByteArray bytes = record.readAll();
    const QString copy = records.filePath(QStringLiteral("baseline.json"));
    for (auto _ : state) {
        if (!writeFileAtomically(copy, bytes)) {
            state.SkipWithError("the record could not be written");
            return;
        }
    }
}
BENCHMARK(BM_SaveSyncedBaseline)->Unit(benchmark::kMillisecond);
} // namespace

QUILLMERE_BENCHMARK_MAIN()
