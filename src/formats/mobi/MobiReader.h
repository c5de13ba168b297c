#pragma once

#include <QString>

namespace Books {
class BookPackage;
}

// Kindle books: MOBI (the old Mobipocket format, KF7), AZW3 (KF8), and files holding both,
// unpacked by libmobi.
namespace Mobi {

// Reads the book at path: its HTML parts (the old format's one long part is split at its page
// breaks and headings), style sheets, pictures and its NCX contents. A book protected against
// copying (DRM) is refused with a message that says so. False with a readable error when the
// book cannot be read.
bool read(const QString& path, Books::BookPackage* book, QString* error = nullptr);

} // namespace Mobi
