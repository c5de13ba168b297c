// The book view's look in its layout: each paragraph's fonts scaled by the zoom and its colours
// kept readable on the theme, given to its lines as formats laid over the book's own, so the
// document itself (and what is saved of it) never changes.
#include "views/BookDocumentLayoutPrivate.h"

#include "views/ThemeColours.h"

#include <QTextDocument>

namespace {
bool hasBrush(const QTextFormat& format, int property)
{
    return format.hasProperty(property) && format.brushProperty(property).style() != Qt::NoBrush;
}
} // namespace

qreal BookDocumentLayout::Private::lineSpacingOf(const QTextBlockFormat& format) const
{
    return format.lineHeightType() == QTextBlockFormat::SingleHeight ? look.lineSpacing : 1;
}

void BookDocumentLayout::Private::applyLook(const QTextBlock& block, QTextLayout* layout) const
{
    QList<QTextLayout::FormatRange> ranges;
    const bool zoomed = look.zoom != 1;
    if (zoomed || look.keepColoursReadable) {
        const QTextBlockFormat blockFormat = block.blockFormat();
        const QColor blockBackground = hasBrush(blockFormat, QTextFormat::BackgroundBrush)
                                           ? blockFormat.background().color()
                                           : look.background;
        const QFont base = doc->defaultFont();
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            QTextCharFormat change;
            if (zoomed && !format.isImageFormat()) {
                if (format.hasProperty(QTextFormat::FontPixelSize)) {
                    change.setProperty(
                        QTextFormat::FontPixelSize,
                        qMax(1,
                             qRound(format.intProperty(QTextFormat::FontPixelSize) * look.zoom)));
                } else if (format.hasProperty(QTextFormat::FontPointSize)) {
                    change.setFontPointSize(format.fontPointSize() * look.zoom);
                } else if (base.pointSizeF() > 0) {
                    change.setFontPointSize(base.pointSizeF() * look.zoom);
                } else {
                    change.setProperty(QTextFormat::FontPixelSize,
                                       qMax(1, qRound(base.pixelSize() * look.zoom)));
                }
            }
            if (look.keepColoursReadable) {
                // Text that sets no colour has the theme's, which stands out from the theme's
                // background but perhaps not from a background the book gives it.
                const QColor colour = hasBrush(format, QTextFormat::ForegroundBrush)
                                          ? format.foreground().color()
                                          : look.text;
                const QColor behind = hasBrush(format, QTextFormat::BackgroundBrush)
                                          ? format.background().color()
                                          : blockBackground;
                const QColor readable = ReadableColour::against(colour, behind);
                if (readable != colour) {
                    change.setForeground(readable);
                }
            }
            if (!change.properties().isEmpty()) {
                ranges.append({fragment.position() - block.position(), fragment.length(), change});
            }
        }
    }
    // Laying formats over a paragraph's lines tells the document that the paragraph changed;
    // a paragraph drawn as the book sets it is left alone, so it costs nothing.
    if (!ranges.isEmpty() || !layout->formats().isEmpty()) {
        layout->setFormats(ranges);
    }
}
