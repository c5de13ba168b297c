// Opening the King James Bible as an EPUB book (one chapter per book of the Bible, made by
// pandoc) at a reading position in its middle, against the same text opened as our RTF at a
// bookmark in its middle, in the same run. Both count from the tree click until the view is
// drawn. Needs pandoc.
// Run: build/bench/bench_open_epub
#include "core/Library.h"
#include "formats/rtf/PlainTextDecoder.h"
#include "formats/rtf/RtfWriter.h"
#include "mainwindow/frmMain.h"
#include "support/BenchMain.h"
#include "support/BookFiles.h"
#include "ui/LibraryTree.h"
#include "views/EpubSession.h"
#include "views/RichTextView.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextDocument>
#include <sys/resource.h>

namespace {
struct BenchLibrary
{
    QTemporaryDir dir;
    QString text;
    QString error;
    bool ready = false;
};

BenchLibrary& library()
{
    static BenchLibrary lib;
    if (lib.ready || !lib.error.isEmpty()) {
        return lib;
    }
    QFile book(BookFiles::kjvPlainText());
    if (!book.open(QIODevice::ReadOnly)) {
        lib.error = QStringLiteral("the King James Bible could not be written");
        return lib;
    }
    const QByteArray bytes = book.readAll();
    lib.text = PlainText::decode(bytes);
    const QString app = lib.dir.path() + QLatin1Char('/');
    QDir(app).mkpath(QStringLiteral("books"));
    QTextDocument document;
    document.setPlainText(lib.text);
    QFile rtf(app + QStringLiteral("books/kjv.rtf"));
    rtf.open(QIODevice::WriteOnly);
    rtf.write(Rtf::write(&document));
    rtf.close();
    QFile markdown(app + QStringLiteral("kjv.md"));
    markdown.open(QIODevice::WriteOnly);
    markdown.write(BookFiles::kjvMarkdown(lib.text));
    markdown.close();
    QProcess pandoc;
    pandoc.start(QStringLiteral("pandoc"),
                 {markdown.fileName(), QStringLiteral("-t"), QStringLiteral("epub3"),
                  QStringLiteral("-o"), app + QStringLiteral("books/kjv.epub")});
    if (!pandoc.waitForFinished(300000) || pandoc.exitCode() != 0) {
        lib.error = QStringLiteral("pandoc could not make the EPUB book");
        return lib;
    }
    QFile options(app + QStringLiteral("options.txt"));
    options.open(QIODevice::WriteOnly);
    options.write("\"no\",12,\"yes\"\r\n");
    QFile marks(app + QStringLiteral("bookmark.txt"));
    marks.open(QIODevice::WriteOnly);
    marks.write("\"kjv.rtf\"," + QByteArray::number(lib.text.size() / 2) + "\r\n");
    lib.ready = true;
    return lib;
}

void openFromTree(benchmark::State& state, const QString& name)
{
    BenchLibrary& lib = library();
    if (!lib.ready) {
        state.SkipWithError(qPrintable(lib.error));
        return;
    }
    frmMain window(lib.dir.path());
    window.resize(1200, 800);
    window.show();
    QCoreApplication::processEvents();
    const int book = window.library().find(name);
    const bool epub = name.endsWith(QLatin1String(".epub"));
    if (epub) {
        // The reader stopped in the middle of the middle book of the Bible.
        window.TreeView1->selectBook(book);
        window.OpenTheNode();
        EpubSession* session = window.epubSession();
        const int middle = int(session->book().chapters().size()) / 2;
        session->showChapter(middle, 0);
        session->showChapter(middle, window.txtBook->characterCount() / 2);
        session->close();
    }
    for (auto _ : state) {
        window.TreeView1->selectBook(book);
        window.OpenTheNode();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(window.txtBook->viewport()->grab());
    }
    if (epub && window.epubSession()->currentChapter() !=
                    int(window.epubSession()->book().chapters().size()) / 2) {
        state.SkipWithError("the book did not open at its reading position");
    }
    if (!epub && window.txtBook->SelStart() != lib.text.size() / 2) {
        state.SkipWithError("the caret is not at the bookmark");
    }
    if (epub) {
        state.counters["chapters"] = double(window.epubSession()->book().chapters().size());
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = double(usage.ru_maxrss) / 1024.0;
}

void BM_OpenRtfBibleInTheMiddle(benchmark::State& state)
{
    openFromTree(state, QStringLiteral("kjv.rtf"));
}
BENCHMARK(BM_OpenRtfBibleInTheMiddle)->Unit(benchmark::kMillisecond);

void BM_OpenEpubBibleInTheMiddle(benchmark::State& state)
{
    openFromTree(state, QStringLiteral("kjv.epub"));
}
BENCHMARK(BM_OpenEpubBibleInTheMiddle)->Unit(benchmark::kMillisecond);
} // namespace

QUILLMERE_BENCHMARK_MAIN()
