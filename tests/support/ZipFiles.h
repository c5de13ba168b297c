#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>

// Writes zips for tests: sound ones around parts given, and hostile ones (entries that unpack
// to far more than the file, names that climb out of the archive).
namespace ZipFiles {

using Part = std::pair<QString, QByteArray>; // entry name as stored, bytes

// Writes the parts in order, deflated (or stored); false when the zip cannot be written.
bool write(const QString& path, const QList<Part>& parts, bool compress = true);

// The parts of a zip, in the order they are stored (empty when it cannot be read).
QList<Part> read(const QString& path);

} // namespace ZipFiles
