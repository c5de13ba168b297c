// libFuzzer target for FB2 books, and FB2 in a zip (as parts): any input must be read or refused
// with a message, never crash, hang or leak, and every chapter of what is read must be XHTML the
// chapter converter reads to its end, and convert and lay out (FuzzPackage.h).
// Run: scripts/fuzz, or fuzz_fb2_reader WORKDIR fuzz/corpus-fb2 -max_total_time=600
// An input is the file's bytes, or a zip written out as text (FuzzInput.h).
#include "FuzzPackage.h"
#include "formats/fb2/Fb2Reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return FuzzPackage::runReader("fuzz_fb2_reader", data, size, QStringLiteral("book.fb2"),
                                  Fb2::read);
}
