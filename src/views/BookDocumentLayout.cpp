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
// top-level paragraph or table that holds it (add that item's place).
struct TableGeometry
{
    QList<qreal> columnX; // columns + 1 entries
    QList<qreal> rowY;    // rows + 1 entries
    qreal left = 0;
    qreal right = 0;
    qreal top = 0;
    qreal bottom = 0;
};

// A paragraph at the top level, or a whole table (with everything nested in it).
struct Item
{
    int firstBlock = 0;
    int blockCount = 1;
    QTextFrame* frame = nullptr;
    int length = 0;
    int formatIndex = -1;
    double placedY = 0;
    bool laidOut = false;
};
} // namespace

struct BookDocumentLayout::Private
{
    BookDocumentLayout* q = nullptr;
    QTextDocument* doc = nullptr;
    std::vector<Item> items;
    std::vector<int> itemOfBlock;
    HeightIndex heights;
    QHash<const QTextFrame*, TableGeometry> tables;
    int blockCount = -1;
    qsizetype frameCount = -1;
    int laidOutCount = 0;
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
    void resetHeights();
    bool readSignature();
    // Remembers the extra height and lost width of the block's paragraph format.
    void noteFormat(const QTextBlock& block);
    double estimate(const Item& item);
    void ensure(int index);
    void place(int index);
    QTextBlock blockOf(int number) const { return doc->findBlockByNumber(number); }

    qreal layoutBlock(const QTextBlock& block, qreal x, qreal y, qreal width);
    qreal layoutContents(QTextFrame::iterator it, qreal x, qreal y, qreal width);
    qreal layoutTable(QTextTable* table, qreal x, qreal y, qreal width);

    void drawBlock(QPainter* painter, const QTextBlock& block, const PaintContext& context,
                   const QRectF& clip) const;
    void drawContents(QPainter* painter, QTextFrame::iterator it, qreal dy,
                      const PaintContext& context, const QRectF& clip) const;
    void drawTable(QPainter* painter, QTextTable* table, qreal dy, const PaintContext& context,
                   const QRectF& clip) const;
    void drawDoubleUnderlines(QPainter* painter, const QTextBlock& block) const;
    void drawListMarker(QPainter* painter, const QTextBlock& block, const QTextLayout* layout,
                        const QTextBlockFormat& format) const;

    int hitBlock(const QTextBlock& block, const QPointF& point, Qt::HitTestAccuracy accuracy) const;
    int hitContents(QTextFrame::iterator it, const QPointF& point, qreal dy,
                    Qt::HitTestAccuracy accuracy) const;
    int hitTable(QTextTable* table, const QPointF& point, qreal dy,
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
    auto nextFrame = [&] {
        if (frameIndex < frames.size()) {
            frameFirst = doc->findBlock(frames[frameIndex]->firstPosition()).blockNumber();
            frameLast = doc->findBlock(frames[frameIndex]->lastPosition()).blockNumber();
            frameLast = qMax(frameFirst, frameLast);
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
            if (items.empty() || items.back().frame != frame) {
                Item item;
                item.firstBlock = number;
                item.blockCount = 0;
                item.frame = frame;
                items.push_back(item);
            }
            items.back().blockCount++;
            items.back().length += block.length();
            itemOfBlock[size_t(number)] = int(items.size() - 1);
            if (number >= frameLast) {
                ++frameIndex;
                nextFrame();
            }
            continue;
        }
        Item item;
        item.firstBlock = number;
        item.length = block.length();
        item.formatIndex = block.blockFormatIndex();
        noteFormat(block);
        items.push_back(item);
        itemOfBlock[size_t(number)] = int(items.size() - 1);
    }
    readSignature();
    resetHeights();
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

double BookDocumentLayout::Private::estimate(const Item& item)
{
    const qreal width = textWidth();
    if (item.frame) {
        const auto* table = qobject_cast<QTextTable*>(item.frame);
        const int rows = table ? table->rows() : item.blockCount;
        const qreal wrapped = std::ceil(item.length * charWidth / width);
        return (rows + wrapped) * lineHeight;
    }
    const QPointF extra = formatExtra.value(item.formatIndex);
    const qreal lineWidth = qMax(NarrowestLine, width - extra.x());
    const qreal lines = qMax<qreal>(1, std::ceil((item.length - 1) * charWidth / lineWidth));
    return extra.y() + lines * lineHeight;
}

void BookDocumentLayout::Private::resetHeights()
{
    std::vector<double> estimates(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        items[i].laidOut = false;
        estimates[i] = estimate(items[i]);
    }
    heights.assign(std::move(estimates));
    tables.clear();
    laidOutCount = 0;
}

// ---- laying out

void BookDocumentLayout::Private::ensure(int index)
{
    Item& item = items[size_t(index)];
    if (!item.laidOut) {
        const double oldHeight = heights.height(index);
        const double oldBottom = itemTop(index) + oldHeight;
        qreal height = 0;
        if (auto* table = qobject_cast<QTextTable*>(item.frame)) {
            height = layoutTable(table, margin, 0, textWidth());
        } else if (item.frame) {
            height = layoutContents(item.frame->begin(), margin, 0, textWidth());
        } else {
            height = layoutBlock(blockOf(item.firstBlock), margin, 0, textWidth());
        }
        item.placedY = 0;
        item.laidOut = true;
        ++laidOutCount;
        heights.setHeight(index, height);
        if (height != oldHeight) {
            emit q->documentSizeChanged(q->documentSize());
            emit q->heightChangedAbove(oldBottom, height - oldHeight);
        }
    }
    place(index);
}

void BookDocumentLayout::Private::place(int index)
{
    Item& item = items[size_t(index)];
    const double y = itemTop(index);
    const double dy = y - item.placedY;
    if (dy == 0) {
        return;
    }
    QTextBlock block = blockOf(item.firstBlock);
    for (int i = 0; i < item.blockCount && block.isValid(); ++i, block = block.next()) {
        QTextLayout* layout = block.layout();
        layout->setPosition(layout->position() + QPointF(0, dy));
    }
    item.placedY = y;
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
                y += layoutTable(table, x, y, width);
            } else {
                y += layoutContents(frame->begin(), x, y, width);
            }
        } else if (it.currentBlock().isValid()) {
            y += layoutBlock(it.currentBlock(), x, y, width);
        }
    }
    return y - top;
}

qreal BookDocumentLayout::Private::layoutTable(QTextTable* table, qreal x, qreal y, qreal width)
{
    const int rows = table->rows();
    const int columns = table->columns();
    if (rows <= 0 || columns <= 0) {
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

    TableGeometry geometry;
    geometry.columnX.resize(columns + 1);
    geometry.columnX[0] = tableX + outer + spacing;
    for (int c = 0; c < columns; ++c) {
        geometry.columnX[c + 1] = geometry.columnX[c] + widths[c] + spacing;
    }
    geometry.rowY.resize(rows + 1);
    geometry.rowY[0] = y + outer + spacing;
    // Cells spanning rows: the row where each ends and the bottom its content needs.
    QList<QPair<int, qreal>> spans;
    for (int r = 0; r < rows; ++r) {
        qreal bottom = geometry.rowY[r] + 2 * padding;
        for (int c = 0; c < columns; ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (!cell.isValid() || cell.row() != r || cell.column() != c) {
                continue;
            }
            const int last = qMin(columns, c + qMax(1, cell.columnSpan()));
            const qreal cellWidth = geometry.columnX[last] - spacing - geometry.columnX[c];
            const qreal contentWidth = qMax(NarrowestLine, cellWidth - 2 * padding);
            const qreal height = layoutContents(cell.begin(), geometry.columnX[c] + padding,
                                                geometry.rowY[r] + padding, contentWidth) +
                                 2 * padding;
            if (cell.rowSpan() > 1) {
                spans.append({qMin(rows - 1, r + cell.rowSpan() - 1), geometry.rowY[r] + height});
            } else {
                bottom = qMax(bottom, geometry.rowY[r] + height);
            }
        }
        for (const auto& span : std::as_const(spans)) {
            if (span.first == r) {
                bottom = qMax(bottom, span.second);
            }
        }
        geometry.rowY[r + 1] = bottom + spacing;
    }
    geometry.left = tableX;
    geometry.right = geometry.columnX[columns] + outer;
    geometry.top = y;
    geometry.bottom = geometry.rowY[rows] + outer;
    tables.insert(table, geometry);
    return geometry.bottom - y;
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
    QFont font = block.charFormat().font();
    if (!block.begin().atEnd()) {
        font = block.begin().fragment().charFormat().font();
    }
    const QFontMetricsF metrics(font);
    const qreal baseline = layout->position().y() + first.y() + first.ascent();
    const qreal textX = layout->position().x() + first.x();
    const qreal gap = metrics.horizontalAdvance(QLatin1Char(' '));
    painter->save();
    painter->setFont(font);
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
                drawTable(painter, table, dy, context, clip);
            } else {
                drawContents(painter, frame->begin(), dy, context, clip);
            }
        } else if (it.currentBlock().isValid()) {
            drawBlock(painter, it.currentBlock(), context, clip);
        }
    }
}

void BookDocumentLayout::Private::drawTable(QPainter* painter, QTextTable* table, qreal dy,
                                            const PaintContext& context, const QRectF& clip) const
{
    const auto found = tables.constFind(table);
    if (found == tables.constEnd()) {
        return;
    }
    const TableGeometry& geometry = *found;
    const QTextTableFormat format = table->format();
    const qreal border = qMax<qreal>(0, format.border());
    const qreal spacing = format.borderCollapse() ? 0 : qMax<qreal>(0, format.cellSpacing());
    QColor borderColor = format.borderBrush().style() == Qt::NoBrush
                             ? context.palette.color(QPalette::Dark)
                             : format.borderBrush().color();
    painter->save();
    painter->setPen(border > 0 ? QPen(borderColor, qMax<qreal>(1, border)) : QPen(Qt::NoPen));
    painter->setBrush(Qt::NoBrush);
    const int rows = table->rows();
    const int columns = table->columns();
    for (int r = 0; r < rows && r + 1 < geometry.rowY.size(); ++r) {
        for (int c = 0; c < columns; ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (!cell.isValid() || cell.row() != r || cell.column() != c) {
                continue;
            }
            const int lastColumn = qMin(columns, c + qMax(1, cell.columnSpan()));
            const int lastRow = qMin(rows, r + qMax(1, cell.rowSpan()));
            const QRectF rect(QPointF(geometry.columnX[c], geometry.rowY[r] + dy),
                              QPointF(geometry.columnX[lastColumn] - spacing,
                                      geometry.rowY[lastRow] - spacing + dy));
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
        painter->drawRect(QRectF(QPointF(geometry.left, geometry.top + dy),
                                 QPointF(geometry.right, geometry.bottom + dy)));
    }
    painter->restore();
}

void BookDocumentLayout::draw(QPainter* painter, const PaintContext& context)
{
    if (d->items.empty()) {
        return;
    }
    const QRectF clip = context.clip.isValid() ? context.clip : QRectF(QPointF(), documentSize());
    layoutRange(clip.top(), clip.bottom());
    painter->save();
    painter->setPen(context.palette.color(QPalette::Text));
    for (int i = d->itemAt(clip.top()); i >= 0 && i < int(d->items.size()); ++i) {
        if (d->itemTop(i) > clip.bottom()) {
            break;
        }
        d->ensure(i);
        const Item& item = d->items[size_t(i)];
        if (auto* table = qobject_cast<QTextTable*>(item.frame)) {
            d->drawTable(painter, table, item.placedY, context, clip);
        } else if (item.frame) {
            d->drawContents(painter, item.frame->begin(), item.placedY, context, clip);
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
            found = hitTable(table, point, dy, accuracy);
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

int BookDocumentLayout::Private::hitTable(QTextTable* table, const QPointF& point, qreal dy,
                                          Qt::HitTestAccuracy accuracy) const
{
    const auto found = tables.constFind(table);
    if (found == tables.constEnd()) {
        return -1;
    }
    const TableGeometry& geometry = *found;
    int row = 0;
    while (row + 1 < table->rows() && point.y() >= geometry.rowY[row + 1] + dy) {
        ++row;
    }
    int column = 0;
    while (column + 1 < table->columns() && point.x() >= geometry.columnX[column + 1]) {
        ++column;
    }
    const QTextTableCell cell = table->cellAt(row, column);
    return cell.isValid() ? hitContents(cell.begin(), point, dy, accuracy) : -1;
}

int BookDocumentLayout::hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const
{
    if (d->items.empty()) {
        return -1;
    }
    const int index = d->itemAt(point.y());
    d->ensure(index);
    const Item& item = d->items[size_t(index)];
    if (auto* table = qobject_cast<QTextTable*>(item.frame)) {
        return d->hitTable(table, point, item.placedY, accuracy);
    }
    if (item.frame) {
        return d->hitContents(item.frame->begin(), point, item.placedY, accuracy);
    }
    return d->hitBlock(d->blockOf(item.firstBlock), point, accuracy);
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
    if (number < 0 || size_t(number) >= d->itemOfBlock.size()) {
        return {};
    }
    const int index = d->itemOfBlock[size_t(number)];
    d->ensure(index);
    const auto found = d->tables.constFind(frame);
    if (found == d->tables.constEnd()) {
        return {};
    }
    const qreal dy = d->items[size_t(index)].placedY;
    return {QPointF(found->left, found->top + dy), QPointF(found->right, found->bottom + dy)};
}

QRectF BookDocumentLayout::blockBoundingRect(const QTextBlock& block) const
{
    if (!block.isValid() || block.document() != d->doc) {
        return {};
    }
    const int number = block.blockNumber();
    if (number < 0 || size_t(number) >= d->itemOfBlock.size()) {
        return {};
    }
    d->ensure(d->itemOfBlock[size_t(number)]);
    const QTextLayout* layout = block.layout();
    const QRectF lines = layout->boundingRect();
    return {layout->position(), QSizeF(qMax<qreal>(1, lines.right()), lines.bottom())};
}

void BookDocumentLayout::layoutRange(qreal top, qreal bottom) const
{
    const int count = int(d->items.size());
    for (int i = qMax(0, d->itemAt(top)); i < count && d->itemTop(i) <= bottom; ++i) {
        d->ensure(i);
    }
}

void BookDocumentLayout::layoutAbove(const QTextBlock& block, qreal height) const
{
    const int number = block.blockNumber();
    if (number < 0 || size_t(number) >= d->itemOfBlock.size()) {
        return;
    }
    qreal covered = 0;
    for (int i = d->itemOfBlock[size_t(number)] - 1; i >= 0 && covered < height; --i) {
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
    return int(d->items.size());
}

int BookDocumentLayout::laidOutItemCount() const
{
    return d->laidOutCount;
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
        const int lastNumber = qMin(last.blockNumber(), int(d->itemOfBlock.size()) - 1);
        for (int number = qMax(0, first.blockNumber()); number <= lastNumber;) {
            Item& item = d->items[size_t(d->itemOfBlock[size_t(number)])];
            if (!item.frame) {
                const QTextBlock block = d->blockOf(item.firstBlock);
                item.length = block.length();
                item.formatIndex = block.blockFormatIndex();
                d->noteFormat(block);
            }
            if (item.laidOut) {
                item.laidOut = false;
                --d->laidOutCount;
            }
            number = item.firstBlock + qMax(1, item.blockCount);
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
