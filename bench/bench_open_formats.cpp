// Opening the King James Bible at its middle as FB2, AZW3, DOCX and Markdown, against the same
// text as EPUB, in the same run. Each counts the formats layer's part of opening: reading the
// book and converting the chapter that holds the middle verse into a document.
// - EPUB: the container, package and contents, then the chapter.
// - First opening of another format: its reader reads the whole book into a package, which
//   the package store keeps (written as an EPUB), then the chapter.
// - Opening it again: the package store finds the kept package, then the chapter.
// All books are made by pandoc from the same Markdown; the AZW3 by calibre from pandoc's EPUB
// (slow: the books are kept in the temporary folder for later runs).
// Run: build/bench/bench_open_formats
#include "formats/docx/DocxReader.h"
#include "formats/epub/ChapterConverter.h"
#include "formats/epub/EpubBook.h"
#include "formats/fb2/Fb2Reader.h"
#include "formats/markdown/MarkdownReader.h"
#include "formats/mobi/MobiReader.h"
#include "formats/package/BookPackage.h"
#include "formats/package/PackageStore.h"
#include "formats/rtf/PlainTextDecoder.h"
#include "support/BenchMain.h"
#include "support/BookFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextDocument>
#include <functional>
#include <sys/resource.h>

namespace {

using Reader = std::function<bool(const QString&, Books::BookPackage*, QString*)>;

struct Library
{
    QTemporaryDir dir;
    QString folder; // kept between runs: calibre takes minutes over the Bible
    QString middleVerse;
    QString error;
    bool ready = false;
};

bool run(const QString& program, const QStringList& arguments, int seconds)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(seconds * 1000) &&
           process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

Library& library()
{
    static Library lib;
    if (lib.ready || !lib.error.isEmpty()) {
        return lib;
    }
    QFile source(BookFiles::kjvPlainText());
    if (!source.open(QIODevice::ReadOnly)) {
        lib.error = QStringLiteral("the King James Bible could not be written");
        return lib;
    }
    const QString text = PlainText::decode(source.readAll());
    // The verse at the middle of the text: each book is opened where it stands.
    const qsizetype middle = text.indexOf(QLatin1Char('\n'), text.size() / 2) + 1;
    lib.middleVerse = text.mid(middle, text.indexOf(QLatin1Char('\n'), middle) - middle).trimmed();
    lib.folder = QDir::temp().filePath(QStringLiteral("quillmere-bench/formats"));
    QDir().mkpath(lib.folder);
    const QString markdown = lib.folder + QStringLiteral("/kjv.md");
    QFile file(markdown);
    if (!file.open(QIODevice::WriteOnly) || file.write(BookFiles::kjvMarkdown(text)) <= 0) {
        lib.error = QStringLiteral("the Markdown could not be written");
        return lib;
    }
    file.close();
    for (const char* kind : {"epub3", "fb2", "docx"}) {
        const QString out = lib.folder + QStringLiteral("/kjv.") +
                            (QLatin1String(kind) == QLatin1String("epub3") ? QStringLiteral("epub")
                                                                           : QLatin1String(kind));
        if (!QFileInfo::exists(out) &&
            !run(QStringLiteral("pandoc"),
                 {markdown, QStringLiteral("-t"), QLatin1String(kind), QStringLiteral("-o"), out},
                 600)) {
            lib.error =
                QStringLiteral("pandoc could not make the %1 book").arg(QLatin1String(kind));
            return lib;
        }
    }
    const QString azw3 = lib.folder + QStringLiteral("/kjv.azw3");
    if (!QFileInfo::exists(azw3) && !run(QStringLiteral("ebook-convert"),
                                         {lib.folder + QStringLiteral("/kjv.epub"), azw3}, 1800)) {
        QFile::remove(azw3);
        lib.error = QStringLiteral("calibre's ebook-convert could not make the AZW3 book");
        return lib;
    }
    lib.ready = true;
    return lib;
}

// The chapter of the book that holds the middle verse, or -1.
int middleChapter(const Epub::Book& book, const QString& verse)
{
    Epub::ChapterConverter converter(book);
    for (int chapter = 0; chapter < book.chapters().size(); ++chapter) {
        QTextDocument document;
        if (converter.convert(chapter, &document) && document.toPlainText().contains(verse)) {
            return chapter;
        }
    }
    return -1;
}

void finishCounters(benchmark::State& state, const Epub::Book& book, int chapter)
{
    state.counters["chapters"] = double(book.chapters().size());
    state.counters["middle_chapter"] = double(chapter);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = double(usage.ru_maxrss) / 1024.0;
}

void BM_OpenEpubBibleAtTheMiddle(benchmark::State& state)
{
    Library& lib = library();
    if (!lib.ready) {
        state.SkipWithError(qPrintable(lib.error));
        return;
    }
    const QString path = lib.folder + QStringLiteral("/kjv.epub");
    Epub::Book probe;
    probe.open(path);
    const int chapter = middleChapter(probe, lib.middleVerse);
    if (chapter < 0) {
        state.SkipWithError("the middle verse is in no chapter");
        return;
    }
    for (auto _ : state) {
        Epub::Book book;
        book.open(path);
        QTextDocument document;
        Epub::ChapterConverter(book).convert(chapter, &document);
        benchmark::DoNotOptimize(document.characterCount());
    }
    finishCounters(state, probe, chapter);
}
BENCHMARK(BM_OpenEpubBibleAtTheMiddle)->Unit(benchmark::kMillisecond);

// Opens the book through a package store in scratch: the first time (the store emptied before
// each opening) or again (the package kept).
void openAtTheMiddle(benchmark::State& state, const QString& suffix, const Reader& read, bool again)
{
    Library& lib = library();
    if (!lib.ready) {
        state.SkipWithError(qPrintable(lib.error));
        return;
    }
    const QString path = lib.folder + QStringLiteral("/kjv.") + suffix;
    QTemporaryDir scratch;
    Books::PackageStore store(scratch.path());
    Books::BookPackage first;
    QString error;
    if (!store.read(path, read, &first, &error)) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    Epub::Book probe;
    probe.open(store.keptPath(path));
    const int chapter = middleChapter(probe, lib.middleVerse);
    if (chapter < 0) {
        state.SkipWithError("the middle verse is in no chapter");
        return;
    }
    Books::PackageStore::Source source = Books::PackageStore::Source::Store;
    for (auto _ : state) {
        if (!again) {
            state.PauseTiming();
            QFile::remove(store.keptPath(path));
            state.ResumeTiming();
        }
        Books::BookPackage package;
        store.read(path, read, &package, nullptr, &source);
        Epub::Book book;
        book.open(store.keptPath(path));
        QTextDocument document;
        Epub::ChapterConverter(book).convert(chapter, &document);
        benchmark::DoNotOptimize(document.characterCount());
    }
    if ((source == Books::PackageStore::Source::Store) != again) {
        state.SkipWithError("the package did not come from where it should");
    }
    finishCounters(state, probe, chapter);
}

#define FORMAT_BENCHMARKS(Name, suffix, reader)                                                    \
    void BM_FirstOpen##Name##BibleAtTheMiddle(benchmark::State& state)                             \
    {                                                                                              \
        openAtTheMiddle(state, QStringLiteral(suffix), reader, false);                             \
    }                                                                                              \
    BENCHMARK(BM_FirstOpen##Name##BibleAtTheMiddle)->Unit(benchmark::kMillisecond);                \
    void BM_Reopen##Name##BibleAtTheMiddle(benchmark::State& state)                                \
    {                                                                                              \
        openAtTheMiddle(state, QStringLiteral(suffix), reader, true);                              \
    }                                                                                              \
    BENCHMARK(BM_Reopen##Name##BibleAtTheMiddle)->Unit(benchmark::kMillisecond);

FORMAT_BENCHMARKS(Fb2, "fb2", Fb2::read)
FORMAT_BENCHMARKS(Azw3, "azw3", Mobi::read)
FORMAT_BENCHMARKS(Docx, "docx", Docx::read)
FORMAT_BENCHMARKS(Markdown, "md", Markdown::read)

} // namespace

QUILLMERE_BENCHMARK_MAIN()
