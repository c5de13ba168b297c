// libFuzzer target for catalog pages: any bytes must be read as a page or refused, never crash,
// hang or leak, and a page that is read must hold only web addresses.
// Run: fuzz_opds_feed WORKDIR fuzz/corpus-opds -max_total_time=600 -rss_limit_mb=2048 -timeout=10
// (the first folder collects new inputs; the others are the seeds). The same bytes are also
// read as an OpenSearch description and used as a search template.
#include "formats/opds/OpdsReader.h"

#include <cstdlib>

namespace {
void mustBeWeb(const QString& address)
{
    if (!address.isEmpty() && !address.startsWith(QLatin1String("http://")) &&
        !address.startsWith(QLatin1String("https://"))) {
        std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QUrl page(QStringLiteral("http://catalog.test/opds/page"));
    Opds::Feed feed;
    QString error;
    if (Opds::readFeed(bytes, page, &feed, &error)) {
        mustBeWeb(feed.nextHref);
        mustBeWeb(feed.startHref);
        for (const Opds::Entry& entry : feed.entries) {
            for (const Opds::Link& link : entry.links) {
                mustBeWeb(link.href);
            }
            entry.readableFiles();
            entry.subsection();
            entry.thumbnailHref();
        }
    }
    Opds::readSearchDescription(bytes, page, &error);
    Opds::searchAddress(QString::fromUtf8(bytes), QStringLiteral("red fox"));
    return 0;
}
