#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace Rtf {
class RtfSourceMap;

// Reads RTF into the document, replacing its content. Tolerant of what real word processors
// write and of damaged files: it recovers as much text as it can, in linear time and bounded
// memory. Returns false with an error text only when the data is not RTF at all.
// Pictures become image resources of the document; a picture written by us keeps its name.
// With a map, also records where every character came from in data (see RtfSourceMap).
bool read(const QByteArray& data, QTextDocument* document, QString* error = nullptr,
          RtfSourceMap* map = nullptr);
} // namespace Rtf
