#pragma once

#include <QByteArrayView>
#include <QColor>
#include <QList>

#include <cstdint>
#include <vector>

namespace Rtf {

// Where the characters of a document read from RTF came from: for every run of text the
// reader put into the document, its document offset and the bytes of the source that gave it.
// Marks and bookmarks are then written into the original bytes, which keep everything else.
struct SourceSpan
{
    enum Kind : std::uint8_t
    {
        Text,    // plain bytes, one character each: can be split anywhere
        Hex,     // \'hh escapes, one character each (4 bytes): can be split between them
        Atom,    // one unit (\uN with its fallback, a control word, a double-byte run)
        Break,   // the paragraph end a \par (or the like) gave: never wrapped
        Picture, // a picture shown as one character: its {\pict ...} group, or the whole
                 // shape or {\*\shppict ...}{\nonshppict ...} pair that holds it
    };
    int docPos = 0;
    int docLen = 0;
    int byteBegin = 0;
    int byteEnd = 0;
    Kind kind = Atom;
    // A \uN whose fallback a group boundary cut short: what follows it in the same group
    // would be taken for the rest of the fallback.
    bool openFallback = false;
    // A paragraph end read in hidden text: a picture put just before or after it would be
    // hidden too.
    bool hidden = false;

    int docEnd() const { return docPos + docLen; }
    // Bytes per character where a span can be split; 0 when it cannot.
    int stride() const { return kind == Text ? 1 : kind == Hex ? 4 : 0; }
};

// The text colour and underlining of characters apart from any mark group around them.
struct BaseStyle
{
    bool automaticColor = true; // no colour of its own: the view's text colour
    QRgb color = 0;
    std::uint8_t underline = 0; // 0 none, 1 a single line, 2 any other line
};

// A mark group: {\cfN ...}, {\ul ...} or {\ulnone ...} exactly as the program writes them,
// holding nothing but text, pictures and other mark groups. Only the outermost group of a
// nest is listed; what is inside it is read again from the bytes when it is rewritten.
struct MarkGroup
{
    int begin = 0; // its opening brace
    int end = 0;   // after its closing brace
    BaseStyle base;
};

// The length of the opening of a mark group at data[at] ("{\cf4 ", "{\ul ", "{\ulnone "), or
// 0. With color and underline, also what it sets: a colour table index, or underlining on (1)
// or off (0); the other stays -1.
qsizetype markOpening(QByteArrayView data, qsizetype at, int* color = nullptr,
                      int* underline = nullptr);

class RtfSourceMap
{
public:
    // Called by the reader in document order. Adjacent runs of one kind that touch in both
    // the document and the source are merged. A run out of order makes the map unusable.
    void add(int docPos, int docLen, qsizetype byteBegin, qsizetype byteEnd, SourceSpan::Kind kind);
    // Widens the last run to end at byteEnd (the fallback bytes that follow \uN).
    void extendLast(qsizetype byteEnd);
    // The fallback of the \uN that is the last run was cut short by a group boundary.
    void cutLastFallback()
    {
        if (!m_spans.empty() && m_spans.back().kind == SourceSpan::Atom) {
            m_spans.back().openFallback = true;
        }
    }
    // Widens the last picture to take in the group [begin, end) that follows it after nothing
    // but line ends (the fallback of a picture); false when it does not follow the picture.
    bool extendLastPicture(QByteArrayView data, qsizetype begin, qsizetype end);
    // Widens the last picture to [begin, end) when it is all its group [groupBegin, end) holds
    // and no other run lies after begin; false otherwise.
    bool widenLastPicture(QByteArrayView data, qsizetype begin, qsizetype groupBegin,
                          qsizetype end);
    // Lists the group [begin, end) whose content starts at contentBegin as a mark group when
    // it holds nothing but runs of text and pictures and the mark groups listed from
    // firstChild on (which it then takes the place of). data is the whole source.
    void addMarkGroup(QByteArrayView data, qsizetype begin, qsizetype contentBegin, qsizetype end,
                      size_t firstChild, const BaseStyle& base);
    // One place of the document was inserted after each of the (ascending) positions: the
    // runs after them move on.
    void insertPlaces(const std::vector<int>& positions);
    void setUnmappable() { m_mappable = false; }
    bool isMappable() const { return m_mappable; }

    std::vector<SourceSpan>& spans() { return m_spans; }
    const std::vector<SourceSpan>& spans() const { return m_spans; }
    std::vector<MarkGroup>& marks() { return m_marks; }
    const std::vector<MarkGroup>& marks() const { return m_marks; }
    // The memory the map takes, for the figures.
    qsizetype memoryBytes() const
    {
        return qsizetype(m_spans.capacity() * sizeof(SourceSpan) +
                         m_marks.capacity() * sizeof(MarkGroup));
    }

    // The colour table: its entries, the byte of its closing brace (-1 without one), and
    // where a new table goes (after the font table, or after "{\rtf1").
    QList<QColor> colors;
    int colorTableClose = -1;
    int tableInsertion = -1;

private:
    std::vector<SourceSpan> m_spans;
    std::vector<MarkGroup> m_marks;
    bool m_mappable = true;
};

} // namespace Rtf
