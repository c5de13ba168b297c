#include "views/ComicPages.h"

#include "core/AppSettings.h"
#include "formats/package/BookPackage.h"
#include "views/RichTextView.h"

#include <QScrollBar>
#include <QStyle>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTimer>
#include <QUrl>
#include <QtMath>

namespace {
const QString FitKey = QStringLiteral("Comics/Fit");
const QString PageScheme = QStringLiteral("comic-page");

Comic::Fit storedFit()
{
    return AppSettings::open()->value(FitKey).toString() == QLatin1String("width")
               ? Comic::Fit::Width
               : Comic::Fit::Page;
}
} // namespace

ComicPages::ComicPages(RichTextView* view, QObject* parent)
    : QObject(parent), m_view(view), m_fit(storedFit()), m_ahead(new QTimer(this))
{
    m_ahead->setSingleShot(true);
    m_ahead->setInterval(DecodeAheadDelayMs);
    connect(m_ahead, &QTimer::timeout, this, &ComicPages::decodeAhead);
}

ComicPages::~ComicPages() = default;

void ComicPages::setBook(std::shared_ptr<const Books::BookPackage> book)
{
    m_ahead->stop();
    m_cache.reset();
    m_book = std::move(book);
    m_page = -1;
    if (m_book) {
        m_cache = std::make_unique<Comic::PageCache>(*m_book);
    }
}

void ComicPages::setFit(Comic::Fit fit)
{
    m_fit = fit;
    AppSettings::open()->setValue(FitKey, fit == Comic::Fit::Width ? QStringLiteral("width")
                                                                   : QStringLiteral("page"));
}

QSize ComicPages::area() const
{
    // The document's margin on every side, and room for the scroll bar that a page taller
    // than the view brings, so fitting to the width never makes the page scroll sideways.
    const int margin = 2 * qCeil(m_view->document()->documentMargin()) + 2;
    const int scrollBar = m_fit == Comic::Fit::Width && !m_view->verticalScrollBar()->isVisible()
                              ? m_view->style()->pixelMetric(QStyle::PM_ScrollBarExtent)
                              : 0;
    return (m_view->viewport()->size() - QSize(margin + scrollBar, margin))
        .expandedTo(QSize(16, 16));
}

bool ComicPages::fill(int page, QTextDocument* document, QString* error)
{
    if (!m_book) {
        return false;
    }
    const QSize shownArea = area();
    m_cache->setArea(shownArea, m_fit);
    const QImage image = m_cache->page(page);
    if (image.isNull()) {
        // The reason is what decoding the page again says; the cache keeps no failures.
        QString reason;
        Comic::decodePage(*m_book, page, shownArea, m_fit, &reason);
        if (error) {
            *error = reason;
        }
        return false;
    }
    m_page = page;
    // The picture is decoded at most at its own size; the view draws it at the fitted size.
    const QSize shown = Comic::fittedSize(image.size(), shownArea, m_fit);
    const QUrl name(QStringLiteral("%1:%2").arg(PageScheme).arg(page + 1));
    document->addResource(QTextDocument::ImageResource, name, image);
    QTextCursor cursor(document);
    QTextBlockFormat block;
    block.setAlignment(Qt::AlignHCenter);
    cursor.setBlockFormat(block);
    QTextImageFormat picture;
    picture.setName(name.toString());
    picture.setWidth(shown.width());
    picture.setHeight(shown.height());
    cursor.insertImage(picture);
    m_ahead->start();
    return true;
}

QList<int> ComicPages::heldPages() const
{
    return m_cache ? m_cache->heldPages() : QList<int>();
}

void ComicPages::decodeAhead()
{
    if (m_cache && m_page >= 0) {
        m_cache->fillAround(m_page);
    }
}
