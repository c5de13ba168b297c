#pragma once

#include "core/ViewSettings.h"

#include <QColor>
#include <QPalette>

// The colours of a reading theme, and the one rule that keeps a book's own colours readable on
// it: the book view, the web pages and the PDF pages all take their colours from here.
struct ThemeColours
{
    QColor background;
    QColor text;
    QColor selection;
    QColor selectedText;
    QColor link;
    // Rules and table lines.
    QColor rule;
    bool dark = false;
    // Day shows a book's colours as its maker set them; the other themes keep each one
    // readable on their background.
    bool adjustsBookColours = false;

    static ThemeColours of(ReadingTheme theme);
    // The palette of a view showing a book in these colours.
    QPalette palette(const QPalette& base) const;
};

namespace ReadableColour {
// The smallest contrast a book's text keeps against what it stands on (WCAG's level for
// body text).
inline constexpr double MinimumContrast = 4.5;

// The contrast ratio of two colours, from 1 (the same) to 21 (black on white).
double contrast(const QColor& a, const QColor& b);
// colour itself when it stands out enough from background; otherwise the same hue made
// lighter (on a dark background) or darker (on a light one) until it does. A red stays red.
QColor against(const QColor& colour, const QColor& background);
} // namespace ReadableColour
