#pragma once

#include "formats/rtf/RtfSourceMap.h"

#include <QByteArray>
#include <QColor>

class QImage;
class QString;
class QTextDocument;

namespace Rtf {

// An RTF book as it was read, with the user's changes written straight into its own bytes:
// marks and erasures become mark groups ({\cfN ...}, {\ul ...}, {\ulnone ...}) around exactly
// the runs they change (and one colour table entry when the colour is new), a bookmark
// picture a {\pict ...} group of its own. Everything else of the file (notes, headers, styles,
// document information, pictures of other kinds) stays byte for byte. Each change is applied
// at once, so bytes() is always the book as the document shows it.
//
// Mark groups never pile up: a change rewrites the mark groups of the runs it touches (those
// of earlier versions, however deeply nested, too) as at most one colour and one underline
// group per run, and leaves out a group whose run then looks as it would without it (an
// erased mark on black text goes away entirely).
//
// Where a mark group goes from between a control word (or a \uN whose fallback it cut short)
// and what follows, an empty group {} keeps them apart.
//
// A change that cannot be placed exactly (a range that starts inside a run that cannot be
// split, a picture in an empty table cell or in hidden text) returns false and changes nothing
// the book shows: writing the book whole instead would lose what the reader does not show,
// so the caller refuses the change.
class RtfSourceBook
{
public:
    RtfSourceBook(QByteArray bytes, RtfSourceMap map);

    // The text colour of the document's characters [start, end) set to color. The document
    // is only read: to check that every character of the range is accounted for, and for the
    // colour and underlining of text that no mark group holds yet.
    bool setColor(const QTextDocument& document, int start, int end, const QColor& color);
    // The same for underlining, on or off.
    bool setUnderline(const QTextDocument& document, int start, int end, bool on);
    // A picture inserted as the character at offset (later characters move on by one).
    bool insertPicture(int offset, const QString& name, const QImage& image);
    // Removes the picture character at offset, when it is a picture group the program wrote.
    bool removePicture(int offset);

    const QByteArray& bytes() const { return m_bytes; }
    const RtfSourceMap& map() const { return m_map; }

private:
    struct Insertion
    {
        int position;
        int order; // at one position, the lower first
        QByteArray text;
    };
    // What mark groups give a run: a colour table index, underlining on (1) or off (0); -1
    // where no group says.
    struct Marking
    {
        int color = -1;
        int underline = -1;
        bool operator==(const Marking&) const = default;
    };
    // Consecutive runs with nothing between them in the source but line ends and mark
    // groups: their mark groups are written again as one piece.
    struct Stretch
    {
        size_t first = 0; // spans [first, last)
        size_t last = 0;
        int firstMark = -1; // the outermost mark groups around the first and last span
        int lastMark = -1;
        BaseStyle base;
    };
    struct Rewrite
    {
        int begin = 0;
        int end = 0;
        QByteArray text;
        size_t firstSpan = 0;
        std::vector<std::pair<int, int>> spans; // each span's bytes within text
        std::vector<MarkGroup> marks;           // the new mark groups, within text
    };

    // Index of the span that holds docPos, or of the first span after it.
    size_t spanAt(int docPos) const;
    // Index of the first span that starts at or after byte.
    size_t spanFromByte(int byte) const;
    // The outermost mark group that holds byte, or -1.
    int markAt(int byte) const;
    // Splits a span so that one starts at docPos; false when docPos is inside a span that
    // cannot be split.
    bool splitAt(int docPos);
    // Sets the colour (when color is given) or the underlining (underline 0 or 1) of
    // [start, end).
    bool restyle(const QTextDocument& document, int start, int end, const QColor* color,
                 int underline);
    std::vector<Stretch> stretches(const QTextDocument& document, size_t first, size_t last) const;
    // The stretch written again with the runs of [first, last) changed; false when its bytes
    // are not what the map says.
    bool rewrite(const Stretch& stretch, size_t first, size_t last, const QColor* color,
                 int colorIndex, int underline, Rewrite* out) const;
    void apply(std::vector<Rewrite>& rewrites);
    // The colour table index of color, adding the entry (or a table) to insertions.
    int colorIndex(const QColor& color, std::vector<Insertion>& insertions);
    void splice(std::vector<Insertion>& insertions);

    QByteArray m_bytes;
    RtfSourceMap m_map;
    int m_newTableAt = -1; // a colour table being added at this byte
};

// The RTF group of a picture as the program writes it: PNG, named, with its shown size.
QByteArray pictureGroup(const QImage& image, const QString& name, double width = 0,
                        double height = 0);

} // namespace Rtf
