#pragma once

#include <QString>

namespace Books {
class BookPackage;
}

// Writes a book package as an EPUB file (its chapters the spine, its contents the navigation
// document, every other entry beside them), so tests and benchmarks read what a format reader
// made through the EPUB reader's own book and chapter conversion, as the reading view will.
namespace PackageEpub {

bool write(const Books::BookPackage& package, const QString& path);

} // namespace PackageEpub
