#pragma once

#include "core/EngineInterfaces.h"

#include <QAbstractScrollArea>
#include <QHash>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QTimer>

class QPdfDocument;

// The pages of a PDF book one below the other, drawn by the document's own renderer as they
// come into view (the last few kept), zoomed to a factor or fitted to the view, in inverted
// colours on request; the matches of a search highlighted, the current one more strongly.
class PdfPageArea : public QAbstractScrollArea
{
    Q_OBJECT
public:
    using Fit = PdfPagesEngine::Fit;

    // A match of the search: its page and where it stands on it, in points.
    struct Match
    {
        int page = 0;
        QList<QRectF> boxes;
    };

    PdfPageArea(QPdfDocument* document, PdfViewHost* host, QWidget* parent);

    // The document was loaded or closed: the pages are laid out anew from the first.
    void reset();
    int currentPage() const { return m_currentPage; }
    void goToPage(int page);
    void setZoom(Fit fit, qreal factor);
    Fit fit() const { return m_fit; }
    qreal zoomFactor() const { return m_zoom; }
    void setColours(bool inverted, const QColor& background);

    void find(const QString& text);
    void findNext(bool backward);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Pixels per point at the zoom factor.
    qreal scale() const;
    // Works out the zoom of a fit and every page's place; the text at the top stays there.
    void layOut();
    QRect pageRect(int page) const; // in the area's coordinates, scrolled
    QImage pageImage(int page, const QSize& size);
    void updateCurrentPage();
    // Searches the next pages of the document, a few at a time, so the window keeps answering.
    void searchSome();
    void showMatch(int index);
    void reportMatches();

    QPdfDocument* m_document;
    PdfViewHost* m_host;
    Fit m_fit = Fit::Width;
    qreal m_factor = 1;   // asked for, with Fit::None
    qreal m_zoom = 1;     // shown
    QList<QRect> m_pages; // in content coordinates
    QSize m_content;
    int m_currentPage = 0;
    // Rendered pages, the most recently drawn last.
    QList<int> m_cacheOrder;
    QHash<int, QImage> m_cache;
    bool m_inverted = false;
    QColor m_background = QColor(128, 128, 128);

    QString m_searchText;
    QList<Match> m_matches;
    int m_searchedPages = 0;
    int m_searchStart = 0;
    int m_currentMatch = -1;
    QTimer m_searchTimer;
};
