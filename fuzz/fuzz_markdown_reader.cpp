// libFuzzer target for Markdown notes: any input must be read or refused with a
// message, never crash, hang or leak, and every chapter of what is read must be XHTML the
// chapter converter reads to its end, and convert and lay out (FuzzPackage.h).
// Run: scripts/fuzz, or fuzz_markdown_reader WORKDIR fuzz/corpus-markdown -max_total_time=600
// An input is the file's bytes, or a zip written out as text (FuzzInput.h).
#include "FuzzPackage.h"
#include "formats/markdown/MarkdownReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return FuzzPackage::runReader("fuzz_markdown_reader", data, size, QStringLiteral("notes.md"),
                                  Markdown::read);
}
