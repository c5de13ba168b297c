#include "views/ReadingPane.h"

#include "views/DocumentView.h"
#include "views/EpubSession.h"
#include "views/ExplanationLabel.h"
#include "views/PdfView.h"
#include "views/RichTextView.h"
#include "views/WebView.h"
#include "views/WidgetBuilding.h"

#include <QCoreApplication>
#include <QLabel>

using WidgetBuilding::named;
using WidgetBuilding::place;

ReadingPane::Layout ReadingPane::layoutFor(BookKind kind)
{
    switch (kind) {
    case BookKind::PlainText:
    case BookKind::Rtf:
        return {View::Text, InterfaceMode::Text, true};
    case BookKind::Epub:
        // Every text command works; marks and the bookmark go into the book's reading record,
        // never into its file.
        return {View::Text, InterfaceMode::Text, false};
    case BookKind::Html:
    case BookKind::EpubPages:
        return {View::Web, InterfaceMode::Web, false};
    case BookKind::Pdf:
        return {View::Pdf, InterfaceMode::Document, false};
    case BookKind::WordDocument:
        return {View::Document, InterfaceMode::Document, false};
    case BookKind::Refused:
        return {View::Explanation, InterfaceMode::Document, false};
    case BookKind::None:
        break;
    }
    // No book: the empty text view, without book commands, for they have no book to work on.
    return {View::Text, InterfaceMode::NoBook, false};
}

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

void ReadingPane::attachEpubSession(const QString& recordsFolder, QMenu* contents)
{
    m_epub = new EpubSession(m_text, contents, recordsFolder, this);
    m_epub->setPageView(m_web,
                        [this](bool pages) { show(pages ? BookKind::EpubPages : BookKind::Epub); });
}

void ReadingPane::show(BookKind kind, const QString& explanation)
{
    const Layout layout = layoutFor(kind);
    m_message->setText(layout.view == View::Explanation ? explanation : QString());
    m_message->setVisible(layout.view == View::Explanation);
    m_text->setVisible(layout.view == View::Text);
    m_web->setVisible(layout.view == View::Web);
    m_pdf->setVisible(layout.view == View::Pdf);
    if (layout.view == View::Document) {
        m_document->show();
    } else if (m_document->isVisible()) {
        // The document view leaves its active state before it goes.
        m_document->Deactivate();
        QCoreApplication::processEvents();
        m_document->hide();
    }
    m_state.Kind = kind;
    // A read-only book is shown and searched, but nothing offers to write into it. (An EPUB
    // book keeps its marks in its reading record, so its file's name does not matter.)
    emit interfaceChanged(layout.interfaceMode, !(layout.keepsMarks && !m_state.BookWritable));
}

void ReadingPane::fitToClient()
{
    // The views fill the client area to its right and bottom edges. A size that would be
    // negative is skipped and the view keeps its last size.
    for (QWidget* view :
         {static_cast<QWidget*>(m_text), static_cast<QWidget*>(m_pdf), static_cast<QWidget*>(m_web),
          static_cast<QWidget*>(m_document), static_cast<QWidget*>(m_message)}) {
        QSize size = view->size();
        if (const int height = m_client->height() - view->y(); height >= 0) {
            size.setHeight(height);
        }
        if (const int width = m_client->width() - view->x(); width >= 0) {
            size.setWidth(width);
        }
        view->resize(size);
    }
}
