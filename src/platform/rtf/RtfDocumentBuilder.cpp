#include "platform/rtf/RtfDocumentBuilder.h"

#include <QImage>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextTable>
#include <QUrl>

namespace Rtf {

namespace {
constexpr qsizetype kRunLimit = 1 << 16;
}

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
        m_pendingBreak = false;
        if (!m_run.isEmpty() && m_runFormat != m_format) {
            flush();
        }
        if (m_run.isEmpty()) {
            m_runFormat = m_format;
        }
        m_run.append(QChar::ParagraphSeparator);
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
    m_run.append(text);
    if (m_run.size() >= kRunLimit) {
        flush();
    }
}

void RtfDocumentBuilder::appendChar(char16_t c)
{
    beforeContent();
    m_run.append(QChar(c));
    if (m_run.size() >= kRunLimit) {
        flush();
    }
}

void RtfDocumentBuilder::endParagraph()
{
    if (m_table) {
        placeInCell();
    }
    if (m_pendingBreak) {
        // The paragraph before was empty: it still needs its own block.
        m_pendingBreak = false;
        if (m_run.isEmpty()) {
            m_runFormat = m_format;
        }
        m_run.append(QChar::ParagraphSeparator);
    }
    m_pendingBreak = true;
    m_paragraphHasContent = false;
}

void RtfDocumentBuilder::setBlockFormat(const QTextBlockFormat& format)
{
    if (m_table) {
        placeInCell();
    }
    if (m_pendingBreak) {
        // An empty paragraph with a format of its own needs its block now.
        m_pendingBreak = false;
        if (m_run.isEmpty()) {
            m_runFormat = m_format;
        }
        m_run.append(QChar::ParagraphSeparator);
    }
    flush();
    if (m_cursor.blockFormat() != format) {
        m_cursor.setBlockFormat(format);
    }
}

void RtfDocumentBuilder::flush()
{
    if (!m_run.isEmpty()) {
        m_cursor.insertText(m_run, m_runFormat);
        m_run.clear();
    }
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
    m_document->addResource(QTextDocument::ImageResource, QUrl(name), QVariant(image));
    QTextImageFormat format;
    format.setName(name);
    if (width > 0 && height > 0) {
        format.setWidth(width);
        format.setHeight(height);
    }
    m_cursor.insertImage(format);
}

void RtfDocumentBuilder::enterTable(int columns)
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
    m_table = m_cursor.insertTable(1, std::clamp(columns, 1, 64), format);
    m_row = 0;
    m_column = 0;
    m_rowEnded = false;
    m_cellMoved = false;
    m_paragraphHasContent = false;
}

void RtfDocumentBuilder::placeInCell()
{
    if (m_rowEnded) {
        flush();
        m_table->appendRows(1);
        ++m_row;
        m_column = 0;
        m_rowEnded = false;
        m_cellMoved = true;
    }
    if (m_cellMoved) {
        flush();
        if (m_column >= m_table->columns()) {
            m_table->appendColumns(1);
        }
        m_cursor = m_table->cellAt(m_row, m_column).firstCursorPosition();
        m_cellMoved = false;
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
    m_table = nullptr;
    m_pendingBreak = false;
    m_cursor.movePosition(QTextCursor::End);
    m_paragraphHasContent = false;
}

void RtfDocumentBuilder::finish()
{
    flush();
    m_pendingBreak = false;
}

} // namespace Rtf
