#include "views/BookDocumentLayout.h"

#include "views/BookTextProperties.h"
#include "views/HeightIndex.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QStyle>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextList>
#include <QTextTable>

#include <algorithm>
#include <climits>
#include <cmath>
#include <unordered_map>

namespace {
// Room a page break takes on screen; a thin rule is drawn across its middle.
constexpr qreal PageBreakGap = 24;
// Narrowest line a paragraph or cell is given, however deep its indents.
constexpr qreal NarrowestLine = 16;
// Width laid out before a view has given the document its width.
constexpr qreal WidthWithoutView = 600;

qreal lineAdvance(const QTextBlockFormat& format, const QTextLine& line)
{
    const qreal natural = line.height();
    const qreal value = format.lineHeight();
    switch (format.lineHeightType()) {
    case QTextBlockFormat::ProportionalHeight:
        return value > 0 ? natural * value / 100 : natural;
    case QTextBlockFormat::FixedHeight:
        return value > 0 ? value : natural;
    case QTextBlockFormat::MinimumHeight:
        return qMax(natural, value);
    case QTextBlockFormat::LineDistanceHeight:
        return natural + qMax<qreal>(0, value);
    default:
        return natural;
    }
}

bool breaksBefore(const QTextBlockFormat& format)
{
    return format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore;
}

bool breaksAfter(const QTextBlockFormat& format)
{
    return format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysAfter;
}

// Column and row lines of a laid-out table: x in document coordinates, y from the top of the
// item that holds the row (add that item's place). A table at the top level is laid out a few
// rows at a time, so each row's lines are in its own item's terms.
struct TableGeometry
{
    QList<qreal> columnX;   // columns + 1 entries
    QList<qreal> rowTop;    // rows entries: the top of each row's cells
    QList<qreal> rowBottom; // rows entries: below each row's cells, spacing included
    qreal left = 0;
    qreal right = 0;
    qreal top = 0;
    qreal bottom = 0;
};

// A paragraph at the top level, or a frame: a run of rows of a table at the top level (with
// everything nested in them) or another frame whole. A book holds one item per paragraph, so
// an item is kept small; what only frames need is in a Part of its own.
struct Item
{
    int firstBlock = 0;
    int part = -1; // index into parts, -1 for a paragraph
};

struct Part
{
    QTextFrame* frame = nullptr;
    int blockCount = 0;
    int length = 0;
    int firstRow = 0; // the rows of a table this item shows
    int rowCount = 0;
};

// Rows of a top-level table that make one item: no cell spans from one run into the next.
struct RowRun
{
    int firstRow = 0;
    int rowCount = 0;
    int firstBlock = 0;
};
} // namespace

struct BookDocumentLayout::Private
{
    BookDocumentLayout* q = nullptr;
    QTextDocument* doc = nullptr;
    // A book without frames has one item per block, item i being block i; then these two lists
    // stay empty and itemCount says how many there are.
    std::vector<Item> items;
    std::vector<int> itemOfBlock;
    int itemCount = 0;
    std::vector<Part> parts;
    HeightIndex heights;
    QHash<const QTextFrame*, TableGeometry> tables;
    // Where each laid-out item was last placed (the others have no lines to place).
    std::unordered_map<int, double> placed;
    int blockCount = -1;
    qsizetype frameCount = -1;
    // What every height depends on; a change of any sends all heights back to estimates.
    qreal pageWidth = -2;
    QFont font;
    qreal margin = 0;
    qreal charWidth = 8;
    qreal lineHeight = 16;
    // Extra height and lost width of each paragraph format, for estimates.
    QHash<int, QPointF> formatExtra;
    // Width of the line being laid out, for pictures wider than it.
    qreal objectWidth = 0;

    qreal textWidth() const
    {
        const qreal width = pageWidth > 0 ? pageWidth : WidthWithoutView;
        return qMax(NarrowestLine * 4, width - 2 * margin);
    }
    int itemAt(qreal y) const { return heights.indexAt(y - margin); }
    qreal itemTop(int index) const { return margin + heights.top(index); }

    void rebuild();
    std::vector<RowRun> rowRuns(QTextTable* table) const;
    void resetHeights();
    bool readSignature();
    // Remembers the extra height and lost width of the block's paragraph format.
    void noteFormat(const QTextBlock& block);
    double estimate(const Part& part) const;
    double estimate(const QTextBlock& block) const;
    Item item(int index) const { return items.empty() ? Item{index, -1} : items[size_t(index)]; }
    // The item of a block number in [0, blockCount).
    int itemOf(int number) const
    {
        return itemOfBlock.empty() ? number : itemOfBlock[size_t(number)];
    }
    const Part* partOf(int index) const
    {
        const int part = item(index).part;
        return part >= 0 ? &parts[size_t(part)] : nullptr;
    }
    int blockCountOf(int index) const
    {
        const Part* part = partOf(index);
        return part ? part->blockCount : 1;
    }
    bool laidOut(int index) const { return placed.count(index) != 0; }
    double placedY(int index) const
    {
        const auto found = placed.find(index);
        return found != placed.end() ? found->second : 0;
    }
    void ensure(int index);
    void place(int index);
    QTextBlock blockOf(int number) const { return doc->findBlockByNumber(number); }

    qreal layoutBlock(const QTextBlock& block, qreal x, qreal y, qreal width);
    qreal layoutContents(QTextFrame::iterator it, qreal x, qreal y, qreal width);
    // Lays out rowCount rows from firstRow; returns their height.
    qreal layoutTable(QTextTable* table, int firstRow, int rowCount, qreal x, qreal y, qreal width);

    void drawBlock(QPainter* painter, const QTextBlock& block, const PaintContext& context,
                   const QRectF& clip) const;
    void drawContents(QPainter* painter, QTextFrame::iterator it, qreal dy,
                      const PaintContext& context, const QRectF& clip) const;
    void drawTable(QPainter* painter, QTextTable* table, int firstRow, int rowCount, qreal dy,
                   const PaintContext& context, const QRectF& clip) const;
    void drawDoubleUnderlines(QPainter* painter, const QTextBlock& block) const;
    void drawListMarker(QPainter* painter, const QTextBlock& block, const QTextLayout* layout,
                        const QTextBlockFormat& format) const;

    int hitBlock(const QTextBlock& block, const QPointF& point, Qt::HitTestAccuracy accuracy) const;
    int hitContents(QTextFrame::iterator it, const QPointF& point, qreal dy,
                    Qt::HitTestAccuracy accuracy) const;
    int hitTable(QTextTable* table, int firstRow, int rowCount, const QPointF& point, qreal dy,
                 Qt::HitTestAccuracy accuracy) const;
};

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
    if (width == pageWidth && defaultFont == font && documentMargin == margin) {
        return false;
    }
    pageWidth = width;
    font = defaultFont;
    margin = documentMargin;
    const QFontMetricsF metrics(font);
    charWidth = qMax<qreal>(1, metrics.averageCharWidth());
    lineHeight = qMax<qreal>(1, metrics.height());
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
    y += format.topMargin();
    qreal indent = format.indent() * doc->indentWidth();
    if (QTextList* list = block.textList()) {
        indent += list->format().indent() * doc->indentWidth();
    }
    const qreal left = x + format.leftMargin() + indent;
    const qreal lineWidth =
        qMax(NarrowestLine, width - format.leftMargin() - format.rightMargin() - indent);
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
    objectWidth = lineWidth;
    qreal lineY = 0;
    layout->beginLayout();
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        const qreal indentOfLine = line.lineNumber() == 0 ? firstIndent : 0;
        const qreal shift = indentOfLine - origin;
        line.setLineWidth(qMax(NarrowestLine, lineWidth - indentOfLine));
        const qreal advance = lineAdvance(format, line);
        // An exact line height smaller or larger than the text keeps the text on the line's
        // bottom, as word processors do.
        const qreal raise =
            format.lineHeightType() == QTextBlockFormat::FixedHeight ? advance - line.height() : 0;
        line.setPosition(QPointF(shift, lineY + raise));
        lineY += advance;
    }
    layout->endLayout();
    objectWidth = 0;
    layout->setPosition(QPointF(left + origin, y));
    y += lineY + format.bottomMargin();
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

qreal BookDocumentLayout::Private::layoutTable(QTextTable* table, int firstRow, int rowCount,
                                               qreal x, qreal y, qreal width)
{
    const int rows = table->rows();
    const int columns = table->columns();
    firstRow = qBound(0, firstRow, rows);
    const int endRow = qBound(firstRow, firstRow + rowCount, rows);
    if (rows <= 0 || columns <= 0 || firstRow >= endRow) {
        return 0;
    }
    const QTextTableFormat format = table->format();
    const qreal border = qMax<qreal>(0, format.border());
    const bool collapse = format.borderCollapse();
    const qreal spacing = collapse ? 0 : qMax<qreal>(0, format.cellSpacing());
    const qreal padding = qMax<qreal>(0, format.cellPadding());
    const qreal outer = collapse ? 0 : border;
    const qreal inner = qMax(NarrowestLine, width - 2 * outer - (columns + 1) * spacing);

    // Columns as wide as the book says, shrunk together when they do not fit; columns without
    // a width share what is left.
    const QList<QTextLength> constraints = format.columnWidthConstraints();
    QList<qreal> widths(columns, -1);
    qreal given = 0;
    int open = 0;
    for (int c = 0; c < columns; ++c) {
        const QTextLength length = c < constraints.size() ? constraints[c] : QTextLength();
        if (length.type() == QTextLength::FixedLength && length.rawValue() > 0) {
            widths[c] = length.rawValue();
        } else if (length.type() == QTextLength::PercentageLength && length.rawValue() > 0) {
            widths[c] = inner * length.rawValue() / 100;
        }
        if (widths[c] > 0) {
            given += widths[c];
        } else {
            ++open;
        }
    }
    const qreal scale = given > inner ? inner / given : 1;
    const qreal left = open > 0 ? qMax<qreal>(0, inner - given * scale) / open : 0;
    qreal total = 0;
    for (qreal& w : widths) {
        w = qMax(NarrowestLine, w > 0 ? w * scale : left);
        total += w;
    }
    qreal tableX = x;
    const qreal room = width - (total + 2 * outer + (columns + 1) * spacing);
    if (room > 0 && (format.alignment() & Qt::AlignHCenter)) {
        tableX += room / 2;
    } else if (room > 0 && (format.alignment() & Qt::AlignRight)) {
        tableX += room;
    }

    TableGeometry& geometry = tables[table];
    geometry.columnX.resize(columns + 1);
    geometry.columnX[0] = tableX + outer + spacing;
    for (int c = 0; c < columns; ++c) {
        geometry.columnX[c + 1] = geometry.columnX[c] + widths[c] + spacing;
    }
    geometry.rowTop.resize(rows);
    geometry.rowBottom.resize(rows);
    qreal top = y + (firstRow == 0 ? outer : 0) + spacing;
    // Cells spanning rows: the row where each ends and the bottom its content needs.
    QList<QPair<int, qreal>> spans;
    for (int r = firstRow; r < endRow; ++r) {
        geometry.rowTop[r] = top;
        qreal bottom = top + 2 * padding;
        for (int c = 0; c < columns; ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            // A cell spanning several rows or columns is laid out where it starts.
            if (!cell.isValid() || (r > firstRow && table->cellAt(r - 1, c) == cell) ||
                (c > 0 && table->cellAt(r, c - 1) == cell)) {
                continue;
            }
            const int last = qMin(columns, c + qMax(1, cell.columnSpan()));
            const qreal cellWidth = geometry.columnX[last] - spacing - geometry.columnX[c];
            const qreal contentWidth = qMax(NarrowestLine, cellWidth - 2 * padding);
            const qreal height = layoutContents(cell.begin(), geometry.columnX[c] + padding,
                                                top + padding, contentWidth) +
                                 2 * padding;
            if (cell.rowSpan() > 1) {
                spans.append({qMin(endRow - 1, r + cell.rowSpan() - 1), top + height});
            } else {
                bottom = qMax(bottom, top + height);
            }
        }
        for (const auto& span : std::as_const(spans)) {
            if (span.first == r) {
                bottom = qMax(bottom, span.second);
            }
        }
        geometry.rowBottom[r] = bottom + spacing;
        top = geometry.rowBottom[r];
    }
    geometry.left = tableX;
    geometry.right = geometry.columnX[columns] + outer;
    if (firstRow == 0) {
        geometry.top = y;
    }
    const qreal bottom = geometry.rowBottom[endRow - 1] + (endRow == rows ? outer : 0);
    if (endRow == rows) {
        geometry.bottom = bottom;
    }
    return bottom - y;
}

// ---- drawing

void BookDocumentLayout::Private::drawListMarker(QPainter* painter, const QTextBlock& block,
                                                 const QTextLayout* layout,
                                                 const QTextBlockFormat&) const
{
    QTextList* list = block.textList();
    if (!list || layout->lineCount() == 0) {
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
    if (lines.top() > clip.bottom() + PageBreakGap || lines.bottom() < clip.top() - PageBreakGap) {
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

void BookDocumentLayout::Private::drawTable(QPainter* painter, QTextTable* table, int firstRow,
                                            int rowCount, qreal dy, const PaintContext& context,
                                            const QRectF& clip) const
{
    const auto found = tables.constFind(table);
    if (found == tables.constEnd()) {
        return;
    }
    const TableGeometry& geometry = *found;
    const int rows = qMin(table->rows(), int(geometry.rowTop.size()));
    const int columns = qMin(table->columns(), int(geometry.columnX.size()) - 1);
    firstRow = qBound(0, firstRow, rows);
    const int endRow = qBound(firstRow, firstRow + rowCount, rows);
    if (firstRow >= endRow || columns <= 0) {
        return;
    }
    const QTextTableFormat format = table->format();
    const qreal border = qMax<qreal>(0, format.border());
    const qreal spacing = format.borderCollapse() ? 0 : qMax<qreal>(0, format.cellSpacing());
    QColor borderColor = format.borderBrush().style() == Qt::NoBrush
                             ? context.palette.color(QPalette::Dark)
                             : format.borderBrush().color();
    painter->save();
    painter->setPen(border > 0 ? QPen(borderColor, qMax<qreal>(1, border)) : QPen(Qt::NoPen));
    painter->setBrush(Qt::NoBrush);
    // Only the rows in the clip are drawn, from the first row of a cell reaching into it.
    int r = int(std::lower_bound(geometry.rowBottom.begin() + firstRow,
                                 geometry.rowBottom.begin() + endRow, clip.top() - dy) -
                geometry.rowBottom.begin());
    r = qMin(r, endRow - 1);
    for (bool spanned = true; spanned && r > firstRow;) {
        spanned = false;
        for (int c = 0; c < columns && !spanned; ++c) {
            spanned = table->cellAt(r, c) == table->cellAt(r - 1, c);
        }
        r -= spanned ? 1 : 0;
    }
    for (; r < endRow && geometry.rowTop[r] + dy <= clip.bottom(); ++r) {
        for (int c = 0; c < columns; ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (!cell.isValid() || (r > firstRow && table->cellAt(r - 1, c) == cell) ||
                (c > 0 && table->cellAt(r, c - 1) == cell)) {
                continue;
            }
            const int lastColumn = qMin(columns, c + qMax(1, cell.columnSpan()));
            const int lastRow = qMin(endRow, r + qMax(1, cell.rowSpan())) - 1;
            const QRectF rect(QPointF(geometry.columnX[c], geometry.rowTop[r] + dy),
                              QPointF(geometry.columnX[lastColumn] - spacing,
                                      geometry.rowBottom[lastRow] - spacing + dy));
            if (rect.bottom() < clip.top() || rect.top() > clip.bottom()) {
                continue;
            }
            const QBrush background = cell.format().background();
            if (background.style() != Qt::NoBrush) {
                painter->fillRect(rect, background);
            }
            if (border > 0) {
                painter->drawRect(rect);
            }
            painter->save();
            painter->setPen(context.palette.color(QPalette::Text));
            drawContents(painter, cell.begin(), dy, context, clip);
            painter->restore();
        }
    }
    if (border > 0 && !format.borderCollapse()) {
        // The outer frame: its sides along these rows, its top and bottom where the table
        // starts and ends.
        const qreal top = firstRow == 0 ? geometry.top : geometry.rowTop[firstRow] - spacing;
        const qreal bottom = endRow == rows ? geometry.bottom : geometry.rowBottom[endRow - 1];
        const QPointF topLeft(geometry.left, top + dy);
        const QPointF topRight(geometry.right, top + dy);
        const QPointF bottomLeft(geometry.left, bottom + dy);
        const QPointF bottomRight(geometry.right, bottom + dy);
        painter->drawLine(topLeft, bottomLeft);
        painter->drawLine(topRight, bottomRight);
        if (firstRow == 0) {
            painter->drawLine(topLeft, topRight);
        }
        if (endRow == rows) {
            painter->drawLine(bottomLeft, bottomRight);
        }
    }
    painter->restore();
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
    for (int i = d->itemAt(clip.top()); i >= 0 && i < d->itemCount; ++i) {
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

int BookDocumentLayout::Private::hitTable(QTextTable* table, int firstRow, int rowCount,
                                          const QPointF& point, qreal dy,
                                          Qt::HitTestAccuracy accuracy) const
{
    const auto found = tables.constFind(table);
    if (found == tables.constEnd()) {
        return -1;
    }
    const TableGeometry& geometry = *found;
    const int rows = qMin(table->rows(), int(geometry.rowBottom.size()));
    firstRow = qBound(0, firstRow, rows);
    const int endRow = qBound(firstRow, firstRow + rowCount, rows);
    if (firstRow >= endRow) {
        return -1;
    }
    // The first row whose bottom is below the point, or the last.
    const int row =
        qMin(endRow - 1, int(std::upper_bound(geometry.rowBottom.begin() + firstRow,
                                              geometry.rowBottom.begin() + endRow, point.y() - dy) -
                             geometry.rowBottom.begin()));
    int column = 0;
    const int columns = qMin(table->columns(), int(geometry.columnX.size()) - 1);
    while (column + 1 < columns && point.x() >= geometry.columnX[column + 1]) {
        ++column;
    }
    const QTextTableCell cell = table->cellAt(row, column);
    return cell.isValid() ? hitContents(cell.begin(), point, dy, accuracy) : -1;
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
