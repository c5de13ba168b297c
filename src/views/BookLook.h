#pragma once

#include <QColor>

// How the book view draws a book, beside what the book itself sets: the zoom, the spacing of
// lines that set none of their own, and the theme's colours that the book's own colours are
// kept readable against. The layout asks for it in one place (BookLayoutLook.cpp).
struct BookLook
{
    // Every font size of the book is multiplied by this.
    qreal zoom = 1;
    // Lines of paragraphs that set no line height are this much taller than the font's own.
    qreal lineSpacing = 1;
    // What the text stands on, and the colour of text that sets none.
    QColor background = Qt::white;
    QColor text = Qt::black;
    // The book's own colours are changed where they would not stand out from what they stand
    // on (a dark theme); off, they are drawn as the book sets them.
    bool keepColoursReadable = false;

    bool operator==(const BookLook& other) const = default;
};
