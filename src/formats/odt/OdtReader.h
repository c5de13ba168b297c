#pragma once

#include <QString>

namespace Books {
class BookPackage;
}

// OpenDocument texts (.odt, and the flat .fodt), read only: the document is never written
// back.
namespace Odt {

// Reads the document at path: its paragraphs and headings (which give the contents; an
// outline level 1 heading starts a chapter), the look of its styles and spans (bold, italic,
// underline, struck and raised text, colours), lists, tables with merged cells, links,
// bookmarks, pictures, page breaks, and its footnotes and endnotes (gathered in a chapter of
// notes at the end, each shown as its reference's pop-up). False with a readable error when
// it cannot be read as a text document.
bool read(const QString& path, Books::BookPackage* book, QString* error = nullptr);

} // namespace Odt
