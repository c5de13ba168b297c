#pragma once

#include <QString>
#include <functional>

class QFont;
class QPrinter;

namespace Epub {
class Book;
}

// Prints a whole EPUB book one chapter at a time: each chapter is converted, laid out for the
// printer's pages, drawn and let go before the next, so a long book never sits in memory whole.
// Each chapter starts on a new page, pages are numbered through the book, and pictures are
// fitted to the page width.
namespace EpubPrinter {

enum class Result
{
    Printed,
    Cancelled,
    Failed,
};

// progress(chapter, chapters) is called before each chapter is printed; returning false stops
// the printing (what was printed so far stays in the printer's output). font is the reader's
// text font. A chapter that cannot be read prints a line saying so, and the others print.
Result printBook(const Epub::Book& book, const QFont& font, QPrinter* printer,
                 const std::function<bool(int, int)>& progress = {}, QString* error = nullptr);

} // namespace EpubPrinter
