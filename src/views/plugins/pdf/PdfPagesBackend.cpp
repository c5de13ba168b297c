// The PDF plugin: Qt PDF's document and page view for PdfView, loaded with the first PDF book.
#include "core/EngineInterfaces.h"
#include "views/plugins/pdf/PdfPlaces.h"

#include <QObject>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfView>

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

// All pages of one book, scrolling, fit to width.
class PdfPagesBackend : public QPdfView, public PdfPagesEngine
{
public:
    explicit PdfPagesBackend(QWidget* parent) : QPdfView(parent)
    {
        m_document = new QPdfDocument(this);
        setObjectName(QStringLiteral("pdfPages"));
        setAccessibleName(tr("PDF pages"));
        setPageMode(QPdfView::PageMode::MultiPage);
        setZoomMode(QPdfView::ZoomMode::FitToWidth);
        setDocument(m_document);
    }

    ~PdfPagesBackend() override
    {
        // The document goes first, while the view can still hear that it closed.
        setDocument(nullptr);
        delete m_document;
    }

    QWidget* widget() override { return this; }

    bool load(const QString& path, QString* reason) override
    {
        m_document->close();
        const QPdfDocument::Error result = m_document->load(path);
        if (result != QPdfDocument::Error::None || m_document->pageCount() <= 0) {
            *reason = result == QPdfDocument::Error::None ? tr("The document has no pages.")
                                                          : reasonFor(result);
            m_document->close();
            return false;
        }
        pageNavigator()->jump(0, {}, zoomFactor());
        return true;
    }

    void close() override { m_document->close(); }
    int pageCount() const override { return m_document->pageCount(); }
    int currentPage() const override
    {
        double top = 0;
        return PdfPlaces::pageAtTop(*this, &top);
    }
    double currentTop() const override
    {
        double top = 0;
        PdfPlaces::pageAtTop(*this, &top);
        return top;
    }
    void showPlace(int page, double top) override { PdfPlaces::showPlace(*this, page, top); }
    QList<PdfOutlineEntry> outline() const override { return PdfPlaces::outline(m_document); }

private:
    QPdfDocument* m_document = nullptr;
};
} // namespace

class PdfEnginePlugin : public QObject, public PdfEngineFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QuillmerePdfEngineFactory_iid)
    Q_INTERFACES(PdfEngineFactory)
public:
    PdfPagesEngine* createPages(QWidget* parent) override { return new PdfPagesBackend(parent); }
};

#include "PdfPagesBackend.moc"
