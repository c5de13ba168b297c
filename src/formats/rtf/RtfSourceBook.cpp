#include "formats/rtf/RtfSourceBook.h"

#include "formats/rtf/HexDigit.h"
#include "formats/rtf/RtfTextProperties.h"

#include <QBuffer>
#include <QImage>
#include <QString>
#include <QTextBlock>
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

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n' || c == '\0';
}

bool onlyLineEnds(QByteArrayView bytes, int from, int to)
{
    if (from > to) {
        return false;
    }
    for (int i = from; i < to; ++i) {
        if (!isLineEnd(bytes[i])) {
            return false;
        }
    }
    return true;
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// True when the bytes end in a control word without its delimiter ("\emdash", "\cf4").
bool endsInControlWord(QByteArrayView bytes)
{
    qsizetype i = bytes.size();
    const qsizetype digitsEnd = i;
    while (i > 0 && isDigit(bytes[i - 1])) {
        --i;
    }
    if (i < digitsEnd && i > 0 && bytes[i - 1] == '-') {
        --i;
    }
    const qsizetype lettersEnd = i;
    while (i > 0 && isLetter(bytes[i - 1])) {
        --i;
    }
    if (i == lettersEnd || i == 0 || bytes[i - 1] != '\\') {
        return false;
    }
    // After an even run of backslashes (escaped ones) the letters are text.
    qsizetype slashes = 0;
    for (qsizetype j = i - 1; j >= 0 && bytes[j] == '\\'; --j) {
        ++slashes;
    }
    return slashes % 2 == 1;
}

// A byte that a control word just before it would take as part of it, or as its delimiter.
bool continuesControlWord(char c)
{
    return isLetter(c) || isDigit(c) || c == ' ' || c == '-';
}

// True when the bytes end in a \' escape with fewer than two hex digits, which would take
// the hex digits that follow.
bool endsInShortHex(QByteArrayView bytes)
{
    qsizetype i = bytes.size();
    if (i > 0 && hexValue(bytes[i - 1]) >= 0) {
        --i;
    }
    if (i < 2 || bytes[i - 1] != '\'' || bytes[i - 2] != '\\') {
        return false;
    }
    qsizetype slashes = 0;
    for (qsizetype j = i - 2; j >= 0 && bytes[j] == '\\'; --j) {
        ++slashes;
    }
    return slashes % 2 == 1;
}

// Whether a group boundary must stay between the bytes before and the byte next: after a
// control word, which would take what follows as part of it (the bytes may look like one and be
// a picture's binary data, so no space is put in), after a \' escape cut short, and after a
// \uN whose fallback the boundary cut short (openFallback), which would take what follows as
// the rest of it.
bool needsBoundary(QByteArrayView before, bool openFallback, char next)
{
    if (next == '{' || next == '}') {
        return false;
    }
    return openFallback || (continuesControlWord(next) && endsInControlWord(before)) ||
           (hexValue(next) >= 0 && endsInShortHex(before));
}

bool sameColor(const BaseStyle& base, const QColor& color)
{
    // Text without a colour of its own shows black: erasing it to black changes nothing.
    const QRgb wanted = color.rgb() & 0xFFFFFF;
    return base.automaticColor ? wanted == 0 : (base.color & 0xFFFFFF) == wanted;
}

bool hasText(const std::vector<SourceSpan>& spans, size_t from, size_t to)
{
    for (size_t k = from; k < to; ++k) {
        if (spans[k].kind != SourceSpan::Picture && spans[k].kind != SourceSpan::Break) {
            return true;
        }
    }
    return false;
}

// The colour and underlining the document gives the character at position.
BaseStyle documentStyle(const QTextDocument& document, int position)
{
    QTextCharFormat format;
    const QTextBlock block = document.findBlock(position);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.position() <= position && position < fragment.position() + fragment.length()) {
            format = fragment.charFormat();
            break;
        }
    }
    BaseStyle style;
    if (format.hasProperty(QTextFormat::ForegroundBrush) &&
        format.foreground().style() != Qt::NoBrush) {
        style.automaticColor = false;
        style.color = format.foreground().color().rgb();
    }
    if (format.fontUnderline() && !format.hasProperty(DoubleUnderlineProperty)) {
        style.underline = 1;
    } else if (format.fontUnderline() || format.underlineStyle() != QTextCharFormat::NoUnderline) {
        style.underline = 2;
    }
    return style;
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
    return restyle(document, start, end, &color, -1);
}

bool RtfSourceBook::setUnderline(const QTextDocument& document, int start, int end, bool on)
{
    return restyle(document, start, end, nullptr, on ? 1 : 0);
}

size_t RtfSourceBook::spanFromByte(int byte) const
{
    const auto& spans = m_map.spans();
    return size_t(std::lower_bound(spans.begin(), spans.end(), byte,
                                   [](const SourceSpan& s, int b) { return s.byteBegin < b; }) -
                  spans.begin());
}

int RtfSourceBook::markAt(int byte) const
{
    const auto& marks = m_map.marks();
    const auto it = std::upper_bound(marks.begin(), marks.end(), byte,
                                     [](int b, const MarkGroup& g) { return b < g.begin; });
    if (it == marks.begin() || std::prev(it)->end <= byte) {
        return -1;
    }
    return int(std::prev(it) - marks.begin());
}

bool RtfSourceBook::restyle(const QTextDocument& document, int start, int end, const QColor* color,
                            int underline)
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
    if (first == last) {
        return true;
    }
    const std::vector<Stretch> parts = stretches(document, first, last);

    // A colour table entry only when some run does not have that colour already.
    int index = -1;
    if (color) {
        const bool needed = std::any_of(parts.begin(), parts.end(), [&](const Stretch& part) {
            return !sameColor(part.base, *color) &&
                   hasText(spans, std::max(first, part.first), std::min(last, part.last));
        });
        if (needed) {
            std::vector<Insertion> insertions;
            index = colorIndex(*color, insertions);
            if (index < 0) {
                return false;
            }
            splice(insertions);
        }
    }
    std::vector<Rewrite> rewrites;
    for (const Stretch& part : parts) {
        Rewrite rewritten;
        if (!rewrite(part, first, last, color, index, underline, &rewritten)) {
            return false;
        }
        const QByteArrayView old =
            QByteArrayView(m_bytes).sliced(rewritten.begin, rewritten.end - rewritten.begin);
        if (rewritten.text != old) {
            rewrites.push_back(std::move(rewritten));
        }
    }
    apply(rewrites);
    return true;
}

std::vector<RtfSourceBook::Stretch> RtfSourceBook::stretches(const QTextDocument& document,
                                                             size_t first, size_t last) const
{
    const auto& spans = m_map.spans();
    const auto& marks = m_map.marks();
    // The runs of the range, and the other runs of the mark groups that hold any of them.
    size_t from = first;
    size_t to = last;
    if (const int mark = markAt(spans[first].byteBegin); mark >= 0) {
        from = spanFromByte(marks[size_t(mark)].begin);
    }
    if (const int mark = markAt(spans[last - 1].byteBegin); mark >= 0) {
        to = spanFromByte(marks[size_t(mark)].end);
    }
    std::vector<Stretch> parts;
    Stretch part;
    bool open = false;
    bool baseKnown = false;
    const auto close = [&] {
        if (!open) {
            return;
        }
        open = false;
        for (size_t k = part.first; !baseKnown && k < part.last; ++k) {
            // Text that no mark group holds yet looks as the document shows it.
            if (spans[k].kind != SourceSpan::Picture) {
                part.base = documentStyle(document, spans[k].docPos);
                baseKnown = true;
            }
        }
        parts.push_back(part);
    };
    for (size_t k = from; k < to; ++k) {
        if (spans[k].kind == SourceSpan::Break) {
            close(); // a paragraph's own controls are never inside a mark group
            continue;
        }
        const int mark = markAt(spans[k].byteBegin);
        if (open && !(mark >= 0 && mark == part.lastMark)) {
            const int left =
                part.lastMark >= 0 ? marks[size_t(part.lastMark)].end : spans[k - 1].byteEnd;
            const int right = mark >= 0 ? marks[size_t(mark)].begin : spans[k].byteBegin;
            if (!onlyLineEnds(QByteArrayView(m_bytes), left, right)) {
                close();
            }
        }
        if (!open) {
            part = Stretch{k, k, mark, mark, BaseStyle()};
            open = true;
            baseKnown = false;
        }
        part.last = k + 1;
        part.lastMark = mark;
        if (mark >= 0 && !baseKnown) {
            // Nothing between the runs of a stretch changes their style: one group tells it.
            part.base = marks[size_t(mark)].base;
            baseKnown = true;
        }
    }
    close();
    return parts;
}

bool RtfSourceBook::rewrite(const Stretch& stretch, size_t first, size_t last, const QColor* color,
                            int colorIndex, int underline, Rewrite* out) const
{
    const auto& spans = m_map.spans();
    const auto& marks = m_map.marks();
    const int begin = stretch.firstMark >= 0 ? marks[size_t(stretch.firstMark)].begin
                                             : spans[stretch.first].byteBegin;
    const int end = stretch.lastMark >= 0 ? marks[size_t(stretch.lastMark)].end
                                          : spans[stretch.last - 1].byteEnd;
    // A change that leaves the text as it is without any group needs no group.
    const int newColor = color && sameColor(stretch.base, *color) ? -1 : colorIndex;
    const bool lineAsIs = underline == 1 ? stretch.base.underline == 1
                                         : underline == 0 && stretch.base.underline == 0;
    const int newUnderline = lineAsIs ? -1 : underline;
    const QByteArrayView source(m_bytes);
    // Only binary data ends in a lone backslash, which would escape whatever came next.
    qsizetype slashes = 0;
    while (slashes < begin && source[begin - 1 - slashes] == '\\') {
        ++slashes;
    }
    if (slashes % 2 == 1) {
        return false;
    }
    QByteArray& text = out->text;
    text.reserve(end - begin + 32);
    out->begin = begin;
    out->end = end;
    out->firstSpan = stretch.first;
    out->spans.reserve(stretch.last - stretch.first);

    // The text so far ends in a \uN whose fallback a boundary now gone had cut short.
    bool openFallback = stretch.first > 0 && spans[stretch.first - 1].openFallback &&
                        spans[stretch.first - 1].byteEnd == begin;
    std::vector<Marking> nesting; // what the source's mark groups opened so far give
    Marking open;
    int depth = 0;
    int groupBegin = 0;
    const auto closeGroups = [&] {
        if (depth > 0) {
            text.append(QByteArray(depth, '}'));
            out->marks.push_back(MarkGroup{groupBegin, int(text.size()), stretch.base});
            depth = 0;
            openFallback = false;
        }
    };
    // Where a group boundary of the source goes, an empty group stands in for it if what comes
    // before and after would otherwise read as one.
    const auto keepBoundary = [&](char next) {
        const QByteArrayView before = text.isEmpty() ? source.first(begin) : QByteArrayView(text);
        if (needsBoundary(before, openFallback, next)) {
            text.append("{}");
            openFallback = false;
        }
    };
    int pos = begin;
    int pieceEnd = begin; // where the last run (or the bytes before the rewrite) ended
    size_t k = stretch.first;
    while (pos < end) {
        if (k < stretch.last && pos == spans[k].byteBegin) {
            const SourceSpan& span = spans[k];
            if (span.kind == SourceSpan::Picture) {
                closeGroups(); // pictures stand outside mark groups
            } else {
                Marking wanted = nesting.empty() ? Marking() : nesting.back();
                if (k >= first && k < last) {
                    wanted.color = color ? newColor : wanted.color;
                    wanted.underline = underline >= 0 ? newUnderline : wanted.underline;
                }
                const QByteArrayView piece =
                    source.sliced(span.byteBegin, span.byteEnd - span.byteBegin);
                // Inside a group, its own end is the boundary the run before still needs.
                const bool cut = depth > 0 && span.byteBegin != pieceEnd &&
                                 needsBoundary(text, openFallback, piece.front());
                if (depth > 0 && (!(wanted == open) || cut)) {
                    closeGroups();
                }
                if (depth == 0 && (wanted.color >= 0 || wanted.underline >= 0)) {
                    groupBegin = int(text.size());
                    if (wanted.color >= 0) {
                        text += "{\\cf" + QByteArray::number(wanted.color) + ' ';
                        ++depth;
                    }
                    if (wanted.underline >= 0) {
                        text += wanted.underline == 1 ? "{\\ul " : "{\\ulnone ";
                        ++depth;
                    }
                    open = wanted;
                    openFallback = false;
                }
            }
            const QByteArrayView piece =
                source.sliced(span.byteBegin, span.byteEnd - span.byteBegin);
            if (span.byteBegin != pieceEnd) {
                keepBoundary(piece.front()); // something stood between them in the source
            }
            out->spans.emplace_back(int(text.size()), int(text.size() + piece.size()));
            text.append(piece);
            openFallback = span.openFallback;
            pieceEnd = span.byteEnd;
            pos = span.byteEnd;
            ++k;
            continue;
        }
        int groupColor = -1;
        int groupUnderline = -1;
        if (isLineEnd(source[pos])) {
            text.append(source[pos++]);
        } else if (const qsizetype length =
                       markOpening(source, pos, &groupColor, &groupUnderline)) {
            Marking inner = nesting.empty() ? Marking() : nesting.back();
            inner.color = groupColor >= 0 ? groupColor : inner.color;
            inner.underline = groupUnderline >= 0 ? groupUnderline : inner.underline;
            nesting.push_back(inner);
            pos += int(length);
        } else if (source[pos] == '}' && !nesting.empty()) {
            nesting.pop_back();
            ++pos;
        } else {
            return false; // not what the map says: the book is left alone
        }
    }
    if (k != stretch.last || !nesting.empty()) {
        return false;
    }
    closeGroups();
    if (end < source.size() && pieceEnd != end) {
        keepBoundary(source[end]);
    }
    return true;
}

void RtfSourceBook::apply(std::vector<Rewrite>& rewrites)
{
    if (rewrites.empty()) {
        return;
    }
    auto& spans = m_map.spans();
    auto& marks = m_map.marks();
    qsizetype grown = 0;
    for (const Rewrite& rewrite : rewrites) {
        grown += std::max<qsizetype>(0, rewrite.text.size() - (rewrite.end - rewrite.begin));
    }
    QByteArray out;
    out.reserve(m_bytes.size() + grown);
    std::vector<MarkGroup> newMarks;
    newMarks.reserve(marks.size() + rewrites.size());
    std::vector<int> ends;   // the end of each rewrite in the old bytes
    std::vector<int> shifts; // and how far the bytes after it moved
    int copied = 0;
    int shift = 0;
    size_t span = 0;
    size_t mark = 0;
    const auto keepMark = [&](MarkGroup group, int by) {
        group.begin += by;
        group.end += by;
        newMarks.push_back(group);
    };
    for (const Rewrite& rewrite : rewrites) {
        for (; span < rewrite.firstSpan; ++span) {
            spans[span].byteBegin += shift;
            spans[span].byteEnd += shift;
        }
        for (; mark < marks.size() && marks[mark].begin < rewrite.begin; ++mark) {
            keepMark(marks[mark], shift);
        }
        while (mark < marks.size() && marks[mark].begin < rewrite.end) {
            ++mark; // written anew by the rewrite
        }
        out.append(m_bytes.constData() + copied, rewrite.begin - copied);
        const int at = int(out.size());
        out.append(rewrite.text);
        for (const auto& [spanBegin, spanEnd] : rewrite.spans) {
            spans[span].byteBegin = at + spanBegin;
            spans[span].byteEnd = at + spanEnd;
            ++span;
        }
        for (const MarkGroup& group : rewrite.marks) {
            keepMark(group, at);
        }
        copied = rewrite.end;
        shift = int(out.size()) - rewrite.end;
        ends.push_back(rewrite.end);
        shifts.push_back(shift);
    }
    for (; span < spans.size(); ++span) {
        spans[span].byteBegin += shift;
        spans[span].byteEnd += shift;
    }
    for (; mark < marks.size(); ++mark) {
        keepMark(marks[mark], shift);
    }
    out.append(m_bytes.constData() + copied, m_bytes.size() - copied);
    // The colour table and the place for one lie outside every rewrite.
    for (int* byte : {&m_map.colorTableClose, &m_map.tableInsertion}) {
        if (*byte >= 0) {
            const auto it = std::upper_bound(ends.begin(), ends.end(), *byte);
            *byte += it == ends.begin() ? 0 : shifts[size_t(it - ends.begin()) - 1];
        }
    }
    marks = std::move(newMarks);
    m_bytes = std::move(out);
}

bool RtfSourceBook::insertPicture(int offset, const QString& name, const QImage& image)
{
    const QByteArray group = pictureGroup(image, name);
    if (group.isEmpty() || !splitAt(offset)) {
        return false;
    }
    auto& spans = m_map.spans();
    size_t index = spanAt(offset);
    const SourceSpan* next =
        index < spans.size() && spans[index].docPos == offset ? &spans[index] : nullptr;
    const SourceSpan* previous =
        index > 0 && spans[index - 1].docEnd() == offset ? &spans[index - 1] : nullptr;
    // Best beside a character of the text, which is shown; a paragraph end may stand in
    // hidden text, where the picture would be hidden too.
    int byte = -1;
    if (next && next->kind != SourceSpan::Break) {
        byte = next->byteBegin;
    } else if (previous && previous->kind != SourceSpan::Break) {
        byte = previous->byteEnd;
    } else if (next && !next->hidden) {
        byte = next->byteBegin;
    } else if (previous && !previous->hidden) {
        byte = previous->byteEnd;
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
    const int end = spans[index].byteEnd;
    const bool openFallback =
        index > 0 && spans[index - 1].openFallback && spans[index - 1].byteEnd == begin;
    // The picture's group was a boundary: an empty group takes its place where one must stay.
    const QByteArray joint =
        end < m_bytes.size() &&
                needsBoundary(QByteArrayView(m_bytes).first(begin), openFallback, m_bytes[end])
            ? QByteArrayLiteral("{}")
            : QByteArray();
    const int length = end - begin - int(joint.size());
    m_bytes.replace(begin, end - begin, joint);
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
    // The picture may have stood inside a mark group.
    for (MarkGroup& group : m_map.marks()) {
        group.begin -= group.begin > begin ? length : 0;
        group.end -= group.end > begin ? length : 0;
    }
    return true;
}

void RtfSourceBook::splice(std::vector<Insertion>& insertions)
{
    if (insertions.empty()) {
        return; // the colour was in the table already
    }
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
    for (MarkGroup& group : m_map.marks()) {
        const int begin = group.begin;
        const int end = group.end;
        group.begin = begin + shiftAt(begin);
        group.end = end + shiftBefore(end);
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
