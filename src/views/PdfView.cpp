#include "views/PdfView.h"

#include "core/EngineInterfaces.h"
#include "core/EngineLibrary.h"
#include "views/ExplanationLabel.h"

#include <QAbstractScrollArea>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QScrollBar>
#include <QStackedLayout>

PdfView::PdfView(QWidget* parent) : QWidget(parent)
{
    m_message = makeExplanationLabel(this, "pdfMessage", tr("PDF message"));
    m_stack = new QStackedLayout(this);
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_stack->addWidget(m_message);
}

PdfView::~PdfView() = default;

bool PdfView::startEngine(const QString& path, QString* error)
{
    if (m_pages) {
        return true;
    }
    QString reason;
    auto* factory = EngineLibrary::get<PdfEngineFactory>(EngineLibrary::Engine::Pdf, &reason);
    if (!factory) {
        const QString text = tr("The PDF engine of this program is not installed or cannot "
                                "start.");
        explain(tr("This PDF book cannot be shown.\n\n%1\n\n%2\n\n%3")
                    .arg(QDir::toNativeSeparators(QFileInfo(path).fileName()), text, reason));
        if (error) {
            *error = text;
        }
        return false;
    }
    m_pages = factory->createPages(this);
    m_stack->addWidget(m_pages->widget());
    // The pages scroll in a scroll area of the engine's: its scroll bar tells of every move.
    if (auto* area = qobject_cast<QAbstractScrollArea*>(m_pages->widget())) {
        connect(area->verticalScrollBar(), &QScrollBar::valueChanged, this, &PdfView::placeChanged);
    }
    return true;
}

bool PdfView::setSourceFile(const QString& path, QString* error)
{
    m_source.clear();
    if (!startEngine(path, error)) {
        return false;
    }
    QString reason;
    if (!m_pages->load(path, &reason)) {
        explain(tr("This PDF book cannot be shown.\n\n%1\n\n%2")
                    .arg(QDir::toNativeSeparators(QFileInfo(path).fileName()), reason));
        if (error) {
            *error = reason;
        }
        return false;
    }
    m_source = path;
    m_message->clear();
    m_stack->setCurrentWidget(m_pages->widget());
    return true;
}

int PdfView::pageCount() const
{
    return m_source.isEmpty() || !m_pages ? 0 : m_pages->pageCount();
}

int PdfView::currentPage() const
{
    return showsBook() ? m_pages->currentPage() : 0;
}

double PdfView::currentTop() const
{
    return showsBook() ? m_pages->currentTop() : 0.0;
}

void PdfView::showPlace(int page, double top)
{
    if (showsBook()) {
        m_pages->showPlace(qBound(0, page, m_pages->pageCount() - 1), top);
    }
}

QList<PdfOutlineEntry> PdfView::outline() const
{
    return showsBook() ? m_pages->outline() : QList<PdfOutlineEntry>();
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
