#include "formats/rtf/RtfSourceBook.h"

#include <QBuffer>
#include <QImage>
#include <QString>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

namespace Rtf {

namespace {

constexpr char kOurPicture[] = "{\\pict{\\*\\quillmereimage ";

QByteArray escaped(const QString& text)
{
    QByteArray out;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out.append('\\').append(char(u));
        } else if (u >= 0x20 && u < 0x80) {
            out.append(char(u));
        } else {
            out.append("\\u").append(QByteArray::number(qint16(u))).append('?');
        }
    }
    return out;
}

// Characters of the document that no run of the source gives: paragraph ends and the
// boundaries of tables and their cells.
bool isStructural(QChar c)
{
    const char16_t u = c.unicode();
    return u == QChar::ParagraphSeparator || u == 0xFDD0 || u == 0xFDD1;
}

} // namespace

QByteArray pictureGroup(const QImage& image, const QString& name, double width, double height)
{
    if (image.isNull()) {
        return {};
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        return {};
    }
    const auto twips = [](double pixels) { return QByteArray::number(qRound(pixels * 15)); };
    QByteArray out = kOurPicture;
    out += escaped(name);
    out += "}\\pngblip\\picw" + QByteArray::number(image.width());
    out += "\\pich" + QByteArray::number(image.height());
    out += "\\picwgoal" + twips(width > 0 ? width : image.width());
    out += "\\pichgoal" + twips(height > 0 ? height : image.height());
    out += '\n';
    const QByteArray hex = png.toHex();
    for (qsizetype i = 0; i < hex.size(); i += 128) {
        out.append(hex.constData() + i, std::min<qsizetype>(128, hex.size() - i));
        out.append('\n');
    }
    out += '}';
    return out;
}

RtfSourceBook::RtfSourceBook(QByteArray bytes, RtfSourceMap map)
    : m_bytes(std::move(bytes)), m_map(std::move(map))
{
}

size_t RtfSourceBook::spanAt(int docPos) const
{
    const auto& spans = m_map.spans();
    // The first span that ends after docPos.
    const auto it = std::upper_bound(spans.begin(), spans.end(), docPos,
                                     [](int pos, const SourceSpan& s) { return pos < s.docEnd(); });
    return size_t(it - spans.begin());
}

bool RtfSourceBook::splitAt(int docPos)
{
    auto& spans = m_map.spans();
    const size_t i = spanAt(docPos);
    if (i >= spans.size() || spans[i].docPos >= docPos) {
        return true; // already a span boundary, or between spans
    }
    SourceSpan& span = spans[i];
    const int stride = span.stride();
    if (stride == 0) {
        return false;
    }
    const int head = docPos - span.docPos;
    SourceSpan tail = span;
    tail.docPos = docPos;
    tail.docLen = span.docLen - head;
    tail.byteBegin = span.byteBegin + head * stride;
    span.docLen = head;
    span.byteEnd = tail.byteBegin;
    spans.insert(spans.begin() + qsizetype(i) + 1, tail);
    return true;
}

int RtfSourceBook::colorIndex(const QColor& color, std::vector<Insertion>& insertions)
{
    const QColor wanted = color.toRgb();
    for (qsizetype i = 0; i < m_map.colors.size(); ++i) {
        const QColor& c = m_map.colors[i];
        if (c.isValid() && c.rgb() == wanted.rgb()) {
            return int(i);
        }
    }
    const QByteArray entry = "\\red" + QByteArray::number(wanted.red()) + "\\green" +
                             QByteArray::number(wanted.green()) + "\\blue" +
                             QByteArray::number(wanted.blue()) + ';';
    if (m_map.colorTableClose >= 0) {
        insertions.push_back({m_map.colorTableClose, 0, entry});
    } else if (m_map.tableInsertion >= 0) {
        // Entry 0 stays the automatic colour, as word processors write it.
        insertions.push_back({m_map.tableInsertion, 0, "{\\colortbl;" + entry + '}'});
        m_newTableAt = m_map.tableInsertion;
        m_map.colors.append(QColor());
    } else {
        return -1;
    }
    m_map.colors.append(wanted);
    return int(m_map.colors.size() - 1);
}

bool RtfSourceBook::setColor(const QTextDocument& document, int start, int end, const QColor& color)
{
    return wrap(document, start, end, &color, QByteArray());
}

bool RtfSourceBook::setUnderline(const QTextDocument& document, int start, int end, bool on)
{
    return wrap(document, start, end, nullptr, on ? "{\\ul " : "{\\ulnone ");
}

bool RtfSourceBook::wrap(const QTextDocument& document, int start, int end, const QColor* color,
                         const QByteArray& controls)
{
    if (start >= end) {
        return true;
    }
    if (!splitAt(start) || !splitAt(end)) {
        return false;
    }
    const auto& spans = m_map.spans();
    const size_t first = spanAt(start);
    size_t last = first;
    // Every character of the range must come from a span, or be a boundary that has none.
    int position = start;
    for (; last < spans.size() && spans[last].docPos < end; ++last) {
        for (; position < spans[last].docPos; ++position) {
            if (!isStructural(document.characterAt(position))) {
                return false;
            }
        }
        position = spans[last].docEnd();
    }
    for (; position < end; ++position) {
        if (!isStructural(document.characterAt(position))) {
            return false;
        }
    }

    std::vector<Insertion> insertions;
    QByteArray opening = controls;
    if (color) {
        const int index = colorIndex(*color, insertions);
        if (index < 0) {
            return false;
        }
        opening = "{\\cf" + QByteArray::number(index) + ' ';
    }
    // One group around each stretch of runs that touch in the source; paragraph ends and
    // pictures stay outside, so no group ever holds a paragraph's own controls.
    size_t i = first;
    while (i < last) {
        if (spans[i].kind == SourceSpan::Break || spans[i].kind == SourceSpan::Picture) {
            ++i;
            continue;
        }
        size_t j = i;
        while (j + 1 < last && spans[j + 1].byteBegin == spans[j].byteEnd &&
               spans[j + 1].kind != SourceSpan::Break && spans[j + 1].kind != SourceSpan::Picture) {
            ++j;
        }
        insertions.push_back({spans[i].byteBegin, 2, opening});
        insertions.push_back({spans[j].byteEnd, 0, QByteArray("}")});
        i = j + 1;
    }
    splice(insertions);
    return true;
}

bool RtfSourceBook::insertPicture(int offset, const QString& name, const QImage& image)
{
    const QByteArray group = pictureGroup(image, name);
    if (group.isEmpty() || !splitAt(offset)) {
        return false;
    }
    auto& spans = m_map.spans();
    size_t index = spanAt(offset);
    int byte = -1;
    if (index < spans.size() && spans[index].docPos == offset) {
        byte = spans[index].byteBegin; // before the character now at offset
    } else if (index > 0 && spans[index - 1].docEnd() == offset) {
        byte = spans[index - 1].byteEnd; // after the character before it
    }
    if (byte < 0) {
        return false;
    }
    std::vector<Insertion> insertions{{byte, 1, group}};
    splice(insertions);
    for (size_t k = index; k < spans.size(); ++k) {
        ++spans[k].docPos;
    }
    spans.insert(spans.begin() + qsizetype(index),
                 SourceSpan{offset, 1, byte, byte + int(group.size()), SourceSpan::Picture});
    return true;
}

bool RtfSourceBook::removePicture(int offset)
{
    auto& spans = m_map.spans();
    const size_t index = spanAt(offset);
    if (index >= spans.size() || spans[index].docPos != offset ||
        spans[index].kind != SourceSpan::Picture ||
        !QByteArrayView(m_bytes).sliced(spans[index].byteBegin).startsWith(kOurPicture)) {
        return false;
    }
    const int begin = spans[index].byteBegin;
    const int length = spans[index].byteEnd - begin;
    m_bytes.remove(begin, length);
    spans.erase(spans.begin() + qsizetype(index));
    for (size_t k = index; k < spans.size(); ++k) {
        --spans[k].docPos;
        spans[k].byteBegin -= length;
        spans[k].byteEnd -= length;
    }
    for (int* byte : {&m_map.colorTableClose, &m_map.tableInsertion}) {
        if (*byte > begin) {
            *byte -= length;
        }
    }
    return true;
}

void RtfSourceBook::splice(std::vector<Insertion>& insertions)
{
    std::stable_sort(insertions.begin(), insertions.end(), [](const auto& a, const auto& b) {
        return a.position != b.position ? a.position < b.position : a.order < b.order;
    });
    QByteArray out;
    qsizetype added = 0;
    for (const Insertion& insertion : insertions) {
        added += insertion.text.size();
    }
    out.reserve(m_bytes.size() + added);
    std::vector<int> positions;
    std::vector<int> before; // bytes inserted before each insertion
    int copied = 0;
    int total = 0;
    for (const Insertion& insertion : insertions) {
        out.append(m_bytes.constData() + copied, insertion.position - copied);
        copied = insertion.position;
        positions.push_back(insertion.position);
        before.push_back(total);
        out.append(insertion.text);
        total += int(insertion.text.size());
    }
    out.append(m_bytes.constData() + copied, m_bytes.size() - copied);

    // A byte moves by what was inserted at or before it; the end of a run by what was
    // inserted before its end.
    const auto shiftAt = [&](int byte) {
        const auto it = std::upper_bound(positions.begin(), positions.end(), byte);
        const size_t n = size_t(it - positions.begin());
        return n == 0 ? 0 : before[n - 1] + int(insertions[n - 1].text.size());
    };
    const auto shiftBefore = [&](int byte) {
        const auto it = std::lower_bound(positions.begin(), positions.end(), byte);
        const size_t n = size_t(it - positions.begin());
        return n == 0 ? 0 : before[n - 1] + int(insertions[n - 1].text.size());
    };
    for (SourceSpan& span : m_map.spans()) {
        const int begin = span.byteBegin;
        const int end = span.byteEnd;
        span.byteBegin = begin + shiftAt(begin);
        span.byteEnd = end + shiftBefore(end);
    }
    if (m_newTableAt >= 0) {
        // The table added holds the new colour; its closing brace is its last byte.
        const int start = m_newTableAt + shiftBefore(m_newTableAt);
        m_map.colorTableClose = int(out.indexOf('}', start));
        m_map.tableInsertion = -1;
        m_newTableAt = -1;
    } else if (m_map.colorTableClose >= 0) {
        m_map.colorTableClose += shiftAt(m_map.colorTableClose);
    }
    if (m_map.tableInsertion >= 0) {
        m_map.tableInsertion += shiftBefore(m_map.tableInsertion);
    }
    m_bytes = std::move(out);
}

} // namespace Rtf
