#pragma once

#include "formats/package/InlineFormat.h"

#include <QString>
#include <optional>

namespace Books {

// Text formatting as the word processors' styles hold it: each property set, cleared, or left
// to the style below, so a style, the styles it is based on and the text's own formatting can
// be laid over one another.
struct TextProperties
{
    std::optional<bool> bold;
    std::optional<bool> italic;
    std::optional<bool> underline;
    std::optional<bool> strike;
    std::optional<bool> monospace;
    std::optional<int> vertical;
    std::optional<QString> color;
    std::optional<QString> background;
    QString characterStyle; // the style these properties came with, where the format names one

    // Properties set here win over those of base.
    void applyOver(TextProperties* base) const
    {
        auto over = [](const auto& mine, auto& theirs) {
            if (mine) {
                theirs = mine;
            }
        };
        over(bold, base->bold);
        over(italic, base->italic);
        over(underline, base->underline);
        over(strike, base->strike);
        over(monospace, base->monospace);
        over(vertical, base->vertical);
        over(color, base->color);
        over(background, base->background);
    }

    InlineFormat format() const
    {
        InlineFormat format;
        format.bold = bold.value_or(false);
        format.italic = italic.value_or(false);
        format.underline = underline.value_or(false);
        format.strike = strike.value_or(false);
        format.monospace = monospace.value_or(false);
        format.vertical = vertical.value_or(0);
        format.color = color.value_or(QString());
        format.background = background.value_or(QString());
        return format;
    }

    // True for a font family name that sets text in a fixed width.
    static bool isMonospaceFont(const QString& family);
};

} // namespace Books
