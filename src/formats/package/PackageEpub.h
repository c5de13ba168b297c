#pragma once

#include <QJsonObject>
#include <QString>

namespace Books {

class BookPackage;

// Writes a book package as an EPUB file: its chapters the spine, its contents the navigation
// document, its pictures and style sheets beside them, and the package's own description
// (metadata, contents with their anchors, warnings, a comic's pages) in
// META-INF/quillmere.json, which EPUB readers pass over. The EPUB reader's book and chapter
// conversion then show the package as they show any EPUB. The file is written whole or not
// at all, and the same package always gives the same bytes.
namespace PackageEpub {

// The entry, inside the EPUB, that holds the package's own description.
QString descriptionEntry();

// Writes package to path; false with a readable error when it cannot be written or a part of
// the package cannot be read. extra is added to the description as it is.
bool write(const BookPackage& package, const QString& path, QString* error = nullptr,
           const QJsonObject& extra = {});

// The description of a package as write() stores it, and the package's fields read back from
// one (the chapters and entries themselves stay where they are).
QJsonObject describe(const BookPackage& package);
void readDescription(const QJsonObject& description, BookPackage* package);

} // namespace PackageEpub
} // namespace Books
