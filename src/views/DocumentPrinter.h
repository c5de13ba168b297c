#pragma once

class QPrinter;
class QTextDocument;

namespace DocumentPrinter {
// Prints the characters from start (inclusive) to end (exclusive) of the document, with their
// formats and pictures, laid out in full for the printer's pages. False when there is no
// usable printer.
bool printRange(const QTextDocument* document, int start, int end, QPrinter* printer);
} // namespace DocumentPrinter
