// Opening a whole book in the book view and jumping to its middle, and finding a word near its
// end, each against QTextDocument doing the same in the same run. The King James Bible is the
// book (bench/support/BookFiles). Run: build/bench/bench_textview
#include "formats/rtf/PlainTextDecoder.h"
#include "formats/rtf/RtfWriter.h"
#include "support/BookFiles.h"
#include "views/RichTextView.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <benchmark/benchmark.h>

namespace {
QString g_bookPath;
QString g_bookText;
constexpr const char* NearTheEnd = "bottomless pit";

// Lets the view lay out and paint what it shows, as the first screen after an open does.
void showOnScreen(QAbstractScrollArea& view)
{
    QCoreApplication::processEvents();
    benchmark::DoNotOptimize(view.viewport()->grab());
}

// Baseline: the text into a bare document, with no view and no layout at all.
void BM_QTextDocumentSetPlainText(benchmark::State& state)
{
    for (auto _ : state) {
        QTextDocument document;
        document.setUndoRedoEnabled(false);
        document.setPlainText(g_bookText);
        benchmark::DoNotOptimize(document.characterCount());
    }
}
BENCHMARK(BM_QTextDocumentSetPlainText)->Unit(benchmark::kMillisecond);

// The book view: read and decode the file, jump to a bookmark in the middle, paint.
void BM_RichTextViewLoadPlainTextAndJump(benchmark::State& state)
{
    RichTextView view;
    view.resize(900, 600);
    view.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        view.setText(QString());
        if (!view.LoadFile(g_bookPath, RichTextView::LoadPlainText)) {
            state.SkipWithError("the book did not load");
            return;
        }
        view.setSelStart(view.characterCount() / 2);
        view.setSelLength(0);
        showOnScreen(view);
    }
}
BENCHMARK(BM_RichTextViewLoadPlainTextAndJump)->Unit(benchmark::kMillisecond);

// For comparison: a plain QTextEdit doing the same (it lays out everything before the caret).
void BM_QTextEditSetPlainTextAndJump(benchmark::State& state)
{
    QTextEdit view;
    view.setUndoRedoEnabled(false);
    view.resize(900, 600);
    view.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        view.setPlainText(g_bookText);
        QTextCursor cursor(view.document());
        cursor.setPosition(view.document()->characterCount() / 2);
        view.setTextCursor(cursor);
        view.ensureCursorVisible();
        showOnScreen(view);
    }
}
BENCHMARK(BM_QTextEditSetPlainTextAndJump)->Unit(benchmark::kMillisecond);

// The book saved as RTF, loaded as RTF, jump, paint: skipped while no RTF codec is built in.
void BM_RichTextViewLoadRtfAndJump(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString rtfPath = dir.filePath(QStringLiteral("kjv.rtf"));
    RichTextView view;
    view.resize(900, 600);
    view.show();
    if (!view.LoadFile(g_bookPath, RichTextView::LoadPlainText) || !view.SaveFile(rtfPath)) {
        state.SkipWithError("no RTF writer yet");
        return;
    }
    QCoreApplication::processEvents();
    for (auto _ : state) {
        view.setText(QString());
        if (!view.LoadFile(rtfPath, RichTextView::LoadRtf)) {
            state.SkipWithError("the RTF book did not load");
            return;
        }
        view.setSelStart(view.characterCount() / 2);
        view.setSelLength(0);
        showOnScreen(view);
    }
}
BENCHMARK(BM_RichTextViewLoadRtfAndJump)->Unit(benchmark::kMillisecond);

// Baseline: QTextDocument's own find of the same words from the start.
void BM_QTextDocumentFindNearTheEnd(benchmark::State& state)
{
    QTextDocument document;
    document.setUndoRedoEnabled(false);
    document.setPlainText(g_bookText);
    for (auto _ : state) {
        const QTextCursor match = document.find(QString::fromLatin1(NearTheEnd), 0);
        if (match.isNull()) {
            state.SkipWithError("not found");
            return;
        }
        benchmark::DoNotOptimize(match.position());
    }
}
BENCHMARK(BM_QTextDocumentFindNearTheEnd)->Unit(benchmark::kMillisecond);

// The book view's Find from the start, whole word, selecting and showing the match.
void BM_RichTextViewFindNearTheEnd(benchmark::State& state)
{
    RichTextView view;
    view.resize(900, 600);
    view.show();
    if (!view.LoadFile(g_bookPath, RichTextView::LoadPlainText)) {
        state.SkipWithError("the book did not load");
        return;
    }
    QCoreApplication::processEvents();
    for (auto _ : state) {
        view.setSelStart(0);
        const int found =
            view.Find(QString::fromLatin1(NearTheEnd), 0, RichTextView::FindWholeWord);
        if (found < 0) {
            state.SkipWithError("not found");
            return;
        }
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_RichTextViewFindNearTheEnd)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    g_bookPath = BookFiles::kjvPlainText();
    QFile file(g_bookPath);
    if (g_bookPath.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        fprintf(stderr, "The King James Bible could not be written (kjv-book).\n");
        return 1;
    }
    g_bookText = PlainText::decode(file.readAll());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
