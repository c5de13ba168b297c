#pragma once

#include <QWidget>

// pdfBook: shows a PDF book given its path: all pages, scrolling, fit to width.
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
};
