// libFuzzer target for OpenDocument texts (ODT, and flat ODT when the input is not a zip): any
// input must be read or refused with a message, never crash, hang or leak, and every chapter of
// what is read must be XHTML the chapter converter reads to its end, and convert and lay out
// (FuzzPackage.h). Run: scripts/fuzz, or fuzz_odt_reader WORKDIR fuzz/corpus-odt
// -max_total_time=600 An input is the file's bytes, or a zip written out as text (FuzzInput.h).
#include "FuzzPackage.h"
#include "formats/odt/OdtReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return FuzzPackage::runReader("fuzz_odt_reader", data, size, QStringLiteral("document.odt"),
                                  Odt::read);
}
