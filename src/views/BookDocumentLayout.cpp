#include "views/BookDocumentLayoutPrivate.h"

#include <QFontMetricsF>
#include <QStyle>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>

#include <algorithm>
#include <climits>
#include <cmath>

using namespace BookLayout;

BookDocumentLayout::BookDocumentLayout(QTextDocument* document)
    : QAbstractTextDocumentLayout(document), d(std::make_unique<Private>())
{
    d->q = this;
    d->doc = document;
}

BookDocumentLayout::~BookDocumentLayout() = default;

// ---- structure and estimates

bool BookDocumentLayout::Private::readSignature()
{
    const qreal width = doc->pageSize().width();
    const QFont defaultFont = doc->defaultFont();
    const qreal documentMargin = doc->documentMargin();
    if (width == pageWidth && defaultFont == font && documentMargin == margin &&
        look == estimatedLook) {
        return false;
    }
    pageWidth = width;
    font = defaultFont;
    margin = documentMargin;
    estimatedLook = look;
    const QFontMetricsF metrics(font);
    charWidth = qMax<qreal>(1, metrics.averageCharWidth() * look.zoom);
    lineHeight = qMax<qreal>(1, metrics.height() * look.zoom * look.lineSpacing);
    return true;
}

void BookDocumentLayout::Private::rebuild()
{
    items.clear();
    parts.clear();
    tables.clear();
    formatExtra.clear();
    blockCount = doc->blockCount();
    itemOfBlock.assign(size_t(qMax(0, blockCount)), 0);
    const QList<QTextFrame*> frames = doc->rootFrame()->childFrames();
    frameCount = frames.size();
    // Block numbers each top-level frame spans, found once, so the walk below never asks a
    // block for its position.
    qsizetype frameIndex = 0;
    int frameFirst = INT_MAX;
    int frameLast = INT_MAX;
    std::vector<RowRun> runs;
    size_t run = 0;
    auto nextFrame = [&] {
        runs.clear();
        run = 0;
        if (frameIndex < frames.size()) {
            QTextFrame* frame = frames[frameIndex];
            frameFirst = doc->findBlock(frame->firstPosition()).blockNumber();
            frameLast = doc->findBlock(frame->lastPosition()).blockNumber();
            frameLast = qMax(frameFirst, frameLast);
            if (auto* table = qobject_cast<QTextTable*>(frame)) {
                runs = rowRuns(table);
            }
        } else {
            frameFirst = frameLast = INT_MAX;
        }
    };
    nextFrame();
    items.reserve(size_t(qMax(0, blockCount)));
    int number = 0;
    for (QTextBlock block = doc->begin(); block.isValid() && number < blockCount;
         block = block.next(), ++number) {
        if (number >= frameFirst) {
            QTextFrame* frame = frames[frameIndex];
            const bool runStarts = run < runs.size() && runs[run].firstBlock <= number;
            if (runStarts || items.empty() || items.back().part < 0 ||
                parts[size_t(items.back().part)].frame != frame) {
                Part part;
                part.frame = frame;
                if (runStarts) {
                    part.firstRow = runs[run].firstRow;
                }
                while (run < runs.size() && runs[run].firstBlock <= number) {
                    part.rowCount += runs[run].rowCount;
                    ++run;
                }
                if (runs.empty()) {
                    const auto* table = qobject_cast<QTextTable*>(frame);
                    part.rowCount = table ? table->rows() : 0;
                }
                parts.push_back(part);
                items.push_back({number, int(parts.size() - 1)});
            }
            Part& part = parts.back();
            part.blockCount++;
            part.length += block.length();
            itemOfBlock[size_t(number)] = int(items.size() - 1);
            if (number >= frameLast) {
                ++frameIndex;
                nextFrame();
            }
            continue;
        }
        noteFormat(block);
        items.push_back({number, -1});
        itemOfBlock[size_t(number)] = int(items.size() - 1);
    }
    itemCount = int(items.size());
    if (parts.empty()) {
        items = {};
        itemOfBlock = {};
    } else {
        items.shrink_to_fit();
    }
    readSignature();
    resetHeights();
}

std::vector<RowRun> BookDocumentLayout::Private::rowRuns(QTextTable* table) const
{
    // A long table is laid out and drawn a row at a time, as paragraphs are; rows that a cell
    // spans stay together.
    std::vector<RowRun> runs;
    const int rows = table->rows();
    const int columns = table->columns();
    for (int r = 0; r < rows; ++r) {
        bool joined = false;
        for (int c = 0; r > 0 && c < columns && !joined; ++c) {
            joined = table->cellAt(r, c) == table->cellAt(r - 1, c);
        }
        if (joined && !runs.empty()) {
            runs.back().rowCount++;
            continue;
        }
        const int position = table->cellAt(r, 0).firstPosition();
        runs.push_back({r, 1, doc->findBlock(position).blockNumber()});
    }
    return runs;
}

void BookDocumentLayout::Private::noteFormat(const QTextBlock& block)
{
    const int formatIndex = block.blockFormatIndex();
    if (formatExtra.contains(formatIndex)) {
        return;
    }
    const QTextBlockFormat format = block.blockFormat();
    qreal vertical = format.topMargin() + format.bottomMargin();
    if (breaksBefore(format)) {
        vertical += PageBreakGap;
    }
    if (breaksAfter(format)) {
        vertical += PageBreakGap;
    }
    const qreal horizontal =
        format.leftMargin() + format.rightMargin() + format.indent() * doc->indentWidth();
    formatExtra.insert(formatIndex, QPointF(horizontal, vertical));
}

double BookDocumentLayout::Private::estimate(const Part& part) const
{
    const qreal width = textWidth();
    const int rows = qobject_cast<QTextTable*>(part.frame) ? part.rowCount : part.blockCount;
    const qreal wrapped = std::ceil(part.length * charWidth / width);
    return (rows + wrapped) * lineHeight;
}

double BookDocumentLayout::Private::estimate(const QTextBlock& block) const
{
    const QPointF extra = formatExtra.value(block.blockFormatIndex());
    const qreal lineWidth = qMax(NarrowestLine, textWidth() - extra.x());
    const qreal lines = qMax<qreal>(1, std::ceil((block.length() - 1) * charWidth / lineWidth));
    return extra.y() + lines * lineHeight;
}

void BookDocumentLayout::Private::resetHeights()
{
    std::vector<float> estimates(static_cast<size_t>(itemCount));
    // Paragraphs are estimated from their blocks, walked in order.
    QTextBlock block = doc->begin();
    int number = 0;
    for (int i = 0; i < itemCount; ++i) {
        const Item item = this->item(i);
        if (item.part >= 0) {
            estimates[size_t(i)] = float(estimate(parts[size_t(item.part)]));
            continue;
        }
        if (item.firstBlock - number > 64) {
            // Past a table: found, not walked.
            block = blockOf(item.firstBlock);
            number = item.firstBlock;
        }
        for (; number < item.firstBlock && block.isValid(); ++number) {
            block = block.next();
        }
        estimates[size_t(i)] = float(estimate(block));
    }
    heights.assign(std::move(estimates));
    tables.clear();
    boxes.clear();
    placed.clear();
}

// ---- laying out

void BookDocumentLayout::Private::ensure(int index)
{
    const Item item = this->item(index);
    if (!laidOut(index)) {
        const double oldHeight = heights.height(index);
        const double oldBottom = itemTop(index) + oldHeight;
        qreal height = 0;
        const Part* part = partOf(index);
        if (auto* table = part ? qobject_cast<QTextTable*>(part->frame) : nullptr) {
            height = layoutTable(table, part->firstRow, part->rowCount, margin, 0, textWidth());
        } else if (part) {
            height = layoutContents(part->frame->begin(), margin, 0, textWidth());
        } else {
            height = layoutBlock(blockOf(item.firstBlock), margin, 0, textWidth());
        }
        placed[index] = 0;
        heights.setHeight(index, height);
        height = heights.height(index); // as the index keeps it
        if (height != oldHeight) {
            emit q->documentSizeChanged(q->documentSize());
            emit q->heightChangedAbove(oldBottom, height - oldHeight);
        }
    }
    place(index);
}

void BookDocumentLayout::Private::place(int index)
{
    double& placedAt = placed[index];
    const double y = itemTop(index);
    const double dy = y - placedAt;
    if (dy == 0) {
        return;
    }
    QTextBlock block = blockOf(item(index).firstBlock);
    const int count = blockCountOf(index);
    for (int i = 0; i < count && block.isValid(); ++i, block = block.next()) {
        QTextLayout* layout = block.layout();
        layout->setPosition(layout->position() + QPointF(0, dy));
    }
    placedAt = y;
}

qreal BookDocumentLayout::Private::layoutBlock(const QTextBlock& block, qreal x, qreal y,
                                               qreal width)
{
    const QTextBlockFormat format = block.blockFormat();
    const qreal top = y;
    if (breaksBefore(format)) {
        y += PageBreakGap;
    }
    // A paragraph of a box runs its side borders over the margins between it and the box's
    // other paragraphs; the box's first one holds the top border, its last the bottom one.
    const BoxInsets box = boxInsets(format);
    const qreal boxTop = box.first ? y + format.topMargin() : y;
    y += format.topMargin() + (box.first ? box.top : 0);
    qreal indent = format.indent() * doc->indentWidth();
    if (QTextList* list = block.textList()) {
        indent += list->format().indent() * doc->indentWidth();
    }
    const qreal left = x + format.leftMargin() + indent + box.left;
    const qreal lineWidth = qMax(NarrowestLine, width - format.leftMargin() - format.rightMargin() -
                                                    indent - box.left - box.right);
    const qreal firstIndent = qMax(format.textIndent(), x - left);
    // Lines never start left of the layout's origin (Qt measures the caret from there), so a
    // hanging first line moves the origin left and the other lines right by as much.
    const qreal origin = qMin<qreal>(0, firstIndent);

    QTextOption option = doc->defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTextDirection(block.textDirection());
    option.setAlignment(QStyle::visualAlignment(block.textDirection(), format.alignment()));
    QList<QTextOption::Tab> tabs = option.tabs();
    for (const QTextOption::Tab& tab : format.tabPositions()) {
        tabs.append(tab);
    }
    // A hanging first line (a bullet or number before a tab) tabs to the paragraph's indent;
    // tab stops count from the line's start.
    if (firstIndent < 0) {
        tabs.append(QTextOption::Tab(-firstIndent, QTextOption::LeftTab));
    }
    std::sort(tabs.begin(), tabs.end(), [](const QTextOption::Tab& a, const QTextOption::Tab& b) {
        return a.position < b.position;
    });
    option.setTabs(tabs);

    QTextLayout* layout = block.layout();
    layout->setTextOption(option);
    applyLook(block, layout);
    const qreal spacing = lineSpacingOf(format);
    objectWidth = lineWidth;
    // Lines that hold ruby leave room above them for it.
    const std::vector<RubyRun> ruby = rubyRuns(block);
    // A figure floating before the paragraph: its first lines run beside it.
    const FloatRoom beside = floatBeside(block.previous(), block, width);
    qreal lineY = 0;
    layout->beginLayout();
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        const qreal indentOfLine = line.lineNumber() == 0 ? firstIndent : 0;
        const bool besideFloat = lineY < beside.height;
        const qreal floatWidth = besideFloat ? beside.width : 0;
        const qreal shift =
            indentOfLine - origin + (besideFloat && beside.side == Qt::AlignLeft ? floatWidth : 0);
        line.setLineWidth(qMax(NarrowestLine, lineWidth - indentOfLine - floatWidth));
        const qreal advance = lineAdvance(format, line) * spacing;
        // An exact line height smaller or larger than the text keeps the text on the line's
        // bottom, as word processors do.
        const qreal raise =
            format.lineHeightType() == QTextBlockFormat::FixedHeight ? advance - line.height() : 0;
        const qreal above = rubyRoom(ruby, line);
        line.setPosition(QPointF(shift, lineY + above + raise));
        lineY += above + advance;
    }
    layout->endLayout();
    objectWidth = 0;
    layout->setPosition(QPointF(left + origin, y));
    // A paragraph shorter than the figure beside it ends below the figure; the figure itself
    // takes no height: the paragraph after it starts beside it.
    lineY = qMax(lineY, beside.height);
    if (floatBeside(block, block.next(), width).side != 0) {
        return 0;
    }
    y += lineY + (box.last ? box.bottom : 0);
    if (box.boxed) {
        const qreal boxBottom = box.last ? y : y + format.bottomMargin();
        const qreal boxLeft = x + format.leftMargin();
        const qreal boxRight = x + width - format.rightMargin();
        boxes.insert(layout,
                     QRectF(boxLeft, boxTop, qMax<qreal>(0, boxRight - boxLeft), boxBottom - boxTop)
                         .translated(-layout->position()));
    }
    y += format.bottomMargin();
    if (breaksAfter(format)) {
        y += PageBreakGap;
    }
    return y - top;
}

qreal BookDocumentLayout::Private::layoutContents(QTextFrame::iterator it, qreal x, qreal y,
                                                  qreal width)
{
    const qreal top = y;
    for (; !it.atEnd(); ++it) {
        if (QTextFrame* frame = it.currentFrame()) {
            if (auto* table = qobject_cast<QTextTable*>(frame)) {
                y += layoutTable(table, 0, table->rows(), x, y, width);
            } else {
                y += layoutContents(frame->begin(), x, y, width);
            }
        } else if (it.currentBlock().isValid()) {
            y += layoutBlock(it.currentBlock(), x, y, width);
        }
    }
    return y - top;
}

QSizeF BookDocumentLayout::documentSize() const
{
    return {d->textWidth() + 2 * d->margin, d->heights.total() + 2 * d->margin};
}

QRectF BookDocumentLayout::frameBoundingRect(QTextFrame* frame) const
{
    if (!frame || frame == d->doc->rootFrame()) {
        return {QPointF(), documentSize()};
    }
    const int number = d->doc->findBlock(frame->firstPosition()).blockNumber();
    if (number < 0 || number >= d->blockCount) {
        return {};
    }
    const int index = d->itemOf(number);
    d->ensure(index);
    const auto found = d->tables.constFind(frame);
    if (found == d->tables.constEnd()) {
        return {};
    }
    const qreal top = found->top + d->placedY(index);
    // A table at the top level ends in its last item, which may still be estimated.
    const int lastNumber = d->doc->findBlock(frame->lastPosition()).blockNumber();
    const int last = lastNumber >= 0 && lastNumber < d->blockCount ? d->itemOf(lastNumber) : index;
    const qreal bottom = last == index ? found->bottom + d->placedY(index)
                                       : d->itemTop(last) + d->heights.height(last);
    return {QPointF(found->left, top), QPointF(found->right, bottom)};
}

QRectF BookDocumentLayout::blockBoundingRect(const QTextBlock& block) const
{
    if (!block.isValid() || block.document() != d->doc) {
        return {};
    }
    const int number = block.blockNumber();
    if (number < 0 || number >= d->blockCount) {
        return {};
    }
    d->ensure(d->itemOf(number));
    const QTextLayout* layout = block.layout();
    const QRectF lines = layout->boundingRect();
    return {layout->position(), QSizeF(qMax<qreal>(1, lines.right()), lines.bottom())};
}

void BookDocumentLayout::layoutRange(qreal top, qreal bottom) const
{
    const int count = d->itemCount;
    for (int i = qMax(0, d->itemAt(top)); i < count && d->itemTop(i) <= bottom; ++i) {
        d->ensure(i);
    }
}

void BookDocumentLayout::layoutAbove(const QTextBlock& block, qreal height) const
{
    const int number = block.blockNumber();
    if (number < 0 || number >= d->blockCount) {
        return;
    }
    qreal covered = 0;
    for (int i = d->itemOf(number) - 1; i >= 0 && covered < height; --i) {
        d->ensure(i);
        covered += d->heights.height(i);
    }
}

qreal BookDocumentLayout::lineTop(int position) const
{
    const QTextBlock block = d->doc->findBlock(position);
    if (!block.isValid()) {
        return 0;
    }
    blockBoundingRect(block);
    const QTextLayout* layout = block.layout();
    const QTextLine line = layout->lineForTextPosition(position - block.position());
    return layout->position().y() + (line.isValid() ? line.y() : 0);
}

void BookDocumentLayout::setLook(const BookLook& look)
{
    if (look == d->look) {
        return;
    }
    d->look = look;
    if (d->blockCount < 0 || !d->readSignature()) {
        return;
    }
    d->resetHeights();
    emit documentSizeChanged(documentSize());
    emit heightsReset();
    emit update();
}

const BookLook& BookDocumentLayout::look() const
{
    return d->look;
}

int BookDocumentLayout::itemCount() const
{
    return d->itemCount;
}

int BookDocumentLayout::laidOutItemCount() const
{
    return int(d->placed.size());
}

// ---- changes

void BookDocumentLayout::documentChanged(int from, int charsRemoved, int charsAdded)
{
    Q_UNUSED(charsRemoved);
    const bool structure = d->doc->blockCount() != d->blockCount ||
                           d->doc->rootFrame()->childFrames().size() != d->frameCount;
    if (structure) {
        d->rebuild();
    } else if (d->readSignature()) {
        d->resetHeights();
    } else {
        // The same paragraphs with new text or formats: each is laid out again when next
        // needed and keeps its height until then, so nothing on screen moves.
        const QTextBlock first = d->doc->findBlock(from);
        QTextBlock last = d->doc->findBlock(from + charsAdded);
        if (!last.isValid()) {
            last = d->doc->lastBlock();
        }
        // Their old lines go at once: they would hand a cursor on the changed text (taking out
        // a bookmark picture) places past its end.
        for (QTextBlock block = first; block.isValid(); block = block.next()) {
            block.layout()->clearLayout();
            if (block == last) {
                break;
            }
        }
        const int lastNumber = qMin(last.blockNumber(), d->blockCount - 1);
        for (int number = qMax(0, first.blockNumber()); number <= lastNumber;) {
            const int index = d->itemOf(number);
            const Item item = d->item(index);
            if (item.part < 0) {
                d->noteFormat(d->blockOf(item.firstBlock));
            }
            d->placed.erase(index);
            number = item.firstBlock + qMax(1, d->blockCountOf(index));
        }
        emit update();
        return;
    }
    emit documentSizeChanged(documentSize());
    emit heightsReset();
    emit update();
}

void BookDocumentLayout::resizeInlineObject(QTextInlineObject item, int position,
                                            const QTextFormat& format)
{
    QAbstractTextDocumentLayout::resizeInlineObject(item, position, format);
    // A picture wider than its line is shown at the line's width, keeping its proportions.
    if (d->objectWidth > 0 && item.width() > d->objectWidth) {
        const qreal scale = d->objectWidth / item.width();
        item.setWidth(d->objectWidth);
        item.setAscent(item.ascent() * scale);
        item.setDescent(item.descent() * scale);
    }
}
