#include "ui/commands/BookOpener.h"

#include "core/BusyPointer.h"
#include "core/ReaderState.h"
#include "formats/BookFileKind.h"
#include "formats/BookmarkFile.h"
#include "ui/LibraryTree.h"
#include "ui/MessageBox.h"
#include "ui/WindowList.h"
#include "ui/commands/ChangeSaver.h"
#include "ui/dialogs/frmAcrobat.h"
#include "views/DocumentView.h"
#include "views/EpubSession.h"
#include "views/PdfView.h"
#include "views/ReadingPane.h"
#include "views/RichTextView.h"
#include "views/WebView.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>
#include <QToolButton>
#include <QTreeWidget>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("BookOpener", text);
}

BookKind kindOf(const QString& path)
{
    switch (bookFileKind(path)) {
    case BookFileKind::Rtf:
        return BookKind::Rtf;
    case BookFileKind::Html:
        return BookKind::Html;
    case BookFileKind::Pdf:
        return BookKind::Pdf;
    case BookFileKind::WordDocument:
        return BookKind::WordDocument;
    case BookFileKind::Epub:
        return BookKind::Epub;
    case BookFileKind::PlainText:
        break;
    }
    return BookKind::PlainText;
}
} // namespace

bool BookOpener::waitForPdfNotice()
{
    ReaderState& state = m_context.state;
    if (state.PdfReaderFlag != QStringLiteral("no")) {
        return true;
    }
    state.AwaitingPdfNotice = true;
    QPointer<frmAcrobat> notice = new frmAcrobat(m_context.state, m_context.window);
    m_context.windows.add(notice);
    QEventLoop loop;
    QObject::connect(notice, &frmAcrobat::closed, &loop, &QEventLoop::quit);
    notice->show();
    notice->activateWindow();
    // The main window stays responsive while the notice is up.
    if (state.AwaitingPdfNotice) {
        loop.exec();
    }
    state.AwaitingPdfNotice = false;
    return state.PdfGoAhead;
}

bool BookOpener::loadEpubBook(const QString& path)
{
    QString error;
    // A book that cannot be shown is explained in the pane, and its file is left alone.
    if (!m_context.pane.epub()->open(path, &error)) {
        m_context.pane.show(BookKind::Refused, tr("This book cannot be shown.\n\n%1").arg(error));
        return false;
    }
    m_context.pane.show(BookKind::Epub);
    // Pages drawn to a set size are read as pages; the Contents menu switches either way.
    EpubSession* session = m_context.pane.epub();
    if (session->book().isFixedLayout() && !session->showPages(true, &error)) {
        MessageBox::show(m_context.window, error);
    }
    return true;
}

bool BookOpener::loadTextBook(const QString& path, RichTextView::LoadKind loadKind, BookKind kind)
{
    QString error;
    // A file the view refuses is shown with the reason and is never written into.
    if (!m_context.pane.text()->LoadFile(path, loadKind, &error)) {
        m_context.pane.show(BookKind::Refused, tr("This book cannot be shown.\n\n%1").arg(error));
        return false;
    }
    m_context.pane.show(kind);
    return true;
}

void BookOpener::OpenTheNode()
{
    ReaderState& state = m_context.state;
    // While the PDF reader notice waits for an answer, a second opening is held back.
    if (state.AwaitingPdfNotice) {
        return;
    }
    state.PdfGoAhead = false;
    // A book whose changes could not be written stays open rather than losing them.
    if (state.ChangesPending && !ChangeSaver(m_context).trySave()) {
        return;
    }
    // The EPUB book shown so far writes down where it was left.
    m_context.pane.epub()->close();
    CleanTheTextBox();
    QTreeWidget* tree = m_context.library;
    if (tree->topLevelItemCount() == 0 || !tree->currentItem()) {
        return;
    }
    QTreeWidgetItem* item = tree->currentItem();
    const QString name = item->text(0);
    const QString path = LibraryTree::pathOf(item, state.BooksFolder);
    // The root names the library, not a book; a book removed meanwhile has nothing to show.
    // Either way the open book stays in the pane under its own name, so its marks and
    // bookmarks still go into its own file.
    if (!QFileInfo(path).isFile()) {
        if (item->parent()) {
            MessageBox::warning(m_context.window,
                                tr("The book \"%1\" is no longer in the books folder.").arg(name));
            m_context.refreshLibrary();
        }
        return;
    }
    state.CurrentBookName = name;
    // A name that is not UTF-8 is read through a link; saving would replace the link, not
    // the book, so such a book takes no marks.
    state.BookWritable = item->data(0, LibraryTree::RawNameRole).isNull();
    RichTextView* text = m_context.pane.text();
    // Until the new book is shown the pane holds none: the view is emptied for it, and a
    // command meanwhile (the PDF notice, a conversion, waits with the window answering) must
    // not write that emptiness into any file.
    text->setText(QString());
    m_context.pane.show(BookKind::None);
    BusyPointer busy;
    bool opened = true;
    switch (kindOf(path)) {
    case BookKind::Rtf:
        opened = loadTextBook(path, RichTextView::LoadRtf, BookKind::Rtf);
        break;
    case BookKind::Html:
        m_context.pane.web()->Navigate(path);
        m_context.pane.show(BookKind::Html);
        break;
    case BookKind::Pdf:
        busy.release();
        if (!waitForPdfNotice()) {
            // Nothing else opens: the empty pane stays without a book.
            return;
        }
        // A PDF that cannot be read is shown as the view's own explanation of what is wrong.
        m_context.pane.pdf()->setSourceFile(path);
        m_context.pane.show(BookKind::Pdf);
        break;
    case BookKind::WordDocument:
        // A document that cannot be converted is shown as the view's own explanation.
        m_context.pane.document()->CreateEmbedFromFile(path);
        m_context.pane.document()->DoVerb(-4);
        m_context.pane.show(BookKind::WordDocument);
        break;
    case BookKind::Epub:
        busy.release();
        opened = loadEpubBook(path);
        break;
    case BookKind::PlainText:
    default: // kindOf gives no other kind
        opened = loadTextBook(path, RichTextView::LoadPlainText, BookKind::PlainText);
        break;
    }
    busy.release();
    state.ChangesPending = false;
    // An EPUB book returns to where it was read from its own record, not the bookmark file.
    if (!opened || state.Kind == BookKind::Epub || state.Kind == BookKind::EpubPages) {
        return;
    }
    const std::optional<qint64> bookmark =
        BookmarkFile::lastOffset(state.BookmarkFilePath, state.CurrentBookName);
    if (bookmark) {
        text->setSelStart(static_cast<int>(qMin<qint64>(*bookmark, text->characterCount())));
        text->setSelLength(0);
    }
}

void BookOpener::OpenManual()
{
    ReaderState& state = m_context.state;
    if (state.ChangesPending && !ChangeSaver(m_context).trySave()) {
        return;
    }
    m_context.pane.epub()->close();
    {
        BusyPointer busy;
        CleanTheTextBox();
        const QString path = state.BooksFolder + QStringLiteral("manual.rtf");
        state.CurrentBookName = QStringLiteral("manual.rtf");
        state.BookWritable = true;
        m_context.pane.text()->setText(QString());
        // The manual is an RTF book of the library like any other.
        loadTextBook(path, RichTextView::LoadRtf, BookKind::Rtf);
    }
    state.ChangesPending = false;
}

void BookOpener::CleanTheTextBox()
{
    RichTextView* view = m_context.pane.text();
    view->setSelColor(Qt::black);
    view->setSelBold(false);
    view->setSelItalic(false);
    view->setSelUnderline(false);
    view->setSelStrikeThru(false);
    view->setSelCharOffset(0);
    view->setFontSize(m_context.state.effectiveFontSize());
}
