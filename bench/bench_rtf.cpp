// The RTF codec and plain-text decoding on the King James Bible, each against
// QTextDocument::setPlainText of the same text in the same run (BM_SetPlainText).
#include "formats/rtf/PlainTextDecoder.h"
#include "formats/rtf/RtfReader.h"
#include "formats/rtf/RtfSourceBook.h"
#include "formats/rtf/RtfWriter.h"
#include "support/KjvBook.h"
#include "views/FillingDocumentLayout.h"
#include "views/RichTextView.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDir>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <malloc.h>

namespace {

struct Book
{
    QByteArray bytes;
    QString text;
    QByteArray ownRtf;
    QByteArray libreOfficeRtf;
};

Book& book()
{
    static Book b;
    return b;
}

void BM_SetPlainText(benchmark::State& state)
{
    for (auto _ : state) {
        QTextDocument document;
        document.setPlainText(book().text);
        benchmark::DoNotOptimize(document.characterCount());
    }
    state.SetBytesProcessed(state.iterations() * book().bytes.size());
}

void BM_DecodeAndSetPlainText(benchmark::State& state)
{
    for (auto _ : state) {
        QTextDocument document;
        document.setPlainText(PlainText::decode(book().bytes));
        benchmark::DoNotOptimize(document.characterCount());
    }
    state.SetBytesProcessed(state.iterations() * book().bytes.size());
}

void BM_WriteRtf(benchmark::State& state)
{
    QTextDocument document;
    document.setPlainText(book().text);
    for (auto _ : state) {
        const QByteArray rtf = Rtf::write(&document);
        benchmark::DoNotOptimize(rtf.size());
    }
    state.SetBytesProcessed(state.iterations() * book().bytes.size());
}

// The view reads into a document whose layout lays out nothing (the view then lays out what
// it shows); the same here, so that the figures hold the reader's own work.
using NoLayout = FillingDocumentLayout;

void readRtf(benchmark::State& state, const QByteArray& rtf)
{
    if (rtf.isEmpty()) {
        state.SkipWithError("no RTF of the book (LibreOffice missing?)");
        return;
    }
    for (auto _ : state) {
        QTextDocument document;
        document.setDocumentLayout(new NoLayout(&document));
        Rtf::read(rtf, &document);
        benchmark::DoNotOptimize(document.characterCount());
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
}

// The reading the view does: with the map of where each character came from.
void BM_ReadLibreOfficeRtfWithMap(benchmark::State& state)
{
    const QByteArray& rtf = book().libreOfficeRtf;
    if (rtf.isEmpty()) {
        state.SkipWithError("no RTF of the book (LibreOffice missing?)");
        return;
    }
    for (auto _ : state) {
        QTextDocument document;
        document.setDocumentLayout(new NoLayout(&document));
        Rtf::RtfSourceMap map;
        Rtf::read(rtf, &document, nullptr, &map);
        benchmark::DoNotOptimize(map.spans().size());
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
}

// The bytes in use by the heap, to weigh the map against the document.
qint64 heapInUse()
{
    return qint64(mallinfo2().uordblks);
}

// A mark over the last verse, then the save (an atomic write, as the view's).
// Counters: the map's memory as a share of the document's.
void BM_MarkAndSaveLastChapter(benchmark::State& state)
{
    const QByteArray& rtf = book().libreOfficeRtf;
    if (rtf.isEmpty()) {
        state.SkipWithError("no RTF of the book (LibreOffice missing?)");
        return;
    }
    const qint64 before = heapInUse();
    QTextDocument document;
    document.setDocumentLayout(new NoLayout(&document));
    Rtf::read(rtf, &document);
    const qint64 documentBytes = heapInUse() - before;
    Rtf::RtfSourceMap map;
    QTextDocument mapped;
    mapped.setDocumentLayout(new NoLayout(&mapped));
    Rtf::read(rtf, &mapped, nullptr, &map);
    state.counters["map_share_%"] = 100.0 * double(map.memoryBytes()) / double(documentBytes);
    state.counters["source_share_%"] = 100.0 * double(rtf.size()) / double(documentBytes);
    const int start = int(mapped.toRawText().lastIndexOf(QStringLiteral("The grace of our Lord")));
    for (auto _ : state) {
        state.PauseTiming();
        Rtf::RtfSourceBook source(rtf, map);
        state.ResumeTiming();
        if (start < 0 || !source.setColor(mapped, start, start + 40, QColor(128, 0, 0))) {
            state.SkipWithError("the verse could not be marked");
            return;
        }
        QSaveFile file(QDir::temp().filePath(QStringLiteral("bench_rtf_save.rtf")));
        file.open(QIODevice::WriteOnly);
        file.write(source.bytes());
        file.commit();
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
}

// Marks as the red pen makes them: the colour, then underlining.
bool markRange(Rtf::RtfSourceBook& source, const QTextDocument& document, int start, int end)
{
    return source.setColor(document, start, end, QColor(128, 0, 0)) &&
           source.setUnderline(document, start, end, true);
}

// A mark over the whole book: every paragraph's text written again with its groups.
void BM_MarkWholeBook(benchmark::State& state)
{
    const QByteArray& rtf = book().libreOfficeRtf;
    if (rtf.isEmpty()) {
        state.SkipWithError("no RTF of the book (LibreOffice missing?)");
        return;
    }
    QTextDocument document;
    document.setDocumentLayout(new NoLayout(&document));
    Rtf::RtfSourceMap map;
    Rtf::read(rtf, &document, nullptr, &map);
    qsizetype grown = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Rtf::RtfSourceBook source(rtf, map);
        state.ResumeTiming();
        if (!markRange(source, document, 0, document.characterCount() - 1)) {
            state.SkipWithError("the mark was refused");
            return;
        }
        grown = source.bytes().size() - rtf.size();
    }
    state.counters["grown_%"] = 100.0 * double(grown) / double(rtf.size());
    state.SetBytesProcessed(state.iterations() * rtf.size());
}

// One verse marked again and again, as a reader does over the years: each mark costs the
// same and the book does not grow (counter: bytes added by the 2nd to the 300th mark).
void BM_MarkOneVerseAgain(benchmark::State& state)
{
    const QByteArray& rtf = book().libreOfficeRtf;
    if (rtf.isEmpty()) {
        state.SkipWithError("no RTF of the book (LibreOffice missing?)");
        return;
    }
    QTextDocument document;
    document.setDocumentLayout(new NoLayout(&document));
    Rtf::RtfSourceMap map;
    Rtf::read(rtf, &document, nullptr, &map);
    Rtf::RtfSourceBook source(rtf, std::move(map));
    const int start =
        int(document.toRawText().lastIndexOf(QStringLiteral("The grace of our Lord")));
    if (start < 0 || !markRange(source, document, start, start + 40)) {
        state.SkipWithError("the verse could not be marked");
        return;
    }
    const qsizetype once = source.bytes().size();
    state.counters["first_mark_bytes"] = double(once - rtf.size());
    for (int i = 1; i < 300; ++i) {
        markRange(source, document, start, start + 40);
    }
    state.counters["grown_bytes"] = double(source.bytes().size() - once);
    for (auto _ : state) {
        markRange(source, document, start, start + 40);
    }
}

void BM_ReadOwnRtf(benchmark::State& state)
{
    readRtf(state, book().ownRtf);
}

void BM_ReadLibreOfficeRtf(benchmark::State& state)
{
    readRtf(state, book().libreOfficeRtf);
}

// A table of 10,000 rows of five one-letter cells against the same letters as paragraphs:
// reading a table must stay linear in its rows.
QByteArray tableRtf(int rows, bool asTable)
{
    QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Times;}}\n";
    for (int r = 0; r < rows; ++r) {
        if (asTable) {
            rtf += "\\trowd\\cellx1000\\cellx2000\\cellx3000\\cellx4000\\cellx5000\n";
        }
        for (int c = 0; c < 5; ++c) {
            rtf += asTable ? "\\pard\\intbl " : "\\pard ";
            rtf += char('a' + (r + c) % 26);
            rtf += asTable ? "\\cell\n" : "\\par\n";
        }
        if (asTable) {
            rtf += "\\row\n";
        }
    }
    rtf += "\\pard after\\par}";
    return rtf;
}

void BM_ReadTableRows(benchmark::State& state)
{
    readRtf(state, tableRtf(int(state.range(0)), true));
}

void BM_ReadTableTextAsParagraphs(benchmark::State& state)
{
    readRtf(state, tableRtf(int(state.range(0)), false));
}

// The same two books opened in the book view as the program opens them: read from the file,
// laid out where the view shows them, painted, then moved to the middle and painted again.
void openInView(benchmark::State& state, const QByteArray& rtf)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("table.rtf"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(rtf) != rtf.size() || !file.commit()) {
        state.SkipWithError("the book could not be written");
        return;
    }
    RichTextView view;
    view.resize(1000, 700);
    view.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        view.setText(QString());
        if (!view.LoadFile(path, RichTextView::LoadRtf)) {
            state.SkipWithError("the book did not load");
            return;
        }
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(view.viewport()->grab());
        view.setSelStart(view.characterCount() / 2);
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(view.viewport()->grab());
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
}

void BM_OpenTableRowsInView(benchmark::State& state)
{
    openInView(state, tableRtf(int(state.range(0)), true));
}

void BM_OpenTableTextAsParagraphsInView(benchmark::State& state)
{
    openInView(state, tableRtf(int(state.range(0)), false));
}

void BM_ReadOneRowOfCells(benchmark::State& state)
{
    QByteArray rtf = "{\\rtf1\\ansi\\trowd\\cellx1000\n";
    for (int c = 0; c < state.range(0); ++c) {
        rtf += "\\pard\\intbl x\\cell\n";
    }
    rtf += "\\row\\pard after\\par}";
    readRtf(state, rtf);
}

BENCHMARK(BM_ReadTableRows)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadTableTextAsParagraphs)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenTableRowsInView)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenTableTextAsParagraphsInView)
    ->Arg(10000)
    ->Arg(40000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadOneRowOfCells)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetPlainText)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_DecodeAndSetPlainText)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WriteRtf)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadOwnRtf)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadLibreOfficeRtf)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadLibreOfficeRtfWithMap)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_MarkAndSaveLastChapter)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_MarkWholeBook)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_MarkOneVerseAgain)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    const QString path = KjvBook::path();
    if (path.isEmpty()) {
        return 1;
    }
    Book& b = book();
    b.bytes = KjvBook::readAll(path);
    b.text = PlainText::decode(b.bytes);
    QTextDocument document;
    document.setPlainText(b.text);
    b.ownRtf = Rtf::write(&document);
    const QString libreOffice = KjvBook::libreOfficeRtf(path);
    if (!libreOffice.isEmpty()) {
        b.libreOfficeRtf = KjvBook::readAll(libreOffice);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
