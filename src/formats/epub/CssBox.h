#pragma once

#include <QColor>
#include <QString>
#include <QTextFormat>
#include <functional>

class QTextBlockFormat;

namespace Epub {

// The borders and padding a book's style gives a block (a heading's rule, a boxed note), read
// from its declarations (border, border-bottom, border-width, padding-left, ...) as a browser
// reads them, for the book view to lay out and draw.
struct CssBox
{
    struct Side
    {
        qreal width = 0; // pixels; 0 for no border
        QTextFrameFormat::BorderStyle style = QTextFrameFormat::BorderStyle_None;
        QColor color; // invalid: the text's colour
    };
    Side sides[4]; // top, right, bottom, left (ChapterFormats::Side)
    qreal padding[4] = {0, 0, 0, 0};

    // The box of an element; valueOf gives the value its style has for a property (empty when
    // none), points its font size (for em).
    static CssBox fromStyle(const std::function<QString(const QString&)>& valueOf, qreal points);
    // A box draws something: at least one side has a border.
    bool hasBorder() const;
    // Writes the box into the format of one of its paragraphs.
    void applyTo(QTextBlockFormat* format, bool first, bool last) const;
    // The border's parts of a shorthand value ("1px solid #336", "double 4px #933").
    static Side parseSide(const QString& value, qreal points, Side side);
    static Side parseSide(const QString& value, qreal points)
    {
        return parseSide(value, points, Side());
    }
    // A border's or padding's length in pixels ("2px", "0.5em", "1pt", "thin"), at most 400;
    // false for anything else.
    static bool pixels(const QString& value, qreal points, qreal* result);
    // Any length in pixels, unbounded but for its sign.
    static bool lengthPixels(const QString& value, qreal points, qreal* result);
    // A CSS colour: #rgb, #rrggbb, rgb(), rgba() or a name; invalid for anything else.
    static QColor color(const QString& value);
};

} // namespace Epub
