#pragma once

// What the book view's layout keeps between calls, shared by its parts: the structure and
// estimates (BookDocumentLayout.cpp), tables (BookLayoutTables.cpp), drawing
// (BookLayoutDrawing.cpp) and hit-testing (BookLayoutHitTest.cpp).
#include "views/BookDocumentLayout.h"
#include "views/HeightIndex.h"

#include <QFont>
#include <QHash>
#include <QPointF>
#include <QString>
#include <QTextBlock>
#include <QTextFrame>
#include <QTextLayout>

#include <unordered_map>
#include <vector>

class QTextTable;
class QTextTableCellFormat;

namespace BookLayout {
// Room a page break takes on screen; a thin rule is drawn across its middle.
inline constexpr qreal PageBreakGap = 24;
// Narrowest line a paragraph or cell is given, however deep its indents.
inline constexpr qreal NarrowestLine = 16;
// Width laid out before a view has given the document its width.
inline constexpr qreal WidthWithoutView = 600;

inline qreal lineAdvance(const QTextBlockFormat& format, const QTextLine& line)
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

inline bool breaksBefore(const QTextBlockFormat& format)
{
    return format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore;
}

inline bool breaksAfter(const QTextBlockFormat& format)
{
    return format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysAfter;
}

// The room a box's borders and padding take on each side of a paragraph, for paragraphs in a
// box (the book's style draws borders around them).
struct BoxInsets
{
    bool boxed = false;
    bool first = false; // the box's first paragraph: it holds the top border
    bool last = false;  // and its last: the bottom one
    qreal top = 0;
    qreal right = 0;
    qreal bottom = 0;
    qreal left = 0;
};

// The room a floating figure takes beside the text that flows along it.
struct FloatRoom
{
    int side = 0; // Qt::AlignLeft or Qt::AlignRight; 0 for no figure
    qreal width = 0;
    qreal height = 0;
};

// A run of characters shown with ruby, its annotation in small type above them.
struct RubyRun
{
    int start = 0; // in the block
    int end = 0;
    QString annotation;
    QFont font; // the annotation's
};

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
} // namespace BookLayout

struct BookDocumentLayout::Private
{
    using TableGeometry = BookLayout::TableGeometry;
    using Item = BookLayout::Item;
    using Part = BookLayout::Part;
    using RowRun = BookLayout::RowRun;

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
    // The box around each laid-out paragraph in one, relative to its layout's position.
    QHash<const QTextLayout*, QRectF> boxes;
    // The look asked for, and the one the heights were estimated with.
    BookLook look;
    BookLook estimatedLook;

    qreal textWidth() const
    {
        const qreal width = pageWidth > 0 ? pageWidth : BookLayout::WidthWithoutView;
        return qMax(BookLayout::NarrowestLine * 4, width - 2 * margin);
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
    // Gives the paragraph's lines the look's zoom and readable colours (BookLayoutLook.cpp).
    void applyLook(const QTextBlock& block, QTextLayout* layout) const;
    // The look's line spacing for a paragraph of this format (1 where it sets its own).
    qreal lineSpacingOf(const QTextBlockFormat& format) const;
    qreal layoutContents(QTextFrame::iterator it, qreal x, qreal y, qreal width);
    // Lays out rowCount rows from firstRow; returns their height.
    qreal layoutTable(QTextTable* table, int firstRow, int rowCount, qreal x, qreal y, qreal width);

    static BookLayout::BoxInsets boxInsets(const QTextBlockFormat& format);
    // The pictures of a paragraph that holds floating pictures alone (a figure), or nothing.
    static BookLayout::FloatRoom floatOf(const QTextBlock& block);
    // The room a figure takes beside the next paragraph, laid out at this width; nothing when
    // the paragraph does not flow beside it (then the figure stands on its own).
    static BookLayout::FloatRoom floatBeside(const QTextBlock& figure, const QTextBlock& next,
                                             qreal width);
    // The block's runs of ruby, their annotations' fonts scaled by the look's zoom.
    std::vector<BookLayout::RubyRun> rubyRuns(const QTextBlock& block) const;
    // The room the ruby of a line needs above it (0 for a line without any).
    static qreal rubyRoom(const std::vector<BookLayout::RubyRun>& runs, const QTextLine& line);
    void drawBox(QPainter* painter, const QTextBlock& block) const;
    void drawRuby(QPainter* painter, const QTextBlock& block) const;
    // A colour the book gives a border, kept readable on the look's background.
    QColor borderColour(const QColor& given) const;

    void drawBlock(QPainter* painter, const QTextBlock& block, const PaintContext& context,
                   const QRectF& clip) const;
    void drawContents(QPainter* painter, QTextFrame::iterator it, qreal dy,
                      const PaintContext& context, const QRectF& clip) const;
    void drawTable(QPainter* painter, QTextTable* table, int firstRow, int rowCount, qreal dy,
                   const PaintContext& context, const QRectF& clip) const;
    // text: the colour of a border the format gives none.
    void drawCellBorders(QPainter* painter, const QRectF& rect, const QTextTableCellFormat& format,
                         const QColor& text) const;
    void drawDoubleUnderlines(QPainter* painter, const QTextBlock& block) const;
    void drawListMarker(QPainter* painter, const QTextBlock& block, const QTextLayout* layout,
                        const QTextBlockFormat& format) const;

    int hitBlock(const QTextBlock& block, const QPointF& point, Qt::HitTestAccuracy accuracy) const;
    int hitContents(QTextFrame::iterator it, const QPointF& point, qreal dy,
                    Qt::HitTestAccuracy accuracy) const;
    int hitTable(QTextTable* table, int firstRow, int rowCount, const QPointF& point, qreal dy,
                 Qt::HitTestAccuracy accuracy) const;
};
