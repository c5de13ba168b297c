#pragma once

#include <QString>

class QPrinter;
class QTextDocument;

namespace DocumentPrinter {
// Prints the characters from start (inclusive) to end (exclusive) of the document, with their
// formats and pictures, laid out in full for the printer's pages, each page numbered in its
// foot. Of a page range chosen in the print dialog only those pages are printed. False, with
// the reason, when there is no usable printer or the range holds none of the pages.
bool printRange(const QTextDocument* document, int start, int end, QPrinter* printer,
                QString* error = nullptr);
} // namespace DocumentPrinter
