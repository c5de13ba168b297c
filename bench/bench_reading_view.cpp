// The book view with the King James Bible: opening at a bookmark in the middle until the caret
// is painted (plain text, our RTF, and a styled RTF with centred headings, hanging-indented
// justified verses, page breaks before each book and a table of contents), Page Down one key at
// a time from the middle, and resizing the window with the book open. Each is measured against
// QTextDocument::setPlainText of the same text in the same run; steps report their slowest
// time, and the open benchmarks the peak memory of the process so far.
// Run: build/bench/bench_reading_view
#include "formats/rtf/PlainTextDecoder.h"
#include "formats/rtf/RtfWriter.h"
#include "support/BenchMain.h"
#include "support/BookFiles.h"
#include "views/BookLook.h"
#include "views/RichTextView.h"

#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <chrono>
#include <ctime>
#include <sys/resource.h>

namespace {
struct Books
{
    QTemporaryDir dir;
    QString text;
    QString plainPath;
    QString rtfPath;
    QString styledPath;
    bool ready = false;
};

QByteArray rtfEscaped(const QString& line)
{
    QByteArray out;
    for (const QChar c : line) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('{') || c == QLatin1Char('}')) {
            out += '\\';
            out += char(c.unicode());
        } else if (c.unicode() < 128) {
            out += char(c.unicode());
        } else {
            out += "\\u" + QByteArray::number(qint16(c.unicode())) + '?';
        }
    }
    return out;
}

// The Bible as a publisher would set it: a table of contents (book, first chapter), each book
// on a new page under a centred bold title, centred chapter headings, verses justified with a
// hanging indent.
QByteArray styledRtf(const QString& text)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    static const QRegularExpression bookTitle(QStringLiteral("^[1-3A-Z][A-Z0-9 ]+$"));
    static const QRegularExpression chapter(
        QStringLiteral("^[1-3]? ?[A-Z][a-z]+( [a-zA-Z]+)* \\d+$"));
    QByteArray contents;
    QByteArray body;
    QString book;
    for (const QString& line : lines) {
        if (bookTitle.match(line).hasMatch()) {
            book = line;
            body += "\\pard\\pagebb\\qc\\sb240\\sa240{\\b\\fs36 " + rtfEscaped(line) + "}\\par\n";
        } else if (chapter.match(line).hasMatch()) {
            if (line.endsWith(QLatin1String(" 1")) && !book.isEmpty()) {
                contents += "\\trowd\\trgaph100\\cellx4000\\cellx6000\\pard\\intbl " +
                            rtfEscaped(book) + "\\cell\\pard\\intbl " + rtfEscaped(line) +
                            "\\cell\\row\n";
            }
            body += "\\pard\\qc\\sb120\\sa60{\\i " + rtfEscaped(line) + "}\\par\n";
        } else if (line.isEmpty()) {
            continue;
        } else {
            body += "\\pard\\qj\\li360\\fi-360 " + rtfEscaped(line) + "\\par\n";
        }
    }
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times New Roman;}}\\fs24\n" + contents +
           "\\pard\\par\n" + body + "}";
}

Books& books()
{
    static Books b;
    if (b.ready) {
        return b;
    }
    QFile file(BookFiles::kjvPlainText());
    if (!file.open(QIODevice::ReadOnly)) {
        return b;
    }
    const QByteArray bytes = file.readAll();
    b.text = PlainText::decode(bytes);
    b.plainPath = b.dir.filePath(QStringLiteral("kjv.txt"));
    b.rtfPath = b.dir.filePath(QStringLiteral("kjv.rtf"));
    b.styledPath = b.dir.filePath(QStringLiteral("kjv-styled.rtf"));
    QFile plain(b.plainPath);
    plain.open(QIODevice::WriteOnly);
    plain.write(bytes);
    QTextDocument document;
    document.setPlainText(b.text);
    QFile rtf(b.rtfPath);
    rtf.open(QIODevice::WriteOnly);
    rtf.write(Rtf::write(&document));
    QFile styled(b.styledPath);
    styled.open(QIODevice::WriteOnly);
    styled.write(styledRtf(b.text));
    b.ready = plain.error() == QFile::NoError && rtf.error() == QFile::NoError &&
              styled.error() == QFile::NoError;
    return b;
}

// CPU time of this thread, in milliseconds: on a shared machine a step's wall time also holds
// the time other programs ran.
double threadMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

void BM_SetPlainTextBaseline(benchmark::State& state)
{
    Books& b = books();
    for (auto _ : state) {
        QTextDocument document;
        document.setUndoRedoEnabled(false);
        document.setPlainText(b.text);
        benchmark::DoNotOptimize(document.characterCount());
    }
}
BENCHMARK(BM_SetPlainTextBaseline)->Unit(benchmark::kMillisecond);

void openAtBookmark(benchmark::State& state, const QString& path, RichTextView::LoadKind kind)
{
    if (!books().ready) {
        state.SkipWithError("the King James Bible could not be written");
        return;
    }
    RichTextView view;
    view.resize(1000, 700);
    view.show();
    QCoreApplication::processEvents();
    int middle = 0;
    for (auto _ : state) {
        view.setText(QString());
        if (!view.LoadFile(path, kind)) {
            state.SkipWithError("the book did not load");
            return;
        }
        middle = view.characterCount() / 2;
        view.setSelStart(middle);
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(view.viewport()->grab());
    }
    if (view.SelStart() != middle || !view.viewport()->rect().contains(view.cursorRect())) {
        state.SkipWithError("the caret is not shown at the bookmark");
    }
    state.counters["peak_MB"] = peakMegabytes();
}

// The view as it was before it drew paragraph formats: a read-only QPlainTextEdit, whose
// layout lays out only the paragraphs on screen and scrolls by paragraph.
void BM_PlainTextEditOpenAtBookmark(benchmark::State& state)
{
    Books& b = books();
    QPlainTextEdit view;
    view.setReadOnly(true);
    view.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    view.resize(1000, 700);
    view.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        QFile file(b.plainPath);
        file.open(QIODevice::ReadOnly);
        view.setPlainText(PlainText::decode(file.readAll()));
        QTextDocument* document = view.document();
        QTextCursor cursor(document);
        cursor.setPosition(document->characterCount() / 2);
        view.setTextCursor(cursor);
        view.ensureCursorVisible();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(view.viewport()->grab());
    }
}
BENCHMARK(BM_PlainTextEditOpenAtBookmark)->Unit(benchmark::kMillisecond);

void BM_OpenPlainTextAtBookmark(benchmark::State& state)
{
    openAtBookmark(state, books().plainPath, RichTextView::LoadPlainText);
}
BENCHMARK(BM_OpenPlainTextAtBookmark)->Unit(benchmark::kMillisecond);

void BM_OpenRtfAtBookmark(benchmark::State& state)
{
    openAtBookmark(state, books().rtfPath, RichTextView::LoadRtf);
}
BENCHMARK(BM_OpenRtfAtBookmark)->Unit(benchmark::kMillisecond);

void BM_OpenStyledRtfAtBookmark(benchmark::State& state)
{
    openAtBookmark(state, books().styledPath, RichTextView::LoadRtf);
}
BENCHMARK(BM_OpenStyledRtfAtBookmark)->Unit(benchmark::kMillisecond);

// One Page Down key and the repaint it causes, per iteration, from the middle of the book.
void pageDown(benchmark::State& state, const QString& path, RichTextView::LoadKind kind,
              bool nightInAColumn = false)
{
    RichTextView view;
    view.resize(1000, 700);
    if (nightInAColumn) {
        // As the reader shows it in Night with Comfortable Width: every line's colours kept
        // readable, the text in a column.
        BookLook look;
        look.background = QColor(0x1c, 0x1c, 0x1e);
        look.text = QColor(0xd8, 0xd8, 0xd4);
        look.keepColoursReadable = true;
        view.setLook(look);
        view.setColumnCharacters(75);
    }
    view.show();
    if (!books().ready || !view.LoadFile(path, kind)) {
        state.SkipWithError("the book did not load");
        return;
    }
    view.setSelStart(view.characterCount() / 2);
    QCoreApplication::processEvents();
    view.viewport()->grab();
    double slowest = 0;
    double slowestCpu = 0;
    const int start = view.SelStart();
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        const double cpuBegin = threadMilliseconds();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &press);
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(view.viewport()->grab());
        const std::chrono::duration<double, std::milli> step =
            std::chrono::steady_clock::now() - begin;
        slowest = qMax(slowest, step.count());
        slowestCpu = qMax(slowestCpu, threadMilliseconds() - cpuBegin);
    }
    if (view.SelStart() <= start) {
        state.SkipWithError("Page Down did not move the caret");
    }
    state.counters["slowest_ms"] = slowest;
    state.counters["slowest_cpu_ms"] = slowestCpu;
}

// The same steps in the view as it was before (see BM_PlainTextEditOpenAtBookmark).
void BM_PlainTextEditPageDown(benchmark::State& state)
{
    QPlainTextEdit view;
    view.setReadOnly(true);
    view.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    view.resize(1000, 700);
    view.show();
    view.setPlainText(books().text);
    QTextCursor cursor(view.document());
    cursor.setPosition(view.document()->characterCount() / 2);
    view.setTextCursor(cursor);
    view.ensureCursorVisible();
    QCoreApplication::processEvents();
    view.viewport()->grab();
    double slowestCpu = 0;
    for (auto _ : state) {
        const double cpuBegin = threadMilliseconds();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &press);
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(view.viewport()->grab());
        slowestCpu = qMax(slowestCpu, threadMilliseconds() - cpuBegin);
    }
    state.counters["slowest_cpu_ms"] = slowestCpu;
}
BENCHMARK(BM_PlainTextEditPageDown)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_PageDownPlainText(benchmark::State& state)
{
    pageDown(state, books().plainPath, RichTextView::LoadPlainText);
}
BENCHMARK(BM_PageDownPlainText)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_PageDownStyledRtf(benchmark::State& state)
{
    pageDown(state, books().styledPath, RichTextView::LoadRtf);
}
BENCHMARK(BM_PageDownStyledRtf)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_PageDownStyledRtfNightColumn(benchmark::State& state)
{
    pageDown(state, books().styledPath, RichTextView::LoadRtf, true);
}
BENCHMARK(BM_PageDownStyledRtfNightColumn)->Unit(benchmark::kMillisecond)->Iterations(200);

// The window made narrower and wider in turn with the book open in the middle: every height
// becomes an estimate again and the text at the top stays.
void BM_ResizeWithBookOpen(benchmark::State& state)
{
    RichTextView view;
    view.resize(1000, 700);
    view.show();
    if (!books().ready || !view.LoadFile(books().styledPath, RichTextView::LoadRtf)) {
        state.SkipWithError("the book did not load");
        return;
    }
    view.setSelStart(view.characterCount() / 2);
    QCoreApplication::processEvents();
    view.viewport()->grab();
    double slowest = 0;
    double slowestCpu = 0;
    bool narrow = false;
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        const double cpuBegin = threadMilliseconds();
        narrow = !narrow;
        view.resize(narrow ? 760 : 1000, 700);
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(view.viewport()->grab());
        const std::chrono::duration<double, std::milli> step =
            std::chrono::steady_clock::now() - begin;
        slowest = qMax(slowest, step.count());
        slowestCpu = qMax(slowestCpu, threadMilliseconds() - cpuBegin);
    }
    state.counters["slowest_ms"] = slowest;
    state.counters["slowest_cpu_ms"] = slowestCpu;
}
BENCHMARK(BM_ResizeWithBookOpen)->Unit(benchmark::kMillisecond)->Iterations(50);

// The baseline of a resize: Qt's plain-text editor holding the same text, in the middle.
void BM_PlainTextEditResize(benchmark::State& state)
{
    QPlainTextEdit view;
    view.setReadOnly(true);
    view.resize(1000, 700);
    view.show();
    view.setPlainText(books().text);
    QTextCursor cursor(view.document());
    cursor.setPosition(view.document()->characterCount() / 2);
    view.setTextCursor(cursor);
    view.ensureCursorVisible();
    QCoreApplication::processEvents();
    view.viewport()->grab();
    double slowest = 0;
    bool narrow = false;
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        narrow = !narrow;
        view.resize(narrow ? 760 : 1000, 700);
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(view.viewport()->grab());
        const std::chrono::duration<double, std::milli> step =
            std::chrono::steady_clock::now() - begin;
        slowest = qMax(slowest, step.count());
    }
    state.counters["slowest_ms"] = slowest;
}
BENCHMARK(BM_PlainTextEditResize)->Unit(benchmark::kMillisecond)->Iterations(50);
} // namespace

QUILLMERE_BENCHMARK_MAIN()
