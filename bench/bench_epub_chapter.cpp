// A long EPUB chapter: the King James Bible as one chapter of 5.9 MB (a paragraph with an id
// for each verse, a heading for each chapter, as converters write them), opened in the text
// view to its first screen and until it is converted whole, against the same text opened as
// one plain-text book, in the same run. And turning to the Bible's largest chapter (Psalms, in
// a book of one chapter per book of the Bible) until its first screen is drawn, against
// turning to the smallest.
// Run: build/bench/bench_epub_chapter
#include "support/BenchMain.h"
#include "support/EpubBookWriter.h"
#include "support/KjvBook.h"
#include "views/EpubSession.h"
#include "views/RichTextView.h"

#include <QCoreApplication>
#include <QMenu>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextDocument>

namespace {

struct Books
{
    QTemporaryDir dir;
    QString plain;      // the Bible as plain text
    QString oneChapter; // the Bible as one EPUB chapter
    QString byBook;     // one EPUB chapter per book of the Bible
    int largest = -1;   // its largest chapter
    int smallest = -1;  // and its smallest
    QString error;
};

Books& books()
{
    static Books b;
    if (!b.plain.isEmpty() || !b.error.isEmpty()) {
        return b;
    }
    b.plain = KjvBook::path();
    if (b.plain.isEmpty()) {
        b.error = QStringLiteral("the King James Bible could not be written");
        return b;
    }
    const QStringList lines = QString::fromUtf8(KjvBook::readAll(b.plain)).split(QLatin1Char('\n'));
    static const QRegularExpression verse(QStringLiteral("^([0-9]+) (.*)$"));
    static const QRegularExpression chapter(QStringLiteral("^.+ [0-9]+$"));
    QString whole;
    QStringList perBook;
    int verses = 0;
    for (qsizetype i = 3; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty()) {
            continue;
        }
        QString html;
        const QRegularExpressionMatch match = verse.match(line);
        if (match.hasMatch()) {
            html = QStringLiteral("<p class=\"verse\" id=\"v%1\"><span class=\"n\">%2</span> "
                                  "%3</p>\n")
                       .arg(++verses)
                       .arg(match.captured(1), match.captured(2).toHtmlEscaped());
        } else if (chapter.match(line).hasMatch()) {
            html = QStringLiteral("<h2>%1</h2>\n").arg(line.toHtmlEscaped());
        } else {
            html = QStringLiteral("<h1>%1</h1>\n").arg(line.toHtmlEscaped());
            perBook.append(QString());
        }
        whole += html;
        if (!perBook.isEmpty()) {
            perBook.last() += html;
        }
    }
    const QString css = QStringLiteral(".verse { margin: 0 0 0.3em; text-indent: 1em } "
                                       ".n { font-weight: bold; font-size: 0.7em }");
    b.oneChapter = b.dir.filePath(QStringLiteral("bible.epub"));
    b.byBook = b.dir.filePath(QStringLiteral("books.epub"));
    if (!EpubBookWriter::write(b.oneChapter, {whole}, css) ||
        !EpubBookWriter::write(b.byBook, perBook, css)) {
        b.error = QStringLiteral("the EPUB books could not be written");
        return b;
    }
    for (int i = 0; i < perBook.size(); ++i) {
        if (b.largest < 0 || perBook.at(i).size() > perBook.at(b.largest).size()) {
            b.largest = i;
        }
        if (b.smallest < 0 || perBook.at(i).size() < perBook.at(b.smallest).size()) {
            b.smallest = i;
        }
    }
    return b;
}

// A text view as the window shows it, with a session over it.
struct Reader
{
    QTemporaryDir records;
    RichTextView view;
    QMenu menu;
    EpubSession session{&view, &menu, records.path()};
    Reader()
    {
        view.resize(900, 700);
        view.show();
    }
};

void waitUntilWhole(EpubSession& session)
{
    while (session.isConverting()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
}

void BM_PlainTextBible(benchmark::State& state)
{
    Books& b = books();
    if (!b.error.isEmpty()) {
        state.SkipWithError(qPrintable(b.error));
        return;
    }
    for (auto _ : state) {
        RichTextView view;
        view.resize(900, 700);
        view.show();
        view.LoadFile(b.plain, RichTextView::LoadPlainText);
        view.viewport()->grab();
        benchmark::DoNotOptimize(view.characterCount());
    }
}

// Opened and its first screen drawn; the conversion of the rest is left to finish untimed.
void BM_LongChapterFirstScreen(benchmark::State& state)
{
    Books& b = books();
    if (!b.error.isEmpty()) {
        state.SkipWithError(qPrintable(b.error));
        return;
    }
    for (auto _ : state) {
        Reader reader;
        QString error;
        reader.session.open(b.oneChapter, &error);
        reader.view.viewport()->grab();
        state.PauseTiming();
        waitUntilWhole(reader.session);
        reader.session.close();
        state.ResumeTiming();
    }
}

void BM_LongChapterWhole(benchmark::State& state)
{
    Books& b = books();
    if (!b.error.isEmpty()) {
        state.SkipWithError(qPrintable(b.error));
        return;
    }
    for (auto _ : state) {
        Reader reader;
        QString error;
        reader.session.open(b.oneChapter, &error);
        waitUntilWhole(reader.session);
        reader.view.viewport()->grab();
        state.PauseTiming();
        reader.session.close();
        state.ResumeTiming();
    }
}

// Turning from the first chapter to the one given (arg 1: the largest, 0: the smallest) until
// its first screen is drawn.
void BM_TurnToChapter(benchmark::State& state)
{
    Books& b = books();
    if (!b.error.isEmpty()) {
        state.SkipWithError(qPrintable(b.error));
        return;
    }
    Reader reader;
    QString error;
    reader.session.open(b.byBook, &error);
    const int target = state.range(0) == 1 ? b.largest : b.smallest;
    for (auto _ : state) {
        state.PauseTiming();
        waitUntilWhole(reader.session);
        reader.session.showChapter(0);
        reader.view.viewport()->grab();
        state.ResumeTiming();
        reader.session.showChapter(target);
        reader.view.viewport()->grab();
    }
    waitUntilWhole(reader.session);
    reader.session.close();
}

} // namespace

BENCHMARK(BM_PlainTextBible)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LongChapterFirstScreen)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LongChapterWhole)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TurnToChapter)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10);

QUILLMERE_BENCHMARK_MAIN();
