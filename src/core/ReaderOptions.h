#pragma once

#include "formats/OptionsFile.h"

struct ReaderState;

// The options file as the reader's state sees it: the font size and the PDF reader flag.
namespace ReaderOptions {
// Takes the size and the flag of the record into the state; missing fields change nothing.
void apply(const OptionsFile::Record& record, ReaderState& state);
// Start-up read: FontSize and PdfReaderFlag from the file; missing fields keep their values.
void ReadOptions(ReaderState& state);
// Options dialog: writes FontSize and PdfReaderFlag as they stand.
bool WriteOptions(const ReaderState& state, QString* error = nullptr);
// PDF reader notice: records "yes" as the third field and in PdfReaderFlag. The flag is only
// changed once the file has been written.
bool ConfirmPdfReader(ReaderState& state, QString* error = nullptr);
} // namespace ReaderOptions
