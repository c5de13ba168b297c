// Opening an EPUB book of 50,000 short chapters (each in the spine and in the table of
// contents), against reading the zip's directory of the same file (the least any opening does)
// and against the same book of 500 chapters, in the same run: opening must cost in proportion
// to the chapters, not to their square. The reader's opening adds the Contents menu, the
// reading record and the first chapter.
// Run: build/bench/bench_epub_contents
#include "formats/epub/EpubArchive.h"
#include "formats/epub/EpubBook.h"
#include "mainwindow/frmMain.h"
#include "support/BenchMain.h"
#include "support/EpubBookWriter.h"
#include "views/EpubSession.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

namespace {
struct BenchLibrary
{
    QTemporaryDir dir;
    QHash<int, QString> books; // chapters -> path
};

QString bookOf(int chapters)
{
    static BenchLibrary library;
    if (!library.books.contains(chapters)) {
        QStringList bodies;
        for (int i = 1; i <= chapters; ++i) {
            bodies.append(
                QStringLiteral("<h1>Chapter %1</h1><p>The words of chapter %1.</p>").arg(i));
        }
        QDir(library.dir.path()).mkpath(QStringLiteral("books"));
        const QString path =
            library.dir.filePath(QStringLiteral("books/book-%1.epub").arg(chapters));
        library.books.insert(chapters, EpubBookWriter::write(path, bodies) ? path : QString());
    }
    return library.books.value(chapters);
}

// The baseline: the zip's directory alone.
void BM_ReadZipDirectory(benchmark::State& state)
{
    const QString path = bookOf(int(state.range(0)));
    for (auto _ : state) {
        Epub::Archive archive;
        benchmark::DoNotOptimize(archive.open(path));
    }
}
BENCHMARK(BM_ReadZipDirectory)->Arg(500)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_OpenBook(benchmark::State& state)
{
    const QString path = bookOf(int(state.range(0)));
    for (auto _ : state) {
        Epub::Book book;
        if (book.open(path) != Epub::Book::OpenResult::Opened ||
            book.contents().size() != state.range(0)) {
            state.SkipWithError("the book did not open with its contents");
            return;
        }
    }
}
BENCHMARK(BM_OpenBook)->Arg(500)->Arg(50000)->Unit(benchmark::kMillisecond);

// The reader's opening: the book, its record, the Contents menu and the first chapter shown.
void BM_OpenInTheReader(benchmark::State& state)
{
    const QString path = bookOf(int(state.range(0)));
    QTemporaryDir app;
    QDir(app.path()).mkpath(QStringLiteral("books"));
    QFile options(app.filePath(QStringLiteral("options.txt")));
    options.open(QIODevice::WriteOnly);
    options.write("\"no\",12,\"yes\"\r\n");
    options.close();
    frmMain window(app.path() + QLatin1Char('/'));
    window.resize(1200, 800);
    window.show();
    EpubSession* session = window.epubSession();
    for (auto _ : state) {
        QString error;
        if (!session->open(path, &error)) {
            state.SkipWithError(qPrintable(error));
            return;
        }
        QCoreApplication::processEvents();
        session->close();
    }
}
BENCHMARK(BM_OpenInTheReader)->Arg(500)->Arg(50000)->Unit(benchmark::kMillisecond);
} // namespace

QUILLMERE_BENCHMARK_MAIN()
