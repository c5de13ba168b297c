#pragma once

#include "core/EngineInterfaces.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QStackedLayout;

// pdfBook: shows a PDF book given its path: all pages, scrolling, fitted to the width at first,
// with a bar above them holding the page box ("12 / 1428", which takes a page number) and the
// zoom (fit width, fit page, percent). The PDF engine is a plugin loaded with the first PDF book;
// without it the view explains why the book cannot be shown.
class PdfView : public QWidget, private PdfViewHost
{
    Q_OBJECT
public:
    explicit PdfView(QWidget* parent = nullptr);
    ~PdfView() override;

    // Sets the source file; false (with an error text) when it is not a readable PDF, and the
    // view then shows a short explanation instead of a blank pane.
    bool setSourceFile(const QString& path, QString* error = nullptr);
    int pageCount() const;
    // The file shown, or empty when none is.
    QString sourceFile() const { return m_source; }
    // The explanation shown in place of a file that could not be opened (empty otherwise).
    QString explanation() const;

    // The page being read (from 0), and going to one.
    int currentPage() const;
    void goToPage(int page);
    // Zoom: a fit, or a factor (1 shows a page at its printed size) with Fit::None.
    void setZoom(PdfPagesEngine::Fit fit, qreal factor = 0);
    PdfPagesEngine::Fit fit() const;
    qreal zoomFactor() const;
    // Pages in inverted colours for a dark theme, and the colour around them.
    void setColours(bool inverted, const QColor& background);

    // Finds text in every page; foundChanged tells of the matches.
    void find(const QString& text);
    void findNext(bool backward);

    // The pages' engine, for printing them (null before the first book).
    PdfPagesEngine* pages() const { return m_pages; }

signals:
    void pageShown(int page);
    // The zoom shown changed (by the user, a fit or a resize).
    void zoomShown(qreal factor);
    // The current match (from 0; -1 for none) of how many so far; done when every page was
    // searched.
    void foundChanged(int current, int matches, bool done);

private:
    void explain(const QString& text);
    void buildBar();
    void showPageNumber();
    void showZoom();
    void zoomChosen(int index);

    // Loads the engine; false (with the explanation shown and the reason in error) when it
    // cannot.
    bool startEngine(const QString& path, QString* error);

    void pageChanged(int page) override;
    void zoomChanged(qreal factor) override;
    void matchesChanged(int current, int matches, bool done) override;

    PdfPagesEngine* m_pages = nullptr;
    QWidget* m_bar = nullptr;
    QLineEdit* m_pageBox = nullptr;
    QLabel* m_pageTotal = nullptr;
    QComboBox* m_zoomBox = nullptr;
    QLabel* m_message = nullptr;
    QWidget* m_book = nullptr;
    QStackedLayout* m_stack = nullptr;
    QString m_source;
    bool m_inverted = false;
    QColor m_background;
};
