#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

// Writes small EPUB books for tests that need a book made to measure (a picture of a given
// size, many chapters): a sound container and package around the chapters given.
namespace EpubFiles {

using Part = std::pair<QString, QByteArray>; // entry name under OEBPS/, bytes

// Each chapter is the body of one XHTML chapter, or a whole SVG document (a chapter that begins
// with "<svg" is a drawing of its own in the spine); extra parts (pictures) go in as they are.
// The package lists the chapters in order, with a navigation document naming each by title;
// metadata is added to the package's metadata as it is (a rendition:layout meta, say).
bool write(const QString& path, const QString& title, const QStringList& chapterBodies,
           const QList<Part>& extraParts = {}, const QString& metadata = {});

} // namespace EpubFiles
