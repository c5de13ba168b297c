// Hit-testing in the book view's layout: the caret place nearest a point, from Qt's line
// geometry.
#include "views/BookDocumentLayoutPrivate.h"

#include <QTextDocument>
#include <QTextTable>

using namespace BookLayout;

// ---- positions

int BookDocumentLayout::Private::hitBlock(const QTextBlock& block, const QPointF& point,
                                          Qt::HitTestAccuracy accuracy) const
{
    const QTextLayout* layout = block.layout();
    const int count = layout->lineCount();
    if (count == 0) {
        return accuracy == Qt::ExactHit ? -1 : block.position();
    }
    const QPointF local = point - layout->position();
    for (int i = 0; i < count; ++i) {
        const QTextLine line = layout->lineAt(i);
        if (local.y() >= line.y() + line.height() && i + 1 < count) {
            continue;
        }
        if (accuracy == Qt::ExactHit && !line.naturalTextRect().contains(local)) {
            return -1;
        }
        return block.position() + line.xToCursor(local.x());
    }
    return block.position();
}

int BookDocumentLayout::Private::hitContents(QTextFrame::iterator it, const QPointF& point,
                                             qreal dy, Qt::HitTestAccuracy accuracy) const
{
    int found = -1;
    for (; !it.atEnd(); ++it) {
        if (QTextFrame* frame = it.currentFrame()) {
            auto* table = qobject_cast<QTextTable*>(frame);
            const auto geometry = table ? tables.constFind(table) : tables.constEnd();
            if (geometry == tables.constEnd()) {
                continue;
            }
            found = hitTable(table, 0, table->rows(), point, dy, accuracy);
            if (point.y() < geometry->bottom + dy) {
                return found;
            }
        } else if (it.currentBlock().isValid()) {
            const QTextBlock block = it.currentBlock();
            const QTextLayout* layout = block.layout();
            found = hitBlock(block, point, accuracy);
            const QRectF lines = layout->boundingRect().translated(layout->position());
            if (point.y() < lines.bottom()) {
                return found;
            }
        }
    }
    return found;
}

int BookDocumentLayout::hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const
{
    if (d->itemCount == 0) {
        return -1;
    }
    const int index = d->itemAt(point.y());
    d->ensure(index);
    const Part* part = d->partOf(index);
    const double dy = d->placedY(index);
    if (auto* table = part ? qobject_cast<QTextTable*>(part->frame) : nullptr) {
        return d->hitTable(table, part->firstRow, part->rowCount, point, dy, accuracy);
    }
    if (part) {
        return d->hitContents(part->frame->begin(), point, dy, accuracy);
    }
    return d->hitBlock(d->blockOf(d->item(index).firstBlock), point, accuracy);
}
