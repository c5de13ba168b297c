#include "library/BookOpener.h"

#include "app/MessageBox.h"
#include "app/frmMain.h"
#include "dialogs/frmAcrobat.h"
#include "library/EpubSession.h"
#include "library/LibraryTree.h"
#include "library/ReadingPane.h"
#include "platform/BusyPointer.h"
#include "platform/DocumentView.h"
#include "platform/PdfView.h"
#include "platform/RichTextView.h"
#include "platform/WebView.h"
#include "reading/BookmarkFile.h"

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

enum class Kind
{
    Rtf,
    Html,
    Pdf,
    WordDocument,
    Epub,
    PlainText
};

// Only the end of the full path counts, case ignored; the first match wins.
Kind kindOf(const QString& path)
{
    const QString lower = path.toLower();
    if (lower.endsWith(QLatin1String("rtf"))) {
        return Kind::Rtf;
    }
    if (lower.endsWith(QLatin1String("htm")) || lower.endsWith(QLatin1String("html"))) {
        return Kind::Html;
    }
    if (lower.endsWith(QLatin1String("pdf"))) {
        return Kind::Pdf;
    }
    if (lower.endsWith(QLatin1String("doc"))) {
        return Kind::WordDocument;
    }
    if (lower.endsWith(QLatin1String(".epub"))) {
        return Kind::Epub;
    }
    return Kind::PlainText;
}
} // namespace

bool BookOpener::waitForPdfNotice()
{
    ReaderState& state = m_main.state();
    if (state.PdfReaderFlag != QStringLiteral("no")) {
        return true;
    }
    state.AwaitingPdfNotice = true;
    QPointer<frmAcrobat> notice = new frmAcrobat(m_main);
    m_main.registerWindow(notice);
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
    if (!m_main.epubSession()->open(path, &error)) {
        ReadingPane::show(m_main, BookKind::Refused,
                          tr("This book cannot be shown.\n\n%1").arg(error));
        return false;
    }
    ReadingPane::show(m_main, BookKind::Epub);
    // Pages drawn to a set size are read as pages; the Contents menu switches either way.
    frmMain& main = m_main;
    EpubSession* session = m_main.epubSession();
    session->setPageView(m_main.wbBook, [&main](bool pages) {
        ReadingPane::show(main, pages ? BookKind::EpubPages : BookKind::Epub);
    });
    if (session->book().isFixedLayout() && !session->showPages(true, &error)) {
        MessageBox::show(&m_main, error);
    }
    return true;
}

bool BookOpener::loadTextBook(const QString& path, int loadKind, BookKind kind)
{
    QString error;
    // A file the view refuses is shown with the reason and is never written into.
    if (!m_main.txtBook->LoadFile(path, loadKind, &error)) {
        ReadingPane::show(m_main, BookKind::Refused,
                          tr("This book cannot be shown.\n\n%1").arg(error));
        return false;
    }
    ReadingPane::show(m_main, kind);
    return true;
}

void BookOpener::OpenTheNode()
{
    ReaderState& state = m_main.state();
    // While the PDF reader notice waits for an answer, a second opening is held back.
    if (state.AwaitingPdfNotice) {
        return;
    }
    state.PdfGoAhead = false;
    // A book whose changes could not be written stays open rather than losing them.
    if (state.ChangesPending && !m_main.SaveChanges()) {
        return;
    }
    // The EPUB book shown so far writes down where it was left.
    m_main.epubSession()->close();
    CleanTheTextBox();
    QTreeWidget* tree = m_main.TreeView1;
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
            MessageBox::warning(&m_main,
                                tr("The book \"%1\" is no longer in the books folder.").arg(name));
            m_main.SetNodesList();
        }
        return;
    }
    state.CurrentBookName = name;
    // A name that is not UTF-8 is read through a link; saving would replace the link, not
    // the book, so such a book takes no marks.
    state.BookWritable = item->data(0, LibraryTree::RawNameRole).isNull();
    RichTextView* text = m_main.txtBook;
    text->setText(QString());
    BusyPointer busy;
    bool opened = true;
    switch (kindOf(path)) {
    case Kind::Rtf:
        opened = loadTextBook(path, RichTextView::LoadRtf, BookKind::Rtf);
        break;
    case Kind::Html:
        m_main.wbBook->Navigate(path);
        ReadingPane::show(m_main, BookKind::Html);
        break;
    case Kind::Pdf:
        m_main.btnForward->hide();
        m_main.btnBack->hide();
        busy.release();
        if (!waitForPdfNotice()) {
            // Nothing else opens: the empty text view holds no book to write into.
            ReadingPane::show(m_main, BookKind::None);
            return;
        }
        // A PDF that cannot be read is shown as the view's own explanation of what is wrong.
        m_main.pdfBook->setSourceFile(path);
        ReadingPane::show(m_main, BookKind::Pdf);
        break;
    case Kind::WordDocument:
        // A document that cannot be converted is shown as the view's own explanation.
        m_main.ole1->CreateEmbedFromFile(path);
        m_main.ole1->DoVerb(-4);
        ReadingPane::show(m_main, BookKind::WordDocument);
        break;
    case Kind::Epub:
        busy.release();
        opened = loadEpubBook(path);
        break;
    case Kind::PlainText:
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
    ReaderState& state = m_main.state();
    if (state.ChangesPending && !m_main.SaveChanges()) {
        return;
    }
    m_main.epubSession()->close();
    {
        BusyPointer busy;
        CleanTheTextBox();
        const QString path = state.BooksFolder + QStringLiteral("manual.rtf");
        state.CurrentBookName = QStringLiteral("manual.rtf");
        state.BookWritable = true;
        m_main.txtBook->setText(QString());
        // The manual is an RTF book of the library like any other.
        loadTextBook(path, RichTextView::LoadRtf, BookKind::Rtf);
    }
    state.ChangesPending = false;
}

void BookOpener::CleanTheTextBox()
{
    RichTextView* view = m_main.txtBook;
    view->setSelColor(Qt::black);
    view->setSelBold(false);
    view->setSelItalic(false);
    view->setSelUnderline(false);
    view->setSelStrikeThru(false);
    view->setSelCharOffset(0);
    view->setFontSize(m_main.state().effectiveFontSize());
}
