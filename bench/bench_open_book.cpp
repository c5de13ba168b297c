// Opening a whole book from the library tree with a bookmark recorded near its middle, until
// the caret is shown there, against QTextDocument::setPlainText of the same text in the same
// run. The book is the King James Bible, as a plain-text book and as our own RTF.
// Run: build/bench/bench_open_book
#include "core/Library.h"
#include "formats/rtf/PlainTextDecoder.h"
#include "formats/rtf/RtfWriter.h"
#include "mainwindow/frmMain.h"
#include "support/BenchMain.h"
#include "support/BookFiles.h"
#include "ui/LibraryTree.h"
#include "views/RichTextView.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextDocument>
#include <sys/resource.h>

namespace {
struct BenchLibrary
{
    QTemporaryDir dir;
    QString text;
    bool ready = false;
};

BenchLibrary& library()
{
    static BenchLibrary lib;
    if (lib.ready) {
        return lib;
    }
    QFile book(BookFiles::kjvPlainText());
    if (!book.open(QIODevice::ReadOnly)) {
        return lib;
    }
    const QByteArray bytes = book.readAll();
    lib.text = PlainText::decode(bytes);
    const QString app = lib.dir.path() + QLatin1Char('/');
    QDir(app).mkpath(QStringLiteral("books"));
    QFile txt(app + QStringLiteral("books/kjv.txt"));
    txt.open(QIODevice::WriteOnly);
    txt.write(bytes);
    QTextDocument document;
    document.setPlainText(lib.text);
    QFile rtf(app + QStringLiteral("books/kjv.rtf"));
    rtf.open(QIODevice::WriteOnly);
    rtf.write(Rtf::write(&document));
    QFile options(app + QStringLiteral("options.txt"));
    options.open(QIODevice::WriteOnly);
    options.write("\"no\",12,\"yes\"\r\n");
    const QByteArray middle = QByteArray::number(lib.text.size() / 2);
    QFile marks(app + QStringLiteral("bookmark.txt"));
    marks.open(QIODevice::WriteOnly);
    marks.write("\"kjv.txt\"," + middle + "\r\n\"kjv.rtf\"," + middle + "\r\n");
    lib.ready = true;
    return lib;
}

void BM_SetPlainTextBaseline(benchmark::State& state)
{
    BenchLibrary& lib = library();
    for (auto _ : state) {
        QTextDocument document;
        document.setUndoRedoEnabled(false);
        document.setPlainText(lib.text);
        benchmark::DoNotOptimize(document.characterCount());
    }
}
BENCHMARK(BM_SetPlainTextBaseline)->Unit(benchmark::kMillisecond);

void openFromTree(benchmark::State& state, const QString& name)
{
    BenchLibrary& lib = library();
    if (!lib.ready) {
        state.SkipWithError("the King James Bible could not be written");
        return;
    }
    frmMain window(lib.dir.path());
    window.resize(1200, 800);
    window.show();
    QCoreApplication::processEvents();
    const int book = window.library().find(name);
    for (auto _ : state) {
        window.TreeView1->selectBook(book);
        window.OpenTheNode();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(window.txtBook->viewport()->grab());
    }
    if (window.txtBook->SelStart() != lib.text.size() / 2) {
        state.SkipWithError("the caret is not at the bookmark");
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = double(usage.ru_maxrss) / 1024.0;
}

void BM_OpenPlainTextBookAtBookmark(benchmark::State& state)
{
    openFromTree(state, QStringLiteral("kjv.txt"));
}
BENCHMARK(BM_OpenPlainTextBookAtBookmark)->Unit(benchmark::kMillisecond);

void BM_OpenRtfBookAtBookmark(benchmark::State& state)
{
    openFromTree(state, QStringLiteral("kjv.rtf"));
}
BENCHMARK(BM_OpenRtfBookAtBookmark)->Unit(benchmark::kMillisecond);
} // namespace

QUILLMERE_BENCHMARK_MAIN()
