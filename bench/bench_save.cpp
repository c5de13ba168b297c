// Writing a book back: the shared atomic writer (unbuffered writes, a sync before the rename)
// against a buffered QSaveFile of the same bytes in the same run (BM_BufferedSaveFile), for a
// small book and for the King James Bible. The buffered save of a small file syncs before its
// buffer is written, so it never waits for the device: the difference there is the price of a
// file known to be on the disk.
#include "formats/AtomicFile.h"
#include "support/KjvBook.h"

#include <QCoreApplication>
#include <QSaveFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

QByteArray& kjv()
{
    static QByteArray bytes;
    return bytes;
}

QByteArray bookOfSize(qint64 size)
{
    return size > 0 ? kjv().left(size) : kjv();
}

QString target()
{
    static QTemporaryDir dir;
    return dir.filePath(QStringLiteral("book.rtf"));
}

// The argument is the size in bytes; 0 is the whole Bible.
void BM_BufferedSaveFile(benchmark::State& state)
{
    const QByteArray bytes = bookOfSize(state.range(0));
    for (auto _ : state) {
        QSaveFile file(target());
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        benchmark::DoNotOptimize(file.commit());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void BM_WriteFileAtomically(benchmark::State& state)
{
    const QByteArray bytes = bookOfSize(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(writeFileAtomically(target(), bytes));
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

BENCHMARK(BM_BufferedSaveFile)->Arg(3000)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WriteFileAtomically)->Arg(3000)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    const QString path = KjvBook::path();
    if (path.isEmpty()) {
        return 1;
    }
    kjv() = KjvBook::readAll(path);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
