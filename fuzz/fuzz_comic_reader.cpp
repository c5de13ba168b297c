// libFuzzer target for comic archives (CBZ): any input must be read or refused with a
// message, never crash, hang or leak; every page of what is read must show as a chapter and
// decode at a small size, or be refused, without decoding a picture past the limits.
// Run: scripts/fuzz, or fuzz_comic_reader WORKDIR fuzz/corpus-comic -max_total_time=600
// An input is the file's bytes, or a zip written out as text (FuzzInput.h).
#include "FuzzPackage.h"
#include "formats/comic/ComicReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return FuzzPackage::runReader("fuzz_comic_reader", data, size, QStringLiteral("comic.cbz"),
                                  Comic::read, [](const Books::BookPackage& book) {
                                      Comic::PageCache cache(book, 1);
                                      cache.setArea(QSize(160, 240), Comic::Fit::Width);
                                      cache.fillAround(1);
                                      cache.page(int(book.pagePictures.size()) - 1);
                                  });
}
