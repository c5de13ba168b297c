// libFuzzer target for MOBI and AZW3 books (libmobi's parsing and ours): any input must be read or
// refused with a message, never crash, hang or leak, and every chapter of what is read must be
// XHTML the chapter converter reads to its end, and convert and lay out (FuzzPackage.h). Run:
// scripts/fuzz, or fuzz_mobi_reader WORKDIR fuzz/corpus-mobi -max_total_time=600 An input is the
// file's bytes, or a zip written out as text (FuzzInput.h).
#include "FuzzPackage.h"
#include "formats/mobi/MobiReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return FuzzPackage::runReader("fuzz_mobi_reader", data, size, QStringLiteral("book.azw3"),
                                  Mobi::read);
}
