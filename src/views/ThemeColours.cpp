#include "views/ThemeColours.h"

#include <cmath>

ThemeColours ThemeColours::of(ReadingTheme theme)
{
    ThemeColours c;
    switch (theme) {
    case ReadingTheme::Day:
        c.background = Qt::white;
        c.text = Qt::black;
        c.selection = QColor(48, 140, 198);
        c.selectedText = Qt::white;
        c.link = QColor(0, 0, 238);
        c.rule = QColor(160, 160, 160);
        break;
    case ReadingTheme::Sepia:
        c.background = QColor(0xf4, 0xec, 0xd8);
        c.text = QColor(0x43, 0x34, 0x22);
        c.selection = QColor(0xc8, 0xa9, 0x6e);
        c.selectedText = QColor(0x1e, 0x15, 0x0a);
        c.link = QColor(0x6a, 0x3e, 0x12);
        c.rule = QColor(0xb5, 0xa4, 0x82);
        c.adjustsBookColours = true;
        break;
    case ReadingTheme::Night:
        c.background = QColor(0x1c, 0x1c, 0x1e);
        c.text = QColor(0xd8, 0xd8, 0xd4);
        c.selection = QColor(0x3d, 0x5a, 0x80);
        c.selectedText = Qt::white;
        c.link = QColor(0x8a, 0xb4, 0xf8);
        c.rule = QColor(0x60, 0x60, 0x64);
        c.dark = true;
        c.adjustsBookColours = true;
        break;
    }
    return c;
}

QPalette ThemeColours::palette(const QPalette& base) const
{
    QPalette p = base;
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, QPalette::Base, background);
        p.setColor(group, QPalette::Window, background);
        p.setColor(group, QPalette::Text, text);
        p.setColor(group, QPalette::WindowText, text);
        p.setColor(group, QPalette::Highlight, selection);
        p.setColor(group, QPalette::HighlightedText, selectedText);
        p.setColor(group, QPalette::Link, link);
        p.setColor(group, QPalette::Mid, rule);
        p.setColor(group, QPalette::Dark, rule);
    }
    // A read-only view is drawn in its disabled colours while the window is disabled (a
    // modal dialog): those follow the theme too.
    p.setColor(QPalette::Disabled, QPalette::Base, background);
    p.setColor(QPalette::Disabled, QPalette::Window, background);
    return p;
}

namespace {
double channel(double value)
{
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& c)
{
    const QColor rgb = c.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) +
           0.0722 * channel(rgb.blueF());
}
} // namespace

double ReadableColour::contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableColour::against(const QColor& colour, const QColor& background)
{
    if (!colour.isValid() || contrast(colour, background) >= MinimumContrast) {
        return colour;
    }
    // Lightness moves away from the background's in small steps; hue and saturation stay, so
    // a red pen mark is still red and a link still blue.
    const bool lighten = luminance(background) < 0.18;
    const QColor hsl = colour.toHsl();
    const float hue = hsl.hslHueF();
    const float saturation = hsl.hslSaturationF();
    float lightness = hsl.lightnessF();
    QColor result = colour;
    for (int step = 0; step < 40; ++step) {
        lightness =
            lighten ? std::min(1.0f, lightness + 0.025f) : std::max(0.0f, lightness - 0.025f);
        result = QColor::fromHslF(hue, saturation, lightness, colour.alphaF());
        if (contrast(result, background) >= MinimumContrast) {
            break;
        }
    }
    return result.toRgb();
}
