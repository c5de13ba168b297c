// Tables in the book view's layout: columns and rows laid out a run of rows at a time, drawn
// as grids, and hit-tested by row and column.
#include "views/BookDocumentLayoutPrivate.h"

#include <QPainter>
#include <QTextDocument>
#include <QTextTable>

#include <algorithm>

using namespace BookLayout;

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
            drawCellBorders(painter, rect, cell.format().toTableCellFormat(),
                            context.palette.color(QPalette::Text));
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

void BookDocumentLayout::Private::drawCellBorders(QPainter* painter, const QRectF& rect,
                                                  const QTextTableCellFormat& format,
                                                  const QColor& text) const
{
    // The borders a book's style gives a cell (calibre's tables have no border of their own,
    // only their cells), each on its side of the cell.
    struct Side
    {
        qreal width;
        QTextFrameFormat::BorderStyle style;
        QBrush brush;
        QLineF line;
    };
    const Side sides[4] = {{format.topBorder(), format.topBorderStyle(), format.topBorderBrush(),
                            QLineF(rect.topLeft(), rect.topRight())},
                           {format.rightBorder(), format.rightBorderStyle(),
                            format.rightBorderBrush(), QLineF(rect.topRight(), rect.bottomRight())},
                           {format.bottomBorder(), format.bottomBorderStyle(),
                            format.bottomBorderBrush(),
                            QLineF(rect.bottomLeft(), rect.bottomRight())},
                           {format.leftBorder(), format.leftBorderStyle(), format.leftBorderBrush(),
                            QLineF(rect.topLeft(), rect.bottomLeft())}};
    for (const Side& side : sides) {
        if (side.width <= 0 || side.style == QTextFrameFormat::BorderStyle_None) {
            continue;
        }
        const QColor color =
            side.brush.style() == Qt::NoBrush ? text : borderColour(side.brush.color());
        QPen pen(color, qMin<qreal>(side.width, 40));
        pen.setCapStyle(Qt::FlatCap);
        if (side.style == QTextFrameFormat::BorderStyle_Dotted) {
            pen.setStyle(Qt::DotLine);
        } else if (side.style == QTextFrameFormat::BorderStyle_Dashed) {
            pen.setStyle(Qt::DashLine);
        }
        painter->save();
        painter->setPen(pen);
        painter->drawLine(side.line);
        painter->restore();
    }
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
