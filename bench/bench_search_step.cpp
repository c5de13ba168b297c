// One "Find Next" of the search window in the King James Bible (find, the caret past the
// match, the match selected again, the view repainted), against the view's Find alone over the
// same matches in the same run. Also the word at the caret in the middle of the book.
// Run: build/bench/bench_search_step
#include "core/ReaderState.h"
#include "mainwindow/frmMain.h"
#include "support/BenchMain.h"
#include "support/BookFiles.h"
#include "ui/LibraryTree.h"
#include "ui/search/frmSearch.h"
#include "views/Module1.h"
#include "views/RichTextView.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

namespace {
struct Reader
{
    QTemporaryDir dir;
    std::unique_ptr<frmMain> window;
};

// A main window showing the whole Bible as a plain-text book.
Reader* reader()
{
    static Reader r;
    if (r.window) {
        return &r;
    }
    QFile source(BookFiles::kjvPlainText());
    if (!source.open(QIODevice::ReadOnly)) {
        return nullptr;
    }
    const QString app = r.dir.path() + QLatin1Char('/');
    QDir(app).mkpath(QStringLiteral("books"));
    QFile book(app + QStringLiteral("books/kjv.txt"));
    book.open(QIODevice::WriteOnly);
    book.write(source.readAll());
    book.close();
    QFile options(app + QStringLiteral("options.txt"));
    options.open(QIODevice::WriteOnly);
    options.write("\"no\",12,\"yes\"\r\n");
    options.close();
    r.window = std::make_unique<frmMain>(app);
    BenchSupport::beforeApplicationEnds([] { r.window.reset(); });
    r.window->resize(1200, 800);
    r.window->show();
    r.window->TreeView1->selectBook(0);
    r.window->OpenTheNode();
    QCoreApplication::processEvents();
    return &r;
}

// "Jerusalem" comes up some eight hundred times across the book.
const QString Word = QStringLiteral("Jerusalem");

void BM_FindAloneBaseline(benchmark::State& state)
{
    Reader* r = reader();
    if (!r) {
        state.SkipWithError("the King James Bible could not be written");
        return;
    }
    RichTextView* view = r->window->txtBook;
    int start = 0;
    for (auto _ : state) {
        int found = view->Find(Word, start, {});
        if (found < 0) {
            found = view->Find(Word, 0, {});
        }
        start = found + Word.size();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(view->viewport()->grab());
    }
}
BENCHMARK(BM_FindAloneBaseline)->Unit(benchmark::kMicrosecond);

void BM_FindNextStep(benchmark::State& state)
{
    Reader* r = reader();
    if (!r) {
        state.SkipWithError("the King James Bible could not be written");
        return;
    }
    r->window->ShowSearch();
    frmSearch* search = r->window->searchWindow();
    search->txtSearch->setText(Word);
    for (auto _ : state) {
        search->btnFind_Click();
        if (search->searchStart() >= r->window->txtBook->characterCount() - 100) {
            search->txtSearch->setText(QString());
            search->txtSearch->setText(Word); // edited: from the top again
        }
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(r->window->txtBook->viewport()->grab());
    }
    search->close();
}
BENCHMARK(BM_FindNextStep)->Unit(benchmark::kMicrosecond);

void BM_WordAtCaretMidBook(benchmark::State& state)
{
    Reader* r = reader();
    if (!r) {
        state.SkipWithError("the King James Bible could not be written");
        return;
    }
    RichTextView* view = r->window->txtBook;
    const int middle = view->characterCount() / 2;
    LookupRequest lookup;
    for (auto _ : state) {
        view->setSelStart(middle);
        Module1::GetWordAtCursor(*view, lookup);
        benchmark::DoNotOptimize(lookup.lookupWord);
    }
}
BENCHMARK(BM_WordAtCaretMidBook)->Unit(benchmark::kMicrosecond);
} // namespace

QUILLMERE_BENCHMARK_MAIN()
