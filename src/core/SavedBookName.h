#pragma once

#include <QString>

// The name a book downloaded into the library is saved under. The library shows a book by the
// end of its name, so the name must say what the file is: the content type the server sent
// decides where it names a kind of book, and the name the link gave is kept where it already
// says that kind.
namespace SavedBookName {
// name, with the extension for contentType added where name does not already say that kind
// of book. An unknown type keeps the name; so does plain text where the name has an extension
// (servers send many books as text), and a plain-text name without one gets ".txt".
QString fitted(const QString& name, const QString& contentType);
} // namespace SavedBookName
