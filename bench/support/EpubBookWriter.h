#pragma once

#include <QString>
#include <QStringList>

// Writes an EPUB book for the benchmarks: one chapter per body given, in spine order, each named
// in the navigation document as "Chapter N"; css, when given, is the style sheet every chapter
// links.
namespace EpubBookWriter {

bool write(const QString& path, const QStringList& chapterBodies, const QString& css = {});

} // namespace EpubBookWriter
