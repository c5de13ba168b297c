// The RTF codec and plain-text decoding on the King James Bible, each against
// QTextDocument::setPlainText of the same text in the same run (BM_SetPlainText).
#include "platform/rtf/PlainTextDecoder.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"
#include "support/KjvBook.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <benchmark/benchmark.h>

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

void readRtf(benchmark::State& state, const QByteArray& rtf)
{
    if (rtf.isEmpty()) {
        state.SkipWithError("no RTF of the book (LibreOffice missing?)");
        return;
    }
    for (auto _ : state) {
        QTextDocument document;
        Rtf::read(rtf, &document);
        benchmark::DoNotOptimize(document.characterCount());
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
}

void BM_ReadOwnRtf(benchmark::State& state)
{
    readRtf(state, book().ownRtf);
}

void BM_ReadLibreOfficeRtf(benchmark::State& state)
{
    readRtf(state, book().libreOfficeRtf);
}

BENCHMARK(BM_SetPlainText)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_DecodeAndSetPlainText)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WriteRtf)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadOwnRtf)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadLibreOfficeRtf)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
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
