#include "platform/PdfView.h"

#include "platform/ExplanationLabel.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfView>
#include <QStackedLayout>

namespace {
QString reasonFor(QPdfDocument::Error error)
{
    switch (error) {
    case QPdfDocument::Error::FileNotFound:
        return PdfView::tr("The file cannot be found or read.");
    case QPdfDocument::Error::InvalidFileFormat:
        return PdfView::tr("The file is not a valid PDF document.");
    case QPdfDocument::Error::IncorrectPassword:
        return PdfView::tr("The document is protected by a password.");
    case QPdfDocument::Error::UnsupportedSecurityScheme:
        return PdfView::tr("The document uses an unsupported kind of protection.");
    default:
        return PdfView::tr("The document could not be read.");
    }
}
} // namespace

PdfView::PdfView(QWidget* parent) : QWidget(parent)
{
    m_document = new QPdfDocument(this);
    m_view = new QPdfView(this);
    m_view->setObjectName(QStringLiteral("pdfPages"));
    m_view->setAccessibleName(tr("PDF pages"));
    m_view->setPageMode(QPdfView::PageMode::MultiPage);
    m_view->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    m_view->setDocument(m_document);

    m_message = makeExplanationLabel(this, "pdfMessage", tr("PDF message"));

    m_stack = new QStackedLayout(this);
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_stack->addWidget(m_view);
    m_stack->addWidget(m_message);
    m_stack->setCurrentWidget(m_view);
}

PdfView::~PdfView() = default;

bool PdfView::setSourceFile(const QString& path, QString* error)
{
    m_document->close();
    m_source.clear();
    const QPdfDocument::Error result = m_document->load(path);
    if (result != QPdfDocument::Error::None || m_document->pageCount() <= 0) {
        const QString reason = result == QPdfDocument::Error::None
                                   ? tr("The document has no pages.")
                                   : reasonFor(result);
        m_document->close();
        explain(tr("This PDF book cannot be shown.\n\n%1\n\n%2")
                    .arg(QDir::toNativeSeparators(QFileInfo(path).fileName()), reason));
        if (error) {
            *error = reason;
        }
        return false;
    }
    m_source = path;
    m_message->clear();
    m_stack->setCurrentWidget(m_view);
    m_view->pageNavigator()->jump(0, {}, m_view->zoomFactor());
    return true;
}

int PdfView::pageCount() const
{
    return m_source.isEmpty() ? 0 : m_document->pageCount();
}

QString PdfView::explanation() const
{
    return m_stack->currentWidget() == m_message ? m_message->text() : QString();
}

void PdfView::explain(const QString& text)
{
    m_message->setText(text);
    m_stack->setCurrentWidget(m_message);
}
