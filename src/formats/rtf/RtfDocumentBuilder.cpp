#include "formats/rtf/RtfDocumentBuilder.h"

#include <QImage>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextList>
#include <QTextTable>
#include <QUrl>

#include <algorithm>

namespace Rtf {

namespace {
constexpr qsizetype kRunLimit = 1 << 16;
// Wider rows keep their extra cells' text in the last column, separated by tabs.
constexpr int kMaxColumns = 64;
constexpr int kRowBatch = 256;
} // namespace

RtfDocumentBuilder::RtfDocumentBuilder(QTextDocument* document)
    : m_document(document), m_cursor(document)
{
    m_cursor.movePosition(QTextCursor::End);
    m_run.reserve(kRunLimit);
}

void RtfDocumentBuilder::setCharFormat(const QTextCharFormat& format)
{
    if (format != m_format) {
        m_format = format;
    }
}

void RtfDocumentBuilder::beforeContent()
{
    if (m_table) {
        placeInCell();
    }
    if (m_pendingBreak) {
        if (!m_run.isEmpty() && m_runFormat != m_format) {
            flush();
        }
        appendPendingBreak();
    }
    if (m_runFormat != m_format) {
        flush();
        m_runFormat = m_format;
    }
    m_paragraphHasContent = true;
}

void RtfDocumentBuilder::appendText(QStringView text)
{
    if (text.isEmpty()) {
        return;
    }
    beforeContent();
    record(text.size(), m_sourceKind);
    m_run.append(text);
    if (m_run.size() >= kRunLimit) {
        flush();
    }
}

void RtfDocumentBuilder::appendChar(char16_t c)
{
    beforeContent();
    record(1, m_sourceKind);
    m_run.append(QChar(c));
    if (m_run.size() >= kRunLimit) {
        flush();
    }
}

void RtfDocumentBuilder::endParagraph(bool hidden)
{
    if (m_table) {
        placeInCell();
    }
    if (m_pendingBreak) {
        // The paragraph before was empty: it still needs its own block.
        appendPendingBreak();
    }
    m_pendingBreak = true;
    m_breakBegin = m_sourceBegin;
    m_breakEnd = m_sourceEnd;
    m_breakHidden = hidden;
    m_paragraphHasContent = false;
}

void RtfDocumentBuilder::setBlockFormat(const QTextBlockFormat& format)
{
    if (m_table) {
        placeInCell();
    }
    if (m_pendingBreak) {
        // An empty paragraph with a format of its own needs its block now.
        appendPendingBreak();
    }
    flush();
    if (m_cursor.blockFormat() != format) {
        m_cursor.setBlockFormat(format);
    }
}

void RtfDocumentBuilder::setList(int key, const QTextListFormat& format)
{
    if (m_table) {
        return;
    }
    if (m_pendingBreak) {
        appendPendingBreak();
    }
    flush();
    if (QTextList* list = m_lists.value(key)) {
        list->add(m_cursor.block());
    } else {
        m_lists.insert(key, m_cursor.createList(format));
    }
}

void RtfDocumentBuilder::appendPendingBreak()
{
    m_pendingBreak = false;
    if (m_run.isEmpty()) {
        m_runFormat = m_format;
    }
    if (m_map) {
        m_map->add(m_cursor.position() + int(m_run.size()), 1, m_breakBegin, m_breakEnd,
                   SourceSpan::Break);
        if (m_breakHidden && !m_map->spans().empty() &&
            m_map->spans().back().kind == SourceSpan::Break) {
            m_map->spans().back().hidden = true;
        }
    }
    m_run.append(QChar::ParagraphSeparator);
}

void RtfDocumentBuilder::record(qsizetype length, SourceSpan::Kind kind)
{
    if (m_map) {
        m_map->add(m_cursor.position() + int(m_run.size()), int(length), m_sourceBegin, m_sourceEnd,
                   kind);
    }
}

void RtfDocumentBuilder::flush()
{
    if (!m_run.isEmpty()) {
        m_cursor.insertText(m_run, m_runFormat);
        m_run.clear();
    }
}

void RtfDocumentBuilder::setCharProperty(int start, int end, int property, const QVariant& value)
{
    flush();
    if (start < 0 || end > m_cursor.position() || start >= end) {
        return;
    }
    QTextCursor cursor(m_document);
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setProperty(property, value);
    cursor.mergeCharFormat(format);
}

void RtfDocumentBuilder::insertImage(const QImage& image, QString name, double width, double height)
{
    beforeContent();
    flush();
    if (name.isEmpty()) {
        do {
            name = QStringLiteral("rtf-picture-%1").arg(++m_imageCount);
        } while (m_imageNames.contains(name));
    }
    m_imageNames.insert(name);
    record(1, SourceSpan::Picture);
    m_document->addResource(QTextDocument::ImageResource, QUrl(name), QVariant(image));
    QTextImageFormat format;
    format.setName(name);
    if (width > 0 && height > 0) {
        format.setWidth(width);
        format.setHeight(height);
    }
    m_cursor.insertImage(format);
}

void RtfDocumentBuilder::enterTable(int columns, const QList<QTextLength>& widths, int rows)
{
    if (m_table) {
        return;
    }
    // The paragraph before the table is complete; the table starts in a frame of its own.
    flush();
    m_pendingBreak = false;
    QTextTableFormat format;
    format.setBorder(1);
    format.setCellPadding(2);
    format.setCellSpacing(0);
    format.setBorderCollapse(true);
    m_columns = std::clamp(columns, 1, kMaxColumns);
    if (widths.size() == m_columns) {
        format.setColumnWidthConstraints(widths);
    }
    m_rows = std::max(1, rows);
    m_table = m_cursor.insertTable(m_rows, m_columns, format);
    m_cursorCell = 0;
    m_row = 0;
    m_column = 0;
    m_rowEnded = false;
    m_cellMoved = false;
    m_paragraphHasContent = false;
}

void RtfDocumentBuilder::placeInCell()
{
    if (m_rowEnded) {
        ++m_row;
        m_column = 0;
        m_rowEnded = false;
        m_cellMoved = true;
    }
    if (!m_cellMoved) {
        return;
    }
    flush();
    m_cellMoved = false;
    // The table rebuilds its grid after every change of its shape, and asking it for a cell
    // then costs time in its size. So rows are added in batches, and the cursor walks from
    // cell to cell by position: every cell after the current one is still empty, one
    // position each.
    if (m_column >= m_columns && m_columns < kMaxColumns) {
        // Every row gets a cell at its end: what was read into the rows below the first moves
        // on by one place for each row above it.
        std::vector<int> rowEnds;
        if (m_map) {
            for (int row = 0; row < m_row; ++row) {
                rowEnds.push_back(m_table->cellAt(row, m_columns - 1).lastPosition());
            }
        }
        m_table->appendColumns(1);
        if (m_map) {
            m_map->insertPlaces(rowEnds);
        }
        ++m_columns;
        QTextTableFormat format = m_table->format();
        QList<QTextLength> widths = format.columnWidthConstraints();
        if (!widths.isEmpty()) {
            // A cell the row's widths did not name shares what the named ones leave.
            widths.resize(m_columns - 1);
            widths.append(QTextLength());
            format.setColumnWidthConstraints(widths);
            m_table->setFormat(format);
        }
        m_cursor = m_table->cellAt(m_row, m_column).firstCursorPosition();
        m_cursorCell = qint64(m_row) * m_columns + m_column;
        return;
    }
    const int column = std::min(m_column, m_columns - 1);
    if (m_row >= m_rows) {
        // Batches stay small: removing the unused rows at the end costs far more per row.
        m_table->appendRows(kRowBatch);
        m_rows += kRowBatch;
        m_cursor = m_table->cellAt(m_row, column).firstCursorPosition();
    } else {
        const qint64 target = qint64(m_row) * m_columns + column;
        if (target > m_cursorCell) {
            m_cursor.setPosition(m_cursor.position() + int(target - m_cursorCell));
        }
    }
    m_cursorCell = qint64(m_row) * m_columns + column;
    if (column != m_column) {
        // A cell beyond the widest row the table takes joins the last cell.
        m_runFormat = m_format;
        m_run.append(u'\t');
    }
}

void RtfDocumentBuilder::trimTable()
{
    const int used = m_row + 1;
    if (m_rows > used) {
        m_table->removeRows(used, m_rows - used);
        m_rows = used;
    }
}

void RtfDocumentBuilder::endCell()
{
    if (!m_table) {
        return;
    }
    placeInCell();
    flush();
    m_pendingBreak = false;
    m_paragraphHasContent = false;
    ++m_column;
    m_cellMoved = true;
}

void RtfDocumentBuilder::endRow()
{
    if (!m_table) {
        return;
    }
    flush();
    m_pendingBreak = false;
    m_rowEnded = true;
    m_cellMoved = false;
}

void RtfDocumentBuilder::leaveTable()
{
    if (!m_table) {
        return;
    }
    flush();
    trimTable();
    m_table = nullptr;
    m_pendingBreak = false;
    m_cursor.movePosition(QTextCursor::End);
    m_paragraphHasContent = false;
}

void RtfDocumentBuilder::finish()
{
    flush();
    if (m_table) {
        trimTable();
    }
    m_pendingBreak = false;
}

} // namespace Rtf
