#pragma once

#include <QString>
#include <QStringList>

// Writes real PDF books for tests: one page per entry of pages, each line of an entry drawn
// as text on its page, one below the other.
namespace PdfBooks {
bool write(const QString& path, const QStringList& pages);
} // namespace PdfBooks

// Writes a PDF book of that many pages, each saying "Page N of the test book".
bool writePdf(const QString& path, int pages);
