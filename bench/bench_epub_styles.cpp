// Converting one chapter as the EPUB converters of the trade write it (calibre: 300 class rules,
// each paragraph naming one), against the same chapter without its style sheet, in the same
// run: the cost the style sheet adds to every chapter turn, mark placement and find.
// Run: build/bench/bench_epub_styles
#include "formats/epub/ChapterConverter.h"
#include "formats/epub/EpubBook.h"
#include "support/BenchMain.h"
#include "support/EpubBookWriter.h"

#include <QTemporaryDir>
#include <QTextDocument>

namespace {
constexpr int Rules = 300;
constexpr int Paragraphs = 10000;

struct Books
{
    QTemporaryDir dir;
    QString plain;
    QString styled;
    bool ready = false;
};

Books& books()
{
    static Books made;
    if (made.ready) {
        return made;
    }
    QString css;
    for (int i = 0; i < Rules; ++i) {
        css += QStringLiteral(".calibre%1 { display: block; font-size: 1em; margin: 0 0 %2em; "
                              "text-indent: 1.5em; text-align: justify }\n")
                   .arg(i)
                   .arg(i % 3 * 0.5);
    }
    QString body;
    for (int i = 0; i < Paragraphs; ++i) {
        body += QStringLiteral("<p class=\"calibre%1\">Paragraph %2: the tide came in over the "
                               "flats and the gulls rose from the mud in a long white line.</p>")
                    .arg(i % Rules)
                    .arg(i);
    }
    made.plain = made.dir.filePath(QStringLiteral("plain.epub"));
    made.styled = made.dir.filePath(QStringLiteral("styled.epub"));
    made.ready = EpubBookWriter::write(made.plain, {body}) &&
                 EpubBookWriter::write(made.styled, {body}, css);
    return made;
}

void convert(benchmark::State& state, const QString& path)
{
    Epub::Book book;
    if (!books().ready || book.open(path) != Epub::Book::OpenResult::Opened) {
        state.SkipWithError("the book could not be written");
        return;
    }
    Epub::ChapterConverter converter(book);
    for (auto _ : state) {
        QTextDocument document;
        converter.convert(0, &document);
        benchmark::DoNotOptimize(document.characterCount());
    }
}

// The baseline: the chapter without its style sheet.
void BM_ConvertChapterWithoutStyles(benchmark::State& state)
{
    convert(state, books().plain);
}
BENCHMARK(BM_ConvertChapterWithoutStyles)->Unit(benchmark::kMillisecond);

void BM_ConvertChapterWith300ClassRules(benchmark::State& state)
{
    convert(state, books().styled);
}
BENCHMARK(BM_ConvertChapterWith300ClassRules)->Unit(benchmark::kMillisecond);
} // namespace

QUILLMERE_BENCHMARK_MAIN()
