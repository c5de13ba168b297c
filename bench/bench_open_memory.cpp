// The peak memory of opening a large plain-text book (five King James Bibles, about 21 MB):
// each run starts the program's book view in a process of its own three times, empty, with
// the book opened, and with the same text in Qt's QPlainTextEdit as the baseline, and reads
// the process's peak resident size (VmHWM) once the book is shown. Reported: the peaks in
// megabytes, and the bytes of peak above the empty view per byte of the book's text.
// Run: build/bench/bench_open_memory
#include "support/BookFiles.h"
#include "views/RichTextView.h"

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>

namespace {
// The process's peak resident size in kilobytes.
qint64 peakKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return -1;
}

// One measured process: shows an empty view, the book in the view, or the book in Qt's
// plain-text editor, and prints its peak.
int runChild(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QByteArray mode = argv[2];
    const QString path = QString::fromLocal8Bit(argv[3]);
    QWidget* shown = nullptr;
    if (mode == "qt") {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            return 1;
        }
        auto* edit = new QPlainTextEdit;
        edit->setPlainText(QString::fromUtf8(file.readAll()));
        shown = edit;
    } else {
        auto* view = new RichTextView;
        if (mode == "open" && !view->LoadFile(path, RichTextView::LoadPlainText)) {
            return 1;
        }
        shown = view;
    }
    shown->resize(1000, 700);
    shown->show();
    QCoreApplication::processEvents();
    shown->grab();
    std::printf("%lld\n", static_cast<long long>(peakKilobytes()));
    return 0;
}

struct Book
{
    QTemporaryDir dir;
    QString path;
    qint64 textBytes = 0;
};

const Book& book()
{
    static Book b = [] {
        Book made;
        QFile kjv(BookFiles::kjvPlainText());
        if (!kjv.open(QIODevice::ReadOnly)) {
            return made;
        }
        const QByteArray bible = kjv.readAll();
        made.path = made.dir.filePath(QStringLiteral("five-bibles.txt"));
        QFile out(made.path);
        if (out.open(QIODevice::WriteOnly)) {
            for (int i = 0; i < 5; ++i) {
                out.write(bible);
            }
            made.textBytes = out.size();
        }
        return made;
    }();
    return b;
}

qint64 measure(const char* mode)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--child"), QLatin1String(mode), book().path});
    if (!child.waitForFinished(300000) || child.exitCode() != 0) {
        return -1;
    }
    return child.readAllStandardOutput().trimmed().toLongLong();
}

void BM_OpenPeakMemory(benchmark::State& state)
{
    if (book().textBytes == 0) {
        state.SkipWithError("the book could not be written");
        return;
    }
    qint64 empty = 0;
    qint64 opened = 0;
    qint64 qt = 0;
    for (auto _ : state) {
        empty = measure("empty");
        opened = measure("open");
        qt = measure("qt");
    }
    if (empty < 0 || opened < 0 || qt < 0) {
        state.SkipWithError("a measured process failed");
        return;
    }
    state.counters["empty_MB"] = empty / 1024.0;
    state.counters["open_MB"] = opened / 1024.0;
    state.counters["qt_baseline_MB"] = qt / 1024.0;
    state.counters["text_MB"] = book().textBytes / 1048576.0;
    state.counters["bytes_per_text_byte"] = (opened - empty) * 1024.0 / book().textBytes;
    state.counters["qt_bytes_per_text_byte"] = (qt - empty) * 1024.0 / book().textBytes;
}
BENCHMARK(BM_OpenPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);
} // namespace

int main(int argc, char** argv)
{
    if (argc >= 4 && qstrcmp(argv[1], "--child") == 0) {
        return runChild(argc, argv);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
