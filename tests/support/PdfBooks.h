#pragma once

#include <QString>
#include <QStringList>

// Writes real PDF books for tests: one page per entry of pages, each line of an entry drawn
// as text on its page, one below the other.
namespace PdfBooks {
bool write(const QString& path, const QStringList& pages);
} // namespace PdfBooks
