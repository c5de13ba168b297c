// libFuzzer target for the RTF reader: any input must load or be refused, never crash, hang
// or leak. Writing the result back exercises the writer on whatever the reader built.
// Run: fuzz_rtf_reader WORKDIR fuzz/corpus tests/data/rtf -max_total_time=600 -rss_limit_mb=2048
// -timeout=10 (the first folder collects new inputs; the others are the seeds).
// Nothing is kept between inputs but the application object and the code page tables (one per
// known page, bounded): a loop over the seeds and 400 unlike inputs, 300 times, keeps the same
// resident size. The growth of a long run is libFuzzer's corpus in memory and AddressSanitizer's
// quarantine (256 MB unless ASAN_OPTIONS=quarantine_size_mb=N says otherwise).
#include "formats/rtf/PlainTextDecoder.h"
#include "formats/rtf/RtfReader.h"
#include "formats/rtf/RtfWriter.h"

#include <QGuiApplication>
#include <QTextDocument>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 3;
    static char arg0[] = "fuzz_rtf_reader";
    static char arg1[] = "-platform";
    static char arg2[] = "offscreen";
    static char* argv[] = {arg0, arg1, arg2, nullptr};
    static QGuiApplication app(argc, argv);

    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QTextDocument document;
    if (Rtf::read(bytes, &document)) {
        const QByteArray again = Rtf::write(&document);
        QTextDocument copy;
        Rtf::read(again, &copy);
    }
    PlainText::decode(bytes);
    return 0;
}
