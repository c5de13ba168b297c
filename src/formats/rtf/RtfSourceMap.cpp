#include "formats/rtf/RtfSourceMap.h"

#include <algorithm>
#include <limits>

namespace Rtf {

namespace {
bool isLineEnd(char c)
{
    return c == '\r' || c == '\n' || c == '\0';
}
} // namespace

qsizetype markOpening(QByteArrayView data, qsizetype at, int* color, int* underline)
{
    const QByteArrayView rest = data.sliced(std::min(at, data.size()));
    int colorIndex = -1;
    int line = -1;
    qsizetype length = 0;
    if (rest.startsWith("{\\ul ")) {
        line = 1;
        length = 5;
    } else if (rest.startsWith("{\\ulnone ")) {
        line = 0;
        length = 9;
    } else if (rest.startsWith("{\\cf")) {
        // At most four digits: colour tables hold no more entries than that.
        qsizetype i = 4;
        int value = 0;
        while (i < rest.size() && i < 8 && rest[i] >= '0' && rest[i] <= '9') {
            value = value * 10 + (rest[i] - '0');
            ++i;
        }
        if (i == 4 || i >= rest.size() || rest[i] != ' ') {
            return 0;
        }
        colorIndex = value;
        length = i + 1;
    } else {
        return 0;
    }
    if (color) {
        *color = colorIndex;
    }
    if (underline) {
        *underline = line;
    }
    return length;
}

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

void RtfSourceMap::insertPlaces(const std::vector<int>& positions)
{
    size_t passed = 0;
    for (SourceSpan& span : m_spans) {
        while (passed < positions.size() && positions[passed] < span.docPos) {
            ++passed;
        }
        span.docPos += int(passed);
    }
}

bool RtfSourceMap::extendLastPicture(QByteArrayView data, qsizetype begin, qsizetype end)
{
    if (!m_mappable || m_spans.empty() || m_spans.back().kind != SourceSpan::Picture ||
        end > std::numeric_limits<int>::max() || begin < m_spans.back().byteEnd) {
        return false;
    }
    for (qsizetype i = m_spans.back().byteEnd; i < begin; ++i) {
        if (!isLineEnd(data[i])) {
            return false;
        }
    }
    m_spans.back().byteEnd = int(end);
    return true;
}

bool RtfSourceMap::widenLastPicture(QByteArrayView data, qsizetype begin, qsizetype groupBegin,
                                    qsizetype end)
{
    if (!m_mappable || m_spans.empty() || end > std::numeric_limits<int>::max()) {
        return false;
    }
    SourceSpan& picture = m_spans.back();
    if (picture.kind != SourceSpan::Picture || picture.byteBegin < groupBegin ||
        (m_spans.size() > 1 && m_spans[m_spans.size() - 2].byteEnd > begin)) {
        return false;
    }
    for (qsizetype i = picture.byteEnd; i < end - 1; ++i) {
        if (!isLineEnd(data[i])) {
            return false;
        }
    }
    picture.byteBegin = int(begin);
    picture.byteEnd = int(end);
    return true;
}

void RtfSourceMap::addMarkGroup(QByteArrayView data, qsizetype begin, qsizetype contentBegin,
                                qsizetype end, size_t firstChild, const BaseStyle& base)
{
    if (!m_mappable || end > std::numeric_limits<int>::max() || firstChild > m_marks.size()) {
        return;
    }
    const qsizetype close = end - 1; // the closing brace
    const auto spanFrom = [this](qsizetype byte) {
        return size_t(
            std::lower_bound(m_spans.begin(), m_spans.end(), byte,
                             [](const SourceSpan& s, qsizetype b) { return s.byteBegin < b; }) -
            m_spans.begin());
    };
    // Every byte inside must belong to a run, a listed child or a line end.
    qsizetype pos = contentBegin;
    size_t span = spanFrom(pos);
    size_t child = firstChild;
    int pieces = 0;
    while (pos < close) {
        if (isLineEnd(data[pos])) {
            ++pos;
        } else if (span < m_spans.size() && m_spans[span].byteBegin == pos) {
            if (m_spans[span].kind == SourceSpan::Break) {
                return; // a paragraph's own controls are never inside a mark
            }
            pos = m_spans[span++].byteEnd;
            ++pieces;
        } else if (child < m_marks.size() && m_marks[child].begin == pos) {
            pos = m_marks[child++].end;
            span = spanFrom(pos);
            ++pieces;
        } else {
            return;
        }
    }
    if (pos != close || child != m_marks.size() || pieces == 0) {
        return;
    }
    m_marks.resize(firstChild);
    m_marks.push_back(MarkGroup{int(begin), int(end), base});
}

} // namespace Rtf
