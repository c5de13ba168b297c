// libFuzzer target for Word documents (DOCX): any input must be read or refused with a
// message, never crash, hang or leak, and every chapter of what is read must be XHTML the
// chapter converter reads to its end, and convert and lay out (FuzzPackage.h).
// Run: scripts/fuzz, or fuzz_docx_reader WORKDIR fuzz/corpus-docx -max_total_time=600
// An input is the file's bytes, or a zip written out as text (FuzzInput.h).
#include "FuzzPackage.h"
#include "formats/docx/DocxReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return FuzzPackage::runReader("fuzz_docx_reader", data, size, QStringLiteral("document.docx"),
                                  Docx::read);
}
