#include "views/ReadingPane.h"

#include "views/DocumentView.h"
#include "views/EpubSession.h"
#include "views/ExplanationLabel.h"
#include "views/PdfView.h"
#include "views/RichTextView.h"
#include "views/WebView.h"
#include "views/WidgetBuilding.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>

using WidgetBuilding::named;
using WidgetBuilding::place;

ReadingPane::ReadingPane(ReaderState& state, QWidget* client)
    : QObject(client), m_state(state), m_client(client)
{
    m_text = named(new RichTextView(client), "txtBook");
    place(m_text, 2085, 480, 11295, 6120);

    m_pdf = named(new PdfView(client), "pdfBook");
    m_pdf->setAccessibleName(tr("PDF book"));
    place(m_pdf, 2085, 480, 11295, 6120);
    m_pdf->hide();

    // The document view stays hidden until a Word document is opened.
    m_document = named(new DocumentView(client), "ole1");
    m_document->setAccessibleName(tr("Word document"));
    place(m_document, 2085, 480, 11295, 6120);
    m_document->hide();

    // The web view leaves room above it for its Back and Forward buttons.
    m_web = named(new WebView(client), "wbBook");
    m_web->setAccessibleName(tr("Web book"));
    m_web->setShowsLocalBooks(true);
    place(m_web, 2085, 960, 11295, 5640);
    m_web->hide();

    // Stands in the pane in place of a book the text view refused, saying why.
    m_message = makeExplanationLabel(client, "bookMessage", tr("Book message"));
    place(m_message, 2085, 480, 11295, 6120);
    m_message->hide();
}

void ReadingPane::attachEpubSession(const QString& recordsFolder, QMenu* contents, bool pages)
{
    m_epub = new EpubSession(m_text, contents, recordsFolder, this);
    if (pages) {
        m_epub->setPageView(
            m_web, [this](bool asPages) { show(asPages ? BookKind::EpubPages : BookKind::Epub); });
    }
}

bool ReadingPane::refuse(const QString& reason, QString* error)
{
    show(BookKind::Refused, tr("This book cannot be shown.\n\n%1").arg(reason));
    if (error) {
        *error = reason;
    }
    return false;
}

bool ReadingPane::open(const QString& path, BookKind kind, QString* error, QString* warning)
{
    using Reader = BookKinds::Reader;
    const Reader reader = BookKinds::row(kind).reader;
    QString reason;
    switch (reader) {
    case Reader::Rtf:
    case Reader::PlainText:
        // A file the view refuses is shown with the reason and is never written into.
        if (!m_text->LoadFile(
                path, reader == Reader::Rtf ? RichTextView::LoadRtf : RichTextView::LoadPlainText,
                &reason)) {
            return refuse(reason, error);
        }
        break;
    case Reader::Chapters:
        // A book that cannot be shown is explained in the pane, and its file is left alone.
        if (!m_epub) {
            return refuse(tr("EPUB books are not read here."), error);
        }
        // A book of another format is read by its own reader; an EPUB book is the file.
        if (const BookKinds::Row& row = BookKinds::row(kind);
            row.packageReader ? !m_epub->openPackage(path, row.packageReader,
                                                     QString::fromLatin1(row.description), &reason)
                              : !m_epub->open(path, &reason)) {
            return refuse(reason, error);
        }
        show(kind);
        // Pages drawn to a set size are read as pages; the Contents menu switches either way.
        if (m_epub->book().isFixedLayout() && !m_epub->showPages(true, &reason) && warning) {
            *warning = reason;
        }
        return true;
    case Reader::WebPage:
        m_web->Navigate(path);
        break;
    case Reader::PdfPages: {
        // A PDF that cannot be read is shown as the view's own explanation of what is wrong.
        const bool shown = m_pdf->setSourceFile(path, &reason);
        show(kind);
        if (!shown && error) {
            *error = reason;
        }
        return shown;
    }
    case Reader::WordConverter: {
        // A document that cannot be converted is shown as the view's own explanation.
        const bool shown = m_document->CreateEmbedFromFile(path, &reason);
        m_document->DoVerb(DocumentView::VerbUiActivate);
        show(kind);
        if (!shown && error) {
            *error = reason;
        }
        return shown;
    }
    case Reader::None:
        return refuse(tr("%1 is not a kind of book that is read from a file.")
                          .arg(QDir::toNativeSeparators(path)),
                      error);
    }
    show(kind);
    return true;
}

void ReadingPane::show(BookKind kind, const QString& explanation)
{
    const BookKinds::Row& row = BookKinds::row(kind);
    m_message->setText(row.view == View::Explanation ? explanation : QString());
    m_message->setVisible(row.view == View::Explanation);
    m_text->setVisible(row.view == View::Text);
    m_web->setVisible(row.view == View::Web);
    m_pdf->setVisible(row.view == View::Pdf);
    if (row.view == View::Document) {
        m_document->show();
    } else if (m_document->isVisible()) {
        // The document view leaves its active state before it goes.
        m_document->Deactivate();
        QCoreApplication::processEvents();
        m_document->hide();
    }
    m_state.Kind = kind;
    // A read-only book is shown and searched, but nothing offers to write into it. (A book
    // that keeps its marks in its reading record takes them whatever its file's name.)
    emit interfaceChanged(row.interfaceMode, row.sideRecord || keepsMarks(m_state));
}

void ReadingPane::fitToClient()
{
    // The views fill the client area to its right and bottom edges (above the footer, when
    // one is shown). A size that would be negative is skipped and the view keeps its last size.
    const bool footer = m_footer && !m_footer->isHidden();
    const int bottom = m_client->height() - (footer ? m_footer->sizeHint().height() : 0);
    if (footer) {
        m_footer->setGeometry(m_text->x(), bottom, m_client->width() - m_text->x(),
                              m_client->height() - bottom);
        m_footer->raise();
    }
    for (QWidget* view :
         {static_cast<QWidget*>(m_text), static_cast<QWidget*>(m_pdf), static_cast<QWidget*>(m_web),
          static_cast<QWidget*>(m_document), static_cast<QWidget*>(m_message)}) {
        QSize size = view->size();
        if (const int height = bottom - view->y(); height >= 0) {
            size.setHeight(height);
        }
        if (const int width = m_client->width() - view->x(); width >= 0) {
            size.setWidth(width);
        }
        view->resize(size);
    }
}

void ReadingPane::setWholeClient(bool whole)
{
    const QList<QWidget*> views = {m_text, m_pdf, m_web, m_document, m_message};
    if (whole && m_places.isEmpty()) {
        for (QWidget* view : views) {
            m_places.insert(view, view->pos());
            view->move(0, 0);
        }
    } else if (!whole && !m_places.isEmpty()) {
        for (QWidget* view : views) {
            view->move(m_places.value(view));
        }
        m_places.clear();
    }
    fitToClient();
}
