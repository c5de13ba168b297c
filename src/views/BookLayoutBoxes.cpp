// What a book's style adds around and above paragraphs in the book view's layout: the borders
// of boxes (a heading's rule, a boxed note), ruby (small text above the characters it reads),
// and floating figures with the next paragraph beside them.
#include "views/BookDocumentLayoutPrivate.h"

#include "formats/epub/ChapterFormats.h"
#include "views/ThemeColours.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextCursor>
#include <QTextImageFormat>

using namespace BookLayout;
namespace Formats = Epub::ChapterFormats;

namespace {
// Ruby is set at half the size of the text it reads.
constexpr qreal RubyScale = 0.5;
// Room between a floating figure and the text beside it.
constexpr qreal FloatGap = 12;
} // namespace

FloatRoom BookDocumentLayout::Private::floatOf(const QTextBlock& block)
{
    FloatRoom room;
    if (!block.isValid() || !block.blockFormat().boolProperty(Formats::HoldsFloatProperty)) {
        return room;
    }
    // A figure: floating pictures and nothing else.
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QTextImageFormat format = fragment.charFormat().toImageFormat();
        const int side = format.intProperty(Formats::FloatProperty);
        if (!format.isValid() || (side != Qt::AlignLeft && side != Qt::AlignRight) ||
            (room.side != 0 && side != room.side)) {
            return {};
        }
        room.side = side;
        room.width += qMax<qreal>(0, format.width()) * fragment.length();
        room.height = qMax(room.height, format.height());
    }
    return room;
}

FloatRoom BookDocumentLayout::Private::floatBeside(const QTextBlock& figure, const QTextBlock& next,
                                                   qreal width)
{
    const FloatRoom room = floatOf(figure);
    // The text beside needs room of its own; a figure in a table's cell stays where it is.
    if (room.side == 0 || !next.isValid() || room.width > width * 0.6 || room.height <= 0 ||
        floatOf(next).side != 0 || QTextCursor(figure).currentTable() ||
        QTextCursor(next).currentTable() ||
        QTextCursor(figure).currentFrame() != QTextCursor(next).currentFrame()) {
        return {};
    }
    return {room.side, room.width + FloatGap, room.height};
}

BoxInsets BookDocumentLayout::Private::boxInsets(const QTextBlockFormat& format)
{
    BoxInsets box;
    if (!format.boolProperty(Formats::BoxProperty)) {
        return box;
    }
    box.boxed = true;
    box.first = format.boolProperty(Formats::BoxFirstProperty);
    box.last = format.boolProperty(Formats::BoxLastProperty);
    qreal sides[4];
    for (int i = 0; i < 4; ++i) {
        sides[i] =
            qBound<qreal>(0, format.doubleProperty(Formats::BoxBorderWidthProperty + i), 400) +
            qBound<qreal>(0, format.doubleProperty(Formats::BoxPaddingProperty + i), 400);
    }
    box.top = sides[Formats::Top];
    box.right = sides[Formats::Right];
    box.bottom = sides[Formats::Bottom];
    box.left = sides[Formats::Left];
    return box;
}

std::vector<RubyRun> BookDocumentLayout::Private::rubyRuns(const QTextBlock& block) const
{
    std::vector<RubyRun> runs;
    if (!block.blockFormat().boolProperty(Formats::HoldsRubyProperty)) {
        return runs;
    }
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QTextCharFormat format = fragment.charFormat();
        const QString annotation = format.stringProperty(Formats::RubyProperty);
        const int start = fragment.position() - block.position();
        if (annotation.isEmpty()) {
            continue;
        }
        // A base written in several formats is one run.
        if (!runs.empty() && runs.back().end == start && runs.back().annotation == annotation) {
            runs.back().end = start + fragment.length();
            continue;
        }
        QFont small = format.font();
        const qreal scale = RubyScale * look.zoom;
        if (small.pointSizeF() > 0) {
            small.setPointSizeF(qMax<qreal>(1, small.pointSizeF() * scale));
        } else if (small.pixelSize() > 0) {
            small.setPixelSize(qMax(1, qRound(small.pixelSize() * scale)));
        }
        runs.push_back({start, start + fragment.length(), annotation, small});
    }
    return runs;
}

qreal BookDocumentLayout::Private::rubyRoom(const std::vector<RubyRun>& runs, const QTextLine& line)
{
    qreal room = 0;
    const int start = line.textStart();
    const int end = start + line.textLength();
    for (const RubyRun& run : runs) {
        if (run.start < end && run.end > start) {
            room = qMax(room, QFontMetricsF(run.font).height());
        }
    }
    return room;
}

void BookDocumentLayout::Private::drawRuby(QPainter* painter, const QTextBlock& block) const
{
    const std::vector<RubyRun> runs = rubyRuns(block);
    if (runs.empty()) {
        return;
    }
    const QTextLayout* layout = block.layout();
    painter->save();
    for (const RubyRun& run : runs) {
        // Above the run's first line: a base broken over two lines reads from its start.
        const QTextLine line = layout->lineForTextPosition(run.start);
        if (!line.isValid()) {
            continue;
        }
        const int end = qMin(run.end, line.textStart() + line.textLength());
        const qreal from = line.cursorToX(run.start);
        const qreal to = line.cursorToX(end);
        const QFontMetricsF metrics(run.font);
        const qreal width = metrics.horizontalAdvance(run.annotation);
        const QPointF baseline(layout->position().x() + (from + to - width) / 2,
                               layout->position().y() + line.y() - metrics.descent());
        painter->setFont(run.font);
        painter->drawText(baseline, run.annotation);
    }
    painter->restore();
}

QColor BookDocumentLayout::Private::borderColour(const QColor& given) const
{
    return look.keepColoursReadable ? ReadableColour::against(given, look.background) : given;
}

void BookDocumentLayout::Private::drawBox(QPainter* painter, const QTextBlock& block) const
{
    const QTextLayout* layout = block.layout();
    const auto found = boxes.constFind(layout);
    if (found == boxes.cend()) {
        return;
    }
    const QTextBlockFormat format = block.blockFormat();
    const BoxInsets insets = boxInsets(format);
    const QRectF box = found->translated(layout->position());
    const bool drawn[4] = {insets.first, true, insets.last, true};
    painter->save();
    for (int side = 0; side < 4; ++side) {
        const qreal width = format.doubleProperty(Formats::BoxBorderWidthProperty + side);
        if (!drawn[side] || width <= 0) {
            continue;
        }
        // A colour the book gives wins; otherwise the border is in the text's colour, the one
        // the view's theme gives.
        const QVariant given = format.property(Formats::BoxBorderColorProperty + side);
        const QColor color = given.canConvert<QColor>() ? borderColour(given.value<QColor>())
                                                        : painter->pen().color();
        QRectF strip;
        switch (side) {
        case Formats::Top:
            strip = QRectF(box.left(), box.top(), box.width(), width);
            break;
        case Formats::Right:
            strip = QRectF(box.right() - width, box.top(), width, box.height());
            break;
        case Formats::Bottom:
            strip = QRectF(box.left(), box.bottom() - width, box.width(), width);
            break;
        default:
            strip = QRectF(box.left(), box.top(), width, box.height());
            break;
        }
        const auto style = QTextFrameFormat::BorderStyle(
            format.intProperty(Formats::BoxBorderStyleProperty + side));
        const bool across = side == Formats::Top || side == Formats::Bottom;
        if (style == QTextFrameFormat::BorderStyle_Double && width >= 3) {
            // Two lines, each a third of the width, with a third between them.
            const qreal third = width / 3;
            const QRectF outer = across ? QRectF(strip.left(), strip.top(), strip.width(), third)
                                        : QRectF(strip.left(), strip.top(), third, strip.height());
            const QRectF inner =
                across ? outer.translated(0, 2 * third) : outer.translated(2 * third, 0);
            painter->fillRect(outer, color);
            painter->fillRect(inner, color);
        } else if (style == QTextFrameFormat::BorderStyle_Dotted ||
                   style == QTextFrameFormat::BorderStyle_Dashed) {
            QPen pen(color, width,
                     style == QTextFrameFormat::BorderStyle_Dotted ? Qt::DotLine : Qt::DashLine);
            pen.setCapStyle(Qt::FlatCap);
            painter->setPen(pen);
            const QPointF centre = strip.center();
            if (across) {
                painter->drawLine(QPointF(strip.left(), centre.y()),
                                  QPointF(strip.right(), centre.y()));
            } else {
                painter->drawLine(QPointF(centre.x(), strip.top()),
                                  QPointF(centre.x(), strip.bottom()));
            }
        } else {
            painter->fillRect(strip, color);
        }
    }
    painter->restore();
}
