#pragma once

#include <QByteArray>
#include <QString>

// Adds a file from elsewhere (a file manager's "Open with", the command line) to the library.
namespace LibraryImport {
// Copies the file into the books folder and gives the book's name there. The copy never
// replaces a book: a taken name gets " (2)", " (3)", ... before its extension, by the library's
// free-name rule. A file that is already a book of the library, or whose copy under the same
// name is already there with the same content, is not copied again. Returns false with an
// error text when the file cannot be read or the copy cannot be written; nothing is left behind
// then.
bool add(const QString& booksFolder, const QString& path, QString* bookName, QString* error);
// The same for a path given by its bytes, as the file system spells it: a name that is not
// UTF-8 reaches its file, and the book keeps that name's bytes (bookName).
bool add(const QString& booksFolder, const QByteArray& path, QByteArray* bookName, QString* error);
} // namespace LibraryImport
