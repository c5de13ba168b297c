#include "views/PdfView.h"

#include "core/EngineLibrary.h"
#include "views/ExplanationLabel.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace {
// The zoom box's percentages, after its two fits.
constexpr int ZoomPercents[] = {50, 75, 100, 125, 150, 200, 300, 400};
constexpr int FitWidthRow = 0;
constexpr int FitPageRow = 1;
} // namespace

PdfView::PdfView(QWidget* parent) : QWidget(parent)
{
    m_message = makeExplanationLabel(this, "pdfMessage", tr("PDF message"));
    m_book = new QWidget(this);
    auto* column = new QVBoxLayout(m_book);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    buildBar();
    column->addWidget(m_bar);
    m_stack = new QStackedLayout(this);
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_stack->addWidget(m_message);
    m_stack->addWidget(m_book);
}

PdfView::~PdfView() = default;

void PdfView::buildBar()
{
    m_bar = new QWidget(m_book);
    m_bar->setObjectName(QStringLiteral("pdfBar"));
    auto* row = new QHBoxLayout(m_bar);
    row->setContentsMargins(4, 2, 4, 2);
    auto* pageLabel = new QLabel(tr("Page"), m_bar);
    m_pageBox = new QLineEdit(m_bar);
    m_pageBox->setObjectName(QStringLiteral("pdfPageBox"));
    m_pageBox->setAccessibleName(tr("Page number"));
    m_pageBox->setValidator(new QIntValidator(1, 999999, m_pageBox));
    m_pageBox->setMaximumWidth(
        m_pageBox->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 12);
    m_pageBox->setAlignment(Qt::AlignRight);
    pageLabel->setBuddy(m_pageBox);
    m_pageTotal = new QLabel(m_bar);
    m_pageTotal->setObjectName(QStringLiteral("pdfPageTotal"));
    m_zoomBox = new QComboBox(m_bar);
    m_zoomBox->setObjectName(QStringLiteral("pdfZoom"));
    m_zoomBox->setAccessibleName(tr("Zoom"));
    m_zoomBox->addItem(tr("Fit Width"));
    m_zoomBox->addItem(tr("Fit Page"));
    for (const int percent : ZoomPercents) {
        m_zoomBox->addItem(tr("%1%").arg(percent), percent);
    }
    row->addWidget(pageLabel);
    row->addWidget(m_pageBox);
    row->addWidget(m_pageTotal);
    row->addStretch(1);
    row->addWidget(m_zoomBox);
    connect(m_pageBox, &QLineEdit::returnPressed, this, [this] {
        bool ok = false;
        const int number = m_pageBox->text().toInt(&ok);
        if (ok) {
            goToPage(qBound(1, number, qMax(1, pageCount())) - 1);
        }
        showPageNumber();
        if (m_pages) {
            m_pages->pageArea()->setFocus();
        }
    });
    connect(m_zoomBox, &QComboBox::activated, this, &PdfView::zoomChosen);
}

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
    m_pages = factory->createPages(this, m_book);
    m_book->layout()->addWidget(m_pages->widget());
    if (m_background.isValid()) {
        m_pages->setColours(m_inverted, m_background);
    }
    setFocusProxy(m_pages->pageArea());
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
    m_stack->setCurrentWidget(m_book);
    showPageNumber();
    showZoom();
    return true;
}

int PdfView::pageCount() const
{
    return m_source.isEmpty() || !m_pages ? 0 : m_pages->pageCount();
}

QString PdfView::explanation() const
{
    return m_stack->currentWidget() == m_message ? m_message->text() : QString();
}

int PdfView::currentPage() const
{
    return pageCount() > 0 ? m_pages->currentPage() : 0;
}

void PdfView::goToPage(int page)
{
    if (pageCount() > 0) {
        m_pages->goToPage(qBound(0, page, pageCount() - 1));
    }
}

void PdfView::setZoom(PdfPagesEngine::Fit fit, qreal factor)
{
    if (m_pages) {
        m_pages->setZoom(fit, factor);
        showZoom();
    }
}

PdfPagesEngine::Fit PdfView::fit() const
{
    return m_pages ? m_pages->fit() : PdfPagesEngine::Fit::Width;
}

qreal PdfView::zoomFactor() const
{
    return m_pages ? m_pages->zoomFactor() : 1;
}

void PdfView::setColours(bool inverted, const QColor& background)
{
    m_inverted = inverted;
    m_background = background;
    if (m_pages) {
        m_pages->setColours(inverted, background);
    }
}

void PdfView::find(const QString& text)
{
    if (pageCount() > 0) {
        m_pages->find(text);
    } else {
        emit foundChanged(-1, 0, true);
    }
}

void PdfView::findNext(bool backward)
{
    if (pageCount() > 0) {
        m_pages->findNext(backward);
    }
}

void PdfView::zoomChosen(int index)
{
    if (index == FitWidthRow) {
        setZoom(PdfPagesEngine::Fit::Width);
    } else if (index == FitPageRow) {
        setZoom(PdfPagesEngine::Fit::Page);
    } else {
        setZoom(PdfPagesEngine::Fit::None, m_zoomBox->itemData(index).toInt() / 100.0);
    }
}

void PdfView::showPageNumber()
{
    const int count = pageCount();
    m_pageBox->setText(count > 0 ? QString::number(currentPage() + 1) : QString());
    m_pageTotal->setText(tr("/ %1").arg(count));
}

void PdfView::showZoom()
{
    if (!m_pages) {
        return;
    }
    switch (m_pages->fit()) {
    case PdfPagesEngine::Fit::Width:
        m_zoomBox->setCurrentIndex(FitWidthRow);
        return;
    case PdfPagesEngine::Fit::Page:
        m_zoomBox->setCurrentIndex(FitPageRow);
        return;
    case PdfPagesEngine::Fit::None:
        break;
    }
    // A percent the box does not list is shown as its text.
    const int percent = qRound(m_pages->zoomFactor() * 100);
    const int row = m_zoomBox->findData(percent);
    if (row >= 0) {
        m_zoomBox->setCurrentIndex(row);
    } else {
        m_zoomBox->setEditable(false);
        m_zoomBox->setCurrentIndex(-1);
        m_zoomBox->setPlaceholderText(tr("%1%").arg(percent));
    }
}

void PdfView::pageChanged(int page)
{
    if (!m_pageBox->hasFocus()) {
        showPageNumber();
    }
    emit pageShown(page);
}

void PdfView::zoomChanged(qreal factor)
{
    emit zoomShown(factor);
}

void PdfView::matchesChanged(int current, int matches, bool done)
{
    emit foundChanged(current, matches, done);
}

void PdfView::explain(const QString& text)
{
    m_message->setText(text);
    m_stack->setCurrentWidget(m_message);
}
