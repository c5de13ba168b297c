#pragma once

#include <QString>

namespace Books {
class BookPackage;
}

// Word documents (.docx), read only: the document is never written back.
namespace Docx {

// Reads the document at path: its paragraphs with their styles (headings give the contents
// and Heading 1 starts a chapter), bold, italic, underline, struck and raised text, colours
// and highlights, lists, tables with merged cells, links, bookmarks, pictures, page breaks,
// and its footnotes and endnotes (gathered in a chapter of notes at the end, each shown as
// its reference's pop-up). False with a readable error when it cannot be read as a document.
bool read(const QString& path, Books::BookPackage* book, QString* error = nullptr);

} // namespace Docx
