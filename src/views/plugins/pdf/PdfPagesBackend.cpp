// The PDF plugin: Qt PDF's document drawn page by page for PdfView, loaded with the first PDF
// book.
#include "core/EngineInterfaces.h"
#include "views/plugins/pdf/PdfPageArea.h"

#include <QObject>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QVBoxLayout>

namespace {
QString reasonFor(QPdfDocument::Error error)
{
    switch (error) {
    case QPdfDocument::Error::FileNotFound:
        return QObject::tr("The file cannot be found or read.");
    case QPdfDocument::Error::InvalidFileFormat:
        return QObject::tr("The file is not a valid PDF document.");
    case QPdfDocument::Error::IncorrectPassword:
        return QObject::tr("The document is protected by a password.");
    case QPdfDocument::Error::UnsupportedSecurityScheme:
        return QObject::tr("The document uses an unsupported kind of protection.");
    default:
        return QObject::tr("The document could not be read.");
    }
}

// All pages of one book, scrolling, fitted to the width at first.
class PdfPagesBackend : public QWidget, public PdfPagesEngine
{
public:
    PdfPagesBackend(PdfViewHost* host, QWidget* parent) : QWidget(parent)
    {
        m_document = new QPdfDocument(this);
        m_area = new PdfPageArea(m_document, host, this);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_area);
        setFocusProxy(m_area);
    }

    ~PdfPagesBackend() override
    {
        // The pages go first, while the document they draw can still be asked.
        delete m_area;
        delete m_document;
    }

    QWidget* widget() override { return this; }
    QWidget* pageArea() override { return m_area; }

    bool load(const QString& path, QString* reason) override
    {
        m_document->close();
        const QPdfDocument::Error result = m_document->load(path);
        if (result != QPdfDocument::Error::None || m_document->pageCount() <= 0) {
            *reason = result == QPdfDocument::Error::None ? tr("The document has no pages.")
                                                          : reasonFor(result);
            m_document->close();
            m_area->reset();
            return false;
        }
        m_area->reset();
        return true;
    }

    void close() override
    {
        m_document->close();
        m_area->reset();
    }
    int pageCount() const override { return m_document->pageCount(); }
    int currentPage() const override { return m_area->currentPage(); }
    void goToPage(int page) override { m_area->goToPage(page); }
    void setZoom(Fit fit, qreal factor) override { m_area->setZoom(fit, factor); }
    Fit fit() const override { return m_area->fit(); }
    qreal zoomFactor() const override { return m_area->zoomFactor(); }
    void setColours(bool inverted, const QColor& background) override
    {
        m_area->setColours(inverted, background);
    }
    void find(const QString& text) override { m_area->find(text); }
    void findNext(bool backward) override { m_area->findNext(backward); }
    QSizeF pagePointSize(int page) const override { return m_document->pagePointSize(page); }
    QImage renderPage(int page, const QSize& pixels) override
    {
        QPdfDocumentRenderOptions options;
        options.setRenderFlags(QPdfDocumentRenderOptions::RenderFlag::Annotations);
        return m_document->render(page, pixels, options);
    }

    QList<PdfTextLine> pageText(int page) override
    {
        // The page's text line by line, each with the box its characters take on the page.
        QList<PdfTextLine> lines;
        const QString text = m_document->getAllText(page).text();
        qsizetype start = 0;
        while (start < text.size()) {
            qsizetype end = text.indexOf(QLatin1Char('\n'), start);
            if (end < 0) {
                end = text.size();
            }
            QString line = text.mid(start, end - start);
            const qsizetype length = line.size();
            line = line.trimmed();
            if (!line.isEmpty()) {
                const QPdfSelection selection =
                    m_document->getSelectionAtIndex(page, int(start), int(length));
                const QRectF box = selection.boundingRectangle();
                if (box.isValid()) {
                    lines.append({box, line});
                }
            }
            start = end + 1;
        }
        return lines;
    }

private:
    QPdfDocument* m_document = nullptr;
    PdfPageArea* m_area = nullptr;
};
} // namespace

class PdfEnginePlugin : public QObject, public PdfEngineFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QuillmerePdfEngineFactory_iid)
    Q_INTERFACES(PdfEngineFactory)
public:
    PdfPagesEngine* createPages(PdfViewHost* host, QWidget* parent) override
    {
        return new PdfPagesBackend(host, parent);
    }
};

#include "PdfPagesBackend.moc"
