#include "formats/rtf/RtfWriter.h"

#include "formats/rtf/RtfWriterEngine.h"

#include <QTextDocument>

#include <algorithm>

QByteArray Rtf::write(const QTextDocument* document)
{
    // The document's last paragraph mark is implied by RTF's own final paragraph.
    return RtfWriterEngine(document, 0, std::max(0, document->characterCount() - 1)).write();
}

QByteArray Rtf::writeRange(const QTextDocument* document, int start, int end)
{
    const int last = std::max(0, document->characterCount() - 1);
    start = std::clamp(start, 0, last);
    end = std::clamp(end, start, last);
    return RtfWriterEngine(document, start, end).write();
}
