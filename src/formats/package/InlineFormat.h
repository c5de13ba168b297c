#pragma once

#include <QString>

namespace Books {

// How a run of text looks, as the word processors and Markdown describe it: the chapter
// builder writes it as the few inline elements the chapter converter knows.
struct InlineFormat
{
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool monospace = false;
    int vertical = 0;   // 1 raised (superscript), -1 lowered (subscript)
    QString color;      // "#rrggbb", or empty for the text's own colour
    QString background; // "#rrggbb", or empty for none

    bool operator==(const InlineFormat&) const = default;
    bool isPlain() const { return *this == InlineFormat{}; }

    // "#rrggbb" from a colour as the formats write it ("FF0000", "#ff0000", "red"); empty for
    // "auto", "transparent", "none" and anything not understood.
    static QString cssColor(const QString& value);
};

} // namespace Books
