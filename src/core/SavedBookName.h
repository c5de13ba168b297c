#pragma once

#include <QString>

// The name a book downloaded into the library is saved under. The library shows a book by the
// end of its name, so the name must say what the file is: the content type the server sent
// decides where it names a kind of book, and the name the link gave is kept where it already
// says that kind.
namespace SavedBookName {
// The extension (without the dot) for a content type the library has a view for; empty for
// any other type. Parameters such as "; charset=utf-8" are ignored.
QString extensionFor(const QString& contentType);
// name, with the extension for contentType added where name does not already say that kind
// of book. An unknown type keeps the name; so does plain text where the name has an extension
// (servers send many books as text), and a plain-text name without one gets ".txt".
QString fitted(const QString& name, const QString& contentType);
} // namespace SavedBookName
