// libFuzzer target for the RTF reader: any input must load or be refused, never crash, hang
// or leak. Whatever the reader built, the writer writes it so that the reader reads it again with
// the same text: a book saved with a mark loses none of its words.
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

#include <cstdlib>

namespace {
// The words of a document without its structure: a table left open at the end of a damaged
// file is written closed, and its last row may read back with empty cells or paragraphs more.
// What is checked is that no character of the text is lost or changed.
QString wordsOf(const QTextDocument& document)
{
    QString text = document.toRawText();
    text.remove(QChar(0xFDD0)); // a table cell begins
    text.remove(QChar(0xFDD1)); // a table ends
    text.remove(QChar::ParagraphSeparator);
    return text;
}
} // namespace

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
        if (!Rtf::read(again, &copy) || wordsOf(copy) != wordsOf(document)) {
            std::abort();
        }
    }
    PlainText::decode(bytes);
    return 0;
}
