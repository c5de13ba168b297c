#include "views/PrintedPages.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QPrinter>
#include <QTextDocument>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("PrintedPages", text);
}

bool fail(QString* error, const QString& text)
{
    if (error) {
        *error = text;
    }
    return false;
}
} // namespace

PrintedPages::PrintedPages(QPrinter* printer, const QFont& numberFont) : m_printer(printer)
{
    if (!printer) {
        return;
    }
    m_numberFont = QFont(numberFont, printer);
    // The painter's origin is the top left of the printable area.
    m_page = printer->pageRect(QPrinter::DevicePixel).size();
    m_margin = printer->logicalDpiY() * 2.0 / 2.54;
    m_body =
        QRectF(m_margin, m_margin, m_page.width() - 2 * m_margin, m_page.height() - 2 * m_margin);
}

PrintedPages::~PrintedPages()
{
    if (m_painter.isActive()) {
        m_painter.end();
    }
}

bool PrintedPages::isUsable(QString* error) const
{
    if (!m_printer || !m_printer->isValid()) {
        return fail(error, tr("There is no printer to print on."));
    }
    if (m_body.width() < m_margin || m_body.height() < m_margin) {
        return fail(error, tr("The paper is too small to print on."));
    }
    return true;
}

void PrintedPages::layOut(QTextDocument* document) const
{
    document->documentLayout()->setPaintDevice(m_printer);
    document->setPageSize(m_body.size());
}

bool PrintedPages::wanted(int number) const
{
    if (m_printer->printRange() != QPrinter::PageRange || m_printer->pageRanges().isEmpty()) {
        return true;
    }
    return m_printer->pageRanges().contains(number);
}

bool PrintedPages::rangeDone() const
{
    if (m_printer->printRange() != QPrinter::PageRange || m_printer->pageRanges().isEmpty()) {
        return false;
    }
    return m_counted >= m_printer->pageRanges().lastPage();
}

bool PrintedPages::print(QTextDocument* document, QString* error)
{
    const int pages = document->pageCount();
    for (int index = 0; index < pages; ++index) {
        const int number = ++m_counted;
        if (!wanted(number)) {
            continue;
        }
        if (!m_painter.isActive()) {
            if (!m_painter.begin(m_printer)) {
                return fail(error, tr("The printer could not be started."));
            }
        } else if (!m_printer->newPage()) {
            return fail(error, tr("The printer stopped after %1 pages.").arg(m_drawn));
        }
        ++m_drawn;
        const QRectF shown(0, index * m_body.height(), m_body.width(), m_body.height());
        m_painter.save();
        m_painter.setClipRect(m_body);
        m_painter.translate(m_body.left(), m_body.top() - shown.top());
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = shown;
        document->documentLayout()->draw(&m_painter, context);
        m_painter.restore();
        m_painter.setFont(m_numberFont);
        m_painter.drawText(QRectF(0, m_page.height() - m_margin, m_page.width(), m_margin),
                           Qt::AlignCenter, QString::number(number));
    }
    return true;
}

bool PrintedPages::finish(QString* error)
{
    if (m_drawn == 0) {
        if (m_printer->printRange() != QPrinter::PageRange) {
            return fail(error, tr("There was nothing to print."));
        }
        const QPageRanges range = m_printer->pageRanges();
        const QString size = m_counted == 1 ? tr("The book has one page")
                                            : tr("The book has %1 pages").arg(m_counted);
        return fail(error, tr("%1, so there is nothing to print from page %2 to page %3.")
                               .arg(size)
                               .arg(range.firstPage())
                               .arg(range.lastPage()));
    }
    if (!m_painter.end()) {
        return fail(error, tr("The printer could not finish the book."));
    }
    return true;
}
