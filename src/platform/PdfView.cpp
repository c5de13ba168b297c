#include "platform/PdfView.h"

PdfView::PdfView(QWidget* parent) : QWidget(parent) {}

PdfView::~PdfView() = default;

bool PdfView::setSourceFile(const QString&, QString* error)
{
    if (error) {
        *error = tr("PDF books cannot be shown yet.");
    }
    return false;
}

int PdfView::pageCount() const
{
    return 0;
}
