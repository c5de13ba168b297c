// Drawing in the book view's layout: paragraphs with their formats, list markers, double
// underlines, selections and the caret; frames with what they hold.
#include "views/BookDocumentLayoutPrivate.h"

#include "views/BookTextProperties.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>

#include <cmath>

using namespace BookLayout;

// ---- drawing

void BookDocumentLayout::Private::drawListMarker(QPainter* painter, const QTextBlock& block,
                                                 const QTextLayout* layout,
                                                 const QTextBlockFormat&) const
{
    QTextList* list = block.textList();
    // A list without a style (list-style-type: none) shows no markers.
    if (!list || layout->lineCount() == 0 ||
        list->format().style() == QTextListFormat::ListStyleUndefined) {
        return;
    }
    const QTextLine first = layout->lineAt(0);
    QFont markerFont = block.charFormat().font();
    if (!block.begin().atEnd()) {
        markerFont = block.begin().fragment().charFormat().font();
    }
    const QFontMetricsF metrics(markerFont);
    const qreal baseline = layout->position().y() + first.y() + first.ascent();
    const qreal textX = layout->position().x() + first.x();
    const qreal gap = metrics.horizontalAdvance(QLatin1Char(' '));
    painter->save();
    painter->setFont(markerFont);
    const QTextListFormat::Style style = list->format().style();
    if (style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle ||
        style == QTextListFormat::ListSquare) {
        const qreal side = qMax<qreal>(3, metrics.xHeight() * 0.7);
        const QRectF mark(textX - gap - side, baseline - metrics.xHeight() / 2 - side / 2, side,
                          side);
        painter->setBrush(style == QTextListFormat::ListCircle ? Qt::NoBrush
                                                               : painter->pen().brush());
        if (style == QTextListFormat::ListSquare) {
            painter->fillRect(mark, painter->pen().brush());
        } else {
            painter->setRenderHint(QPainter::Antialiasing);
            painter->drawEllipse(mark);
        }
    } else {
        const QString text = list->itemText(block);
        painter->drawText(QPointF(textX - gap - metrics.horizontalAdvance(text), baseline), text);
    }
    painter->restore();
}

void BookDocumentLayout::Private::drawDoubleUnderlines(QPainter* painter,
                                                       const QTextBlock& block) const
{
    const QTextLayout* layout = block.layout();
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QTextCharFormat format = fragment.charFormat();
        if (!format.boolProperty(BookText::DoubleUnderlineProperty)) {
            continue;
        }
        const QFontMetricsF metrics(format.font());
        const qreal gap = qMax<qreal>(3, metrics.lineWidth() * 3);
        const QBrush brush =
            format.hasProperty(QTextFormat::TextUnderlineColor)
                ? QBrush(format.underlineColor())
                : (format.hasProperty(QTextFormat::ForegroundBrush) ? format.foreground()
                                                                    : painter->pen().brush());
        const int from = fragment.position() - block.position();
        const int to = from + fragment.length();
        painter->save();
        painter->setPen(QPen(brush, qMax<qreal>(1, metrics.lineWidth())));
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const int start = qMax(from, line.textStart());
            const int end = qMin(to, line.textStart() + line.textLength());
            if (start >= end) {
                continue;
            }
            // The second line under Qt's own underline, which sits below the baseline.
            const qreal y = std::floor(layout->position().y() + line.y() + line.ascent() +
                                       metrics.underlinePos() + gap) +
                            0.5;
            const qreal x1 = layout->position().x() + line.cursorToX(start);
            const qreal x2 = layout->position().x() + line.cursorToX(end);
            painter->drawLine(QPointF(x1, y), QPointF(x2, y));
        }
        painter->restore();
    }
}

void BookDocumentLayout::Private::drawBlock(QPainter* painter, const QTextBlock& block,
                                            const PaintContext& context, const QRectF& clip) const
{
    QTextLayout* layout = block.layout();
    if (layout->lineCount() == 0) {
        return;
    }
    const QTextBlockFormat format = block.blockFormat();
    const QRectF lines = layout->boundingRect().translated(layout->position());
    const QRectF box = boxes.value(layout).translated(layout->position());
    if (lines.united(box).top() > clip.bottom() + PageBreakGap ||
        lines.united(box).bottom() < clip.top() - PageBreakGap) {
        return;
    }
    const QBrush background = format.background();
    if (background.style() != Qt::NoBrush) {
        painter->fillRect(QRectF(layout->position().x(), lines.top(),
                                 layout->lineAt(0).width() + qMax<qreal>(0, format.textIndent()),
                                 lines.height()),
                          background);
    }
    if (breaksBefore(format) || breaksAfter(format)) {
        painter->save();
        painter->setPen(QPen(context.palette.color(QPalette::Mid), 1));
        const qreal right = textWidth() + margin;
        if (breaksBefore(format)) {
            const qreal ruleY = lines.top() - format.topMargin() - PageBreakGap / 2;
            painter->drawLine(QPointF(margin, ruleY), QPointF(right, ruleY));
        }
        if (breaksAfter(format)) {
            const qreal ruleY = lines.bottom() + format.bottomMargin() + PageBreakGap / 2;
            painter->drawLine(QPointF(margin, ruleY), QPointF(right, ruleY));
        }
        painter->restore();
    }
    drawBox(painter, block);
    drawListMarker(painter, block, layout, format);

    const int start = block.position();
    const int end = start + block.length();
    QList<QTextLayout::FormatRange> selections;
    for (const Selection& selection : context.selections) {
        const int from = selection.cursor.selectionStart();
        const int to = selection.cursor.selectionEnd();
        if (to <= start || from >= end || from == to) {
            continue;
        }
        QTextLayout::FormatRange range;
        range.start = qMax(from, start) - start;
        range.length = qMin(to, end) - start - range.start;
        range.format = selection.format;
        selections.append(range);
    }
    layout->draw(painter, QPointF(), selections, clip);
    drawRuby(painter, block);
    drawDoubleUnderlines(painter, block);
    if (context.cursorPosition >= start && context.cursorPosition < end) {
        const int width =
            q->property("cursorWidth").isValid() ? q->property("cursorWidth").toInt() : 1;
        layout->drawCursor(painter, QPointF(), context.cursorPosition - start, width);
    }
}

void BookDocumentLayout::Private::drawContents(QPainter* painter, QTextFrame::iterator it, qreal dy,
                                               const PaintContext& context,
                                               const QRectF& clip) const
{
    for (; !it.atEnd(); ++it) {
        if (QTextFrame* frame = it.currentFrame()) {
            if (auto* table = qobject_cast<QTextTable*>(frame)) {
                drawTable(painter, table, 0, table->rows(), dy, context, clip);
            } else {
                drawContents(painter, frame->begin(), dy, context, clip);
            }
        } else if (it.currentBlock().isValid()) {
            drawBlock(painter, it.currentBlock(), context, clip);
        }
    }
}

void BookDocumentLayout::draw(QPainter* painter, const PaintContext& context)
{
    if (d->itemCount == 0) {
        return;
    }
    const QRectF clip = context.clip.isValid() ? context.clip : QRectF(QPointF(), documentSize());
    layoutRange(clip.top(), clip.bottom());
    painter->save();
    painter->setPen(context.palette.color(QPalette::Text));
    // From the item before the first in the clip: a floating figure takes no height, and
    // reaches down beside the paragraph after it.
    const int first = d->itemAt(clip.top());
    for (int i = first > 0 ? first - 1 : first; i >= 0 && i < d->itemCount; ++i) {
        if (d->itemTop(i) > clip.bottom()) {
            break;
        }
        d->ensure(i);
        const Item item = d->item(i);
        const Part* part = d->partOf(i);
        const double dy = d->placedY(i);
        if (auto* table = part ? qobject_cast<QTextTable*>(part->frame) : nullptr) {
            d->drawTable(painter, table, part->firstRow, part->rowCount, dy, context, clip);
        } else if (part) {
            d->drawContents(painter, part->frame->begin(), dy, context, clip);
        } else {
            d->drawBlock(painter, d->blockOf(item.firstBlock), context, clip);
        }
    }
    painter->restore();
}
