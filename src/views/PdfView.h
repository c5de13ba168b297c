#pragma once

#include "core/EngineInterfaces.h"

#include <QWidget>

class QLabel;
class QStackedLayout;
class PdfPagesEngine;

// pdfBook: shows a PDF book given its path: all pages, scrolling, fit to width. The PDF engine
// is a plugin loaded with the first PDF book; without it the view explains why the book cannot
// be shown.
class PdfView : public QWidget
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

    // Where the reader is: the page at the view's top edge and how far down that page the edge
    // lies, as a fraction of its height (page 0, 0 without a book).
    int currentPage() const;
    double currentTop() const;
    // Shows the page with that fraction of it above the view's top edge.
    void showPlace(int page, double top);
    // The book's outline, empty without one.
    QList<PdfOutlineEntry> outline() const;

signals:
    // The reader moved through the book (scrolled, or the view changed its size).
    void placeChanged();

private:
    void explain(const QString& text);
    bool showsBook() const { return m_pages && !m_source.isEmpty(); }

    // Loads the engine; false (with the explanation shown and the reason in error) when it
    // cannot.
    bool startEngine(const QString& path, QString* error);

    PdfPagesEngine* m_pages = nullptr;
    QLabel* m_message = nullptr;
    QStackedLayout* m_stack = nullptr;
    QString m_source;
};
