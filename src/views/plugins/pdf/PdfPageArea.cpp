#include "views/plugins/pdf/PdfPageArea.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace {
constexpr int Margin = 8;
constexpr int Spacing = 10;
// Rendered pages kept for drawing again.
constexpr int CachedPages = 8;
// Pages searched between two turns of the event loop.
constexpr int PagesPerSearchStep = 8;
} // namespace

PdfPageArea::PdfPageArea(QPdfDocument* document, PdfViewHost* host, QWidget* parent)
    : QAbstractScrollArea(parent), m_document(document), m_host(host)
{
    setObjectName(QStringLiteral("pdfPages"));
    setAccessibleName(tr("PDF pages"));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(40);
    horizontalScrollBar()->setSingleStep(40);
    m_searchTimer.setInterval(0);
    connect(&m_searchTimer, &QTimer::timeout, this, &PdfPageArea::searchSome);
}

qreal PdfPageArea::scale() const
{
    return logicalDpiY() / 72.0 * m_zoom;
}

void PdfPageArea::reset()
{
    m_cache.clear();
    m_cacheOrder.clear();
    m_pages.clear();
    m_currentPage = 0;
    find(QString());
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    layOut();
    verticalScrollBar()->setValue(0);
    updateCurrentPage();
}

void PdfPageArea::layOut()
{
    const int count = m_document->pageCount();
    // Where the reader is: a page and how far down it, kept across the new sizes.
    const int topPage = m_currentPage;
    qreal down = 0;
    if (topPage >= 0 && topPage < m_pages.size() && m_pages[topPage].height() > 0) {
        down = (verticalScrollBar()->value() - m_pages[topPage].top()) /
               qreal(m_pages[topPage].height());
    }
    QSizeF largest(1, 1);
    for (int page = 0; page < count; ++page) {
        largest = largest.expandedTo(m_document->pagePointSize(page));
    }
    const qreal dpi = logicalDpiY() / 72.0;
    const QSize room = viewport()->size() - QSize(2 * Margin, 2 * Margin);
    const qreal widthFit = qMax(1, room.width()) / (largest.width() * dpi);
    switch (m_fit) {
    case Fit::None:
        m_zoom = m_factor;
        break;
    case Fit::Width:
        m_zoom = widthFit;
        break;
    case Fit::Page:
        m_zoom = qMin(widthFit, qMax(1, room.height()) / (largest.height() * dpi));
        break;
    }
    m_zoom = std::clamp<qreal>(m_zoom, 0.1, 8);
    const qreal s = scale();
    m_pages.resize(count);
    int y = Margin;
    int widest = 0;
    for (int page = 0; page < count; ++page) {
        const QSizeF points = m_document->pagePointSize(page);
        const QSize size(qMax(1, qRound(points.width() * s)), qMax(1, qRound(points.height() * s)));
        m_pages[page] = QRect(QPoint(0, y), size);
        y += size.height() + Spacing;
        widest = qMax(widest, size.width());
    }
    m_content = QSize(widest + 2 * Margin, count > 0 ? y - Spacing + Margin : 0);
    // Pages narrower than the widest are centred.
    const int contentWidth = qMax(m_content.width(), viewport()->width());
    for (QRect& rect : m_pages) {
        rect.moveLeft((contentWidth - rect.width()) / 2);
    }
    verticalScrollBar()->setRange(0, qMax(0, m_content.height() - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
    horizontalScrollBar()->setRange(0, qMax(0, m_content.width() - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    if (topPage >= 0 && topPage < m_pages.size()) {
        verticalScrollBar()->setValue(m_pages[topPage].top() +
                                      qRound(down * m_pages[topPage].height()));
    }
    // Pictures of the old size are no use now.
    m_cache.clear();
    m_cacheOrder.clear();
    viewport()->update();
    if (m_host) {
        m_host->zoomChanged(m_zoom);
    }
}

QRect PdfPageArea::pageRect(int page) const
{
    return m_pages.value(page).translated(-horizontalScrollBar()->value(),
                                          -verticalScrollBar()->value());
}

void PdfPageArea::goToPage(int page)
{
    if (page < 0 || page >= m_pages.size()) {
        return;
    }
    verticalScrollBar()->setValue(m_pages[page].top() - Margin);
    // A page too near the end to come to the top is still the one being read.
    m_currentPage = page;
    if (m_host) {
        m_host->pageChanged(page);
    }
}

void PdfPageArea::setZoom(Fit fit, qreal factor)
{
    m_fit = fit;
    if (factor > 0) {
        m_factor = factor;
    }
    layOut();
}

void PdfPageArea::setColours(bool inverted, const QColor& background)
{
    if (inverted != m_inverted) {
        m_cache.clear();
        m_cacheOrder.clear();
    }
    m_inverted = inverted;
    m_background = background;
    viewport()->update();
}

QImage PdfPageArea::pageImage(int page, const QSize& size)
{
    auto found = m_cache.find(page);
    if (found != m_cache.end() && found->size() == size) {
        m_cacheOrder.removeOne(page);
        m_cacheOrder.append(page);
        return *found;
    }
    QPdfDocumentRenderOptions options;
    options.setRenderFlags(QPdfDocumentRenderOptions::RenderFlag::Annotations);
    QImage image = m_document->render(page, size, options);
    if (image.isNull()) {
        return image;
    }
    // Pages are drawn on white paper: a page without a background of its own would show
    // the area's colour through it.
    if (image.hasAlphaChannel()) {
        QImage paper(image.size(), QImage::Format_ARGB32_Premultiplied);
        paper.fill(Qt::white);
        QPainter painter(&paper);
        painter.drawImage(0, 0, image);
        painter.end();
        image = paper;
    }
    if (m_inverted) {
        image.invertPixels(QImage::InvertRgb);
    }
    m_cache.insert(page, image);
    m_cacheOrder.removeOne(page);
    m_cacheOrder.append(page);
    while (m_cacheOrder.size() > CachedPages) {
        m_cache.remove(m_cacheOrder.takeFirst());
    }
    return image;
}

void PdfPageArea::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.fillRect(event->rect(), m_background);
    const int top = verticalScrollBar()->value() + event->rect().top();
    const int bottom = verticalScrollBar()->value() + event->rect().bottom();
    // The first page that reaches the area's top, found by halving.
    const auto first = std::lower_bound(m_pages.cbegin(), m_pages.cend(), top,
                                        [](const QRect& r, int y) { return r.bottom() < y; });
    const qreal s = scale();
    const QColor found = m_inverted ? QColor(40, 90, 220, 110) : QColor(255, 210, 0, 110);
    const QColor current = m_inverted ? QColor(0, 140, 255, 150) : QColor(255, 120, 0, 150);
    for (auto it = first; it != m_pages.cend() && it->top() <= bottom; ++it) {
        const int page = int(it - m_pages.cbegin());
        const QRect rect = pageRect(page);
        const QImage image = pageImage(page, rect.size());
        if (image.isNull()) {
            painter.fillRect(rect, m_inverted ? Qt::black : Qt::white);
        } else {
            painter.drawImage(rect.topLeft(), image);
        }
        for (int i = 0; i < m_matches.size(); ++i) {
            if (m_matches[i].page != page) {
                continue;
            }
            for (const QRectF& box : m_matches[i].boxes) {
                const QRectF shown(rect.topLeft() + box.topLeft() * s, box.size() * s);
                painter.fillRect(shown, i == m_currentMatch ? current : found);
            }
        }
    }
}

void PdfPageArea::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    layOut();
}

void PdfPageArea::scrollContentsBy(int dx, int dy)
{
    Q_UNUSED(dx);
    Q_UNUSED(dy);
    viewport()->update();
    updateCurrentPage();
}

void PdfPageArea::keyPressEvent(QKeyEvent* event)
{
    // Home and End go to the book's first and last page, as in the other views.
    if (event->key() == Qt::Key_Home && event->modifiers() == Qt::NoModifier) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
        return;
    }
    if (event->key() == Qt::Key_End && event->modifiers() == Qt::NoModifier) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void PdfPageArea::updateCurrentPage()
{
    if (m_pages.isEmpty()) {
        return;
    }
    // The page that holds the line a third of the way down the area.
    const int y = verticalScrollBar()->value() + viewport()->height() / 3;
    const auto it =
        std::lower_bound(m_pages.cbegin(), m_pages.cend(), y,
                         [](const QRect& r, int at) { return r.bottom() + Spacing < at; });
    const int page = qBound(0, int(it - m_pages.cbegin()), int(m_pages.size()) - 1);
    if (page != m_currentPage) {
        m_currentPage = page;
        if (m_host) {
            m_host->pageChanged(page);
        }
    }
}

void PdfPageArea::find(const QString& text)
{
    m_searchTimer.stop();
    m_searchText = text;
    m_matches.clear();
    m_currentMatch = -1;
    m_searchedPages = 0;
    m_searchStart = m_currentPage;
    viewport()->update();
    if (!text.isEmpty() && m_document->pageCount() > 0) {
        searchSome();
    }
    reportMatches();
}

void PdfPageArea::searchSome()
{
    const int count = m_document->pageCount();
    const int end = qMin(count, m_searchedPages + PagesPerSearchStep);
    for (int page = m_searchedPages; page < end; ++page) {
        const QString text = m_document->getAllText(page).text();
        for (qsizetype at = text.indexOf(m_searchText, 0, Qt::CaseInsensitive); at >= 0;
             at = text.indexOf(m_searchText, at + m_searchText.size(), Qt::CaseInsensitive)) {
            const QPdfSelection selection =
                m_document->getSelectionAtIndex(page, int(at), int(m_searchText.size()));
            Match match;
            match.page = page;
            for (const QPolygonF& polygon : selection.bounds()) {
                match.boxes.append(polygon.boundingRect());
            }
            if (match.boxes.isEmpty()) {
                match.boxes.append(selection.boundingRectangle());
            }
            m_matches.append(match);
        }
    }
    m_searchedPages = end;
    // The first match on or after the page being read when the search began is shown, as
    // soon as it is found; a search that found none there starts again at the top.
    if (m_currentMatch < 0) {
        for (int i = 0; i < m_matches.size(); ++i) {
            if (m_matches[i].page >= m_searchStart) {
                showMatch(i);
                break;
            }
        }
        if (m_currentMatch < 0 && m_searchedPages >= count && !m_matches.isEmpty()) {
            showMatch(0);
        }
    }
    if (m_searchedPages < count) {
        m_searchTimer.start();
    }
    viewport()->update();
    reportMatches();
}

void PdfPageArea::findNext(bool backward)
{
    if (m_matches.isEmpty()) {
        return;
    }
    const int n = int(m_matches.size());
    const int next = m_currentMatch < 0 ? 0 : (m_currentMatch + (backward ? n - 1 : 1)) % n;
    showMatch(next);
    reportMatches();
}

void PdfPageArea::showMatch(int index)
{
    m_currentMatch = index;
    const Match& match = m_matches[index];
    if (match.page < 0 || match.page >= m_pages.size() || match.boxes.isEmpty()) {
        return;
    }
    // The match comes into view with some of the page above it.
    const QRect page = m_pages[match.page];
    const int y = page.top() + qRound(match.boxes.first().top() * scale());
    const int x = page.left() + qRound(match.boxes.first().left() * scale());
    const int shownTop = verticalScrollBar()->value();
    if (y < shownTop || y > shownTop + viewport()->height() - 40) {
        verticalScrollBar()->setValue(y - viewport()->height() / 3);
    }
    const int shownLeft = horizontalScrollBar()->value();
    if (x < shownLeft || x > shownLeft + viewport()->width() - 40) {
        horizontalScrollBar()->setValue(x - 40);
    }
    viewport()->update();
}

void PdfPageArea::reportMatches()
{
    if (m_host) {
        m_host->matchesChanged(m_currentMatch, int(m_matches.size()),
                               m_searchText.isEmpty() ||
                                   m_searchedPages >= m_document->pageCount());
    }
}
