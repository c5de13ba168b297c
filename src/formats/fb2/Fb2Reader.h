#pragma once

#include <QByteArray>
#include <QString>

namespace Books {
class BookPackage;
}

// FictionBook 2 books (.fb2, and .fb2.zip: one FB2 file packed in a zip).
namespace Fb2 {

// Reads the book at path: its description (title, authors, language, cover), its bodies
// (sections and their titles as the contents, epigraphs, poems, quotes, tables, emphasis,
// pictures from its <binary> parts) and its notes body (links of type "note" become note
// links with the note's text as their pop-up). The encoding the file declares is used; a
// file whose bytes do not match it (no declaration, but Windows-1251 say) is decoded as plain
// text would be. A damaged file shows what was read before the damage. False with a readable
// error when nothing of it could be read.
bool read(const QString& path, Books::BookPackage* book, QString* error = nullptr);

// Reads FB2 from its bytes (the file's, or a zip entry's).
bool readBytes(const QByteArray& data, Books::BookPackage* book, QString* error = nullptr);

} // namespace Fb2
