#pragma once

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
        Picture, // a {\pict ...} group shown as one character
    };
    int docPos = 0;
    int docLen = 0;
    int byteBegin = 0;
    int byteEnd = 0;
    Kind kind = Atom;

    int docEnd() const { return docPos + docLen; }
    // Bytes per character where a span can be split; 0 when it cannot.
    int stride() const { return kind == Text ? 1 : kind == Hex ? 4 : 0; }
};

class RtfSourceMap
{
public:
    // Called by the reader in document order. Adjacent runs of one kind that touch in both
    // the document and the source are merged. A run out of order makes the map unusable.
    void add(int docPos, int docLen, qsizetype byteBegin, qsizetype byteEnd, SourceSpan::Kind kind);
    // Widens the last run to end at byteEnd (the fallback bytes that follow \uN).
    void extendLast(qsizetype byteEnd);
    void setUnmappable() { m_mappable = false; }
    bool isMappable() const { return m_mappable; }

    std::vector<SourceSpan>& spans() { return m_spans; }
    const std::vector<SourceSpan>& spans() const { return m_spans; }
    // The bytes the map takes, for the figures.
    qsizetype memoryBytes() const { return qsizetype(m_spans.capacity() * sizeof(SourceSpan)); }

    // The colour table: its entries, the byte of its closing brace (-1 without one), and
    // where a new table goes (after the font table, or after "{\rtf1").
    QList<QColor> colors;
    int colorTableClose = -1;
    int tableInsertion = -1;

private:
    std::vector<SourceSpan> m_spans;
    bool m_mappable = true;
};

} // namespace Rtf
