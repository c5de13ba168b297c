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
// of book. A plain-text or unknown type keeps a name that has an extension (servers send many
// books as text or as bare bytes); a name without any extension gets one all the same.
QString fitted(const QString& name, const QString& contentType);
} // namespace SavedBookName
