#include "library/ReadingPane.h"

#include "app/frmMain.h"
#include "platform/DocumentView.h"
#include "platform/PdfView.h"
#include "platform/RichTextView.h"
#include "platform/WebView.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QToolButton>

ReadingPane::Layout ReadingPane::layoutFor(BookKind kind)
{
    switch (kind) {
    case BookKind::PlainText:
    case BookKind::Rtf:
        return {View::Text, 3, true};
    case BookKind::Epub:
        // Every text command works; marks and the bookmark go into the book's reading record,
        // never into its file.
        return {View::Text, 3, false};
    case BookKind::Html:
    case BookKind::EpubPages:
        return {View::Web, 2, false};
    case BookKind::Pdf:
        return {View::Pdf, 1, false};
    case BookKind::WordDocument:
        return {View::Document, 1, false};
    case BookKind::Refused:
        return {View::Explanation, 1, false};
    case BookKind::None:
        break;
    }
    // No book: the empty text view, without commands, for they have no book to work on.
    return {View::Text, 1, false};
}

void ReadingPane::show(frmMain& main, BookKind kind, const QString& explanation)
{
    const Layout layout = layoutFor(kind);
    main.bookMessage->setText(layout.view == View::Explanation ? explanation : QString());
    main.bookMessage->setVisible(layout.view == View::Explanation);
    main.txtBook->setVisible(layout.view == View::Text);
    main.wbBook->setVisible(layout.view == View::Web);
    main.pdfBook->setVisible(layout.view == View::Pdf);
    if (layout.view == View::Document) {
        main.ole1->show();
    } else if (main.ole1->isVisible()) {
        // The document view leaves its active state before it goes.
        main.ole1->Deactivate();
        QCoreApplication::processEvents();
        main.ole1->hide();
    }
    main.DisableInterface(layout.interfaceMode);
    main.state().Kind = kind;
    if (layout.keepsMarks && !main.state().BookWritable) {
        // Read only: the book is shown and searched, but nothing offers to write into it. (An
        // EPUB book keeps its marks in its reading record, so its file's name does not matter.)
        for (QToolButton* b : {main.btnBookmark, main.btnRedPen, main.btnErase}) {
            b->setEnabled(false);
        }
        for (QAction* a : {main.mnuEditHighlight, main.mnuEditErase}) {
            a->setEnabled(false);
        }
    }
}
