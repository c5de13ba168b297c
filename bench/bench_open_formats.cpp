// Opening the King James Bible at its middle as FB2, AZW3, DOCX and Markdown, against the same
// text as EPUB, in the same run. Each counts the formats layer's part of opening: reading the
// book and converting the chapter that holds the middle verse into a document.
// - EPUB: the container, package and contents, then the chapter.
// - First opening of another format: its reader reads the whole book into a package, shown
//   as a book at once, then the chapter; writing the package into the store (as an EPUB) is
//   done afterwards on a thread of its own and measured apart (BM_Keep*).
// - Opening it again: the package store finds the kept package, then the chapter.
// Every opening takes the file's fingerprint, which finds its reading record.
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
#include "formats/record/ReadingRecord.h"
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
        benchmark::DoNotOptimize(Reading::fileFingerprint(path));
        Epub::Book book;
        book.open(path);
        QTextDocument document;
        Epub::ChapterConverter(book).convert(chapter, &document);
        benchmark::DoNotOptimize(document.characterCount());
    }
    finishCounters(state, probe, chapter);
}
BENCHMARK(BM_OpenEpubBibleAtTheMiddle)->Unit(benchmark::kMillisecond);

// Opens the book as the reading view does: the first time, its reader reads it into a package
// that is shown at once (the package is written into the store afterwards, on a thread of its
// own: measured apart, as BM_Keep*); again, the store's kept package is taken.
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
    auto first = std::make_shared<Books::BookPackage>();
    QString error;
    if (!read(path, first.get(), &error)) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    const std::shared_ptr<Epub::Book> probe = Books::openBook(first);
    const int chapter = probe ? middleChapter(*probe, lib.middleVerse) : -1;
    if (chapter < 0) {
        state.SkipWithError("the middle verse is in no chapter");
        return;
    }
    if (again && !store.keep(Reading::fileFingerprint(path),
                             Books::PackageStore::modifiedTime(path), *first)) {
        state.SkipWithError("the package could not be kept");
        return;
    }
    for (auto _ : state) {
        const QString fingerprint = Reading::fileFingerprint(path);
        auto package = std::make_shared<Books::BookPackage>();
        if (again ? !store.load(path, fingerprint, package.get())
                  : !read(path, package.get(), nullptr)) {
            state.SkipWithError("the book could not be read");
            return;
        }
        const std::shared_ptr<Epub::Book> book = Books::openBook(package);
        QTextDocument document;
        Epub::ChapterConverter(*book).convert(chapter, &document);
        benchmark::DoNotOptimize(document.characterCount());
    }
    finishCounters(state, *probe, chapter);
}

// Writing the package of a book read for the first time into the store, which the reading
// view does on a thread of its own once the book is shown.
void keepPackage(benchmark::State& state, const QString& suffix, const Reader& read)
{
    Library& lib = library();
    if (!lib.ready) {
        state.SkipWithError(qPrintable(lib.error));
        return;
    }
    const QString path = lib.folder + QStringLiteral("/kjv.") + suffix;
    Books::BookPackage package;
    QString error;
    if (!read(path, &package, &error)) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    QTemporaryDir scratch;
    Books::PackageStore store(scratch.path());
    const QString fingerprint = Reading::fileFingerprint(path);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            store.keep(fingerprint, Books::PackageStore::modifiedTime(path), package));
    }
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
    BENCHMARK(BM_Reopen##Name##BibleAtTheMiddle)->Unit(benchmark::kMillisecond);                   \
    void BM_Keep##Name##Package(benchmark::State& state)                                           \
    {                                                                                              \
        keepPackage(state, QStringLiteral(suffix), reader);                                        \
    }                                                                                              \
    BENCHMARK(BM_Keep##Name##Package)->Unit(benchmark::kMillisecond);

FORMAT_BENCHMARKS(Fb2, "fb2", Fb2::read)
FORMAT_BENCHMARKS(Azw3, "azw3", Mobi::read)
FORMAT_BENCHMARKS(Docx, "docx", Docx::read)
FORMAT_BENCHMARKS(Markdown, "md", Markdown::read)

} // namespace

QUILLMERE_BENCHMARK_MAIN()
