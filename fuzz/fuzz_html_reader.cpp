// libFuzzer target for the HTML that Kindle books hold, read by our lenient HTML reader: any
// input must become chapters of XHTML the chapter converter reads to its end, never crash,
// hang or leak (FuzzPackage.h). Kindle books reach this reader only past libmobi's checks, so
// it is fuzzed on its own here.
// Run: scripts/fuzz, or fuzz_html_reader WORKDIR fuzz/corpus-html -max_total_time=600
#include "FuzzPackage.h"
#include "formats/package/ChapterBuilder.h"
#include "formats/package/HtmlReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return FuzzPackage::runReader(
        "fuzz_html_reader", data, size, QStringLiteral("part.html"),
        [](const QString& path, Books::BookPackage* book, QString* error) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                *error = QStringLiteral("unreadable");
                return false;
            }
            Books::ChapterBuilder builder(book);
            Books::HtmlReader reader(
                &builder, {[](const QString& id) { return QStringLiteral("part#") + id; },
                           [](const QString& href) {
                               return href.startsWith(QLatin1Char('#'))
                                          ? QStringLiteral("part") + href
                                          : QString();
                           },
                           [](const QString&) { return QString(); }});
            reader.read(QString::fromUtf8(file.readAll()));
            if (!builder.finish()) {
                *error = QStringLiteral("no text");
                return false;
            }
            return true;
        });
}
