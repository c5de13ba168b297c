#include "formats/rtf/RtfSourceMap.h"

#include <limits>

namespace Rtf {

void RtfSourceMap::add(int docPos, int docLen, qsizetype byteBegin, qsizetype byteEnd,
                       SourceSpan::Kind kind)
{
    if (!m_mappable || docLen <= 0) {
        return;
    }
    if (byteEnd > std::numeric_limits<int>::max() || byteBegin >= byteEnd) {
        m_mappable = false;
        return;
    }
    // A run that is not one character per byte (or per \'hh) can only be taken whole.
    if ((kind == SourceSpan::Text && byteEnd - byteBegin != docLen) ||
        (kind == SourceSpan::Hex && byteEnd - byteBegin != qsizetype(docLen) * 4)) {
        kind = SourceSpan::Atom;
    }
    if (!m_spans.empty()) {
        SourceSpan& last = m_spans.back();
        if (docPos < last.docEnd() || byteBegin < last.byteEnd) {
            m_mappable = false; // the document and the source no longer run in step
            return;
        }
        const bool splittable = kind == SourceSpan::Text || kind == SourceSpan::Hex;
        if (splittable && last.kind == kind && last.docEnd() == docPos &&
            last.byteEnd == byteBegin) {
            last.docLen += docLen;
            last.byteEnd = int(byteEnd);
            return;
        }
    }
    m_spans.push_back(SourceSpan{docPos, docLen, int(byteBegin), int(byteEnd), kind});
}

void RtfSourceMap::extendLast(qsizetype byteEnd)
{
    if (!m_spans.empty() && m_spans.back().kind == SourceSpan::Atom &&
        byteEnd > m_spans.back().byteEnd && byteEnd <= std::numeric_limits<int>::max()) {
        m_spans.back().byteEnd = int(byteEnd);
    }
}

} // namespace Rtf
