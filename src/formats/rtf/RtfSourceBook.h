#pragma once

#include "formats/rtf/RtfSourceMap.h"

#include <QByteArray>
#include <QColor>

class QImage;
class QString;
class QTextDocument;

namespace Rtf {

// An RTF book as it was read, with the user's changes written straight into its own bytes:
// a mark or an erase becomes {\cfN ...} groups around exactly the marked runs (and one colour
// table entry when the colour is new), a bookmark picture a {\pict ...} group of its own.
// Everything else of the file (notes, headers, styles, document information, pictures of
// other kinds) stays byte for byte. Each change is applied at once, so bytes() is always the
// book as the document shows it.
//
// A change that cannot be placed exactly (a range that starts inside a run that cannot be
// split, a picture in an empty table cell) returns false: the caller then drops the source
// book and saves with the full writer.
class RtfSourceBook
{
public:
    RtfSourceBook(QByteArray bytes, RtfSourceMap map);

    // The text colour of the document's characters [start, end) set to color. The document
    // is only read, to check that every character of the range is accounted for.
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
        int order; // at one position: closing braces, then pictures, then opening groups
        QByteArray text;
    };

    // Index of the span that holds docPos, or of the first span after it.
    size_t spanAt(int docPos) const;
    // Splits a span so that one starts at docPos; false when docPos is inside a span that
    // cannot be split.
    bool splitAt(int docPos);
    // Wraps the runs of [start, end) in groups that begin with controls (and a colour
    // table entry when colorIndex asks for one).
    bool wrap(const QTextDocument& document, int start, int end, const QColor* color,
              const QByteArray& controls);
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
