#pragma once

#include "formats/comic/ComicReader.h"

#include <QObject>
#include <QSize>
#include <memory>

class QTextDocument;
class QTimer;
class RichTextView;

namespace Books {
class BookPackage;
}

// The pages of a comic in the text view, one page a chapter: each page's picture fitted to the
// view's width (read on by scrolling) or whole within it, and decoded at that size. The pages
// next to the one shown are decoded ahead once it is on the screen, and pages further away are
// let go, so turning is quick and a long comic never sits in memory whole.
class ComicPages : public QObject
{
    Q_OBJECT
public:
    // Waited after a page is shown before its neighbours are decoded, so the page itself
    // answers first.
    static constexpr int DecodeAheadDelayMs = 50;

    explicit ComicPages(RichTextView* view, QObject* parent = nullptr);
    ~ComicPages() override;

    // The comic shown from now on; null for none.
    void setBook(std::shared_ptr<const Books::BookPackage> book);
    bool isOpen() const { return m_book != nullptr; }

    Comic::Fit fit() const { return m_fit; }
    // Pages are fitted this way from the next one drawn (the choice is kept for later runs).
    void setFit(Comic::Fit fit);

    // Fills document (one of the view's, empty) with the page fitted to the view as it is now;
    // false with an error when the page cannot be shown.
    bool fill(int page, QTextDocument* document, QString* error = nullptr);
    // The size the pages are fitted into: the view's text area.
    QSize area() const;
    // The pages decoded and held now, for the one shown and those near it.
    QList<int> heldPages() const;

private:
    void decodeAhead();

    RichTextView* m_view;
    std::shared_ptr<const Books::BookPackage> m_book;
    std::unique_ptr<Comic::PageCache> m_cache;
    Comic::Fit m_fit;
    QTimer* m_ahead;
    int m_page = -1;
};
