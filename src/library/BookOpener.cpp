#include "library/BookOpener.h"

#include "app/MessageBox.h"
#include "app/frmMain.h"
#include "dialogs/frmAcrobat.h"
#include "library/EpubSession.h"
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
// The busy pointer for the whole application while a book loads; it can be lifted early.
class BusyPointer
{
public:
    BusyPointer() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { release(); }
    void release()
    {
        if (m_on) {
            QGuiApplication::restoreOverrideCursor();
            m_on = false;
        }
    }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    bool m_on = true;
};

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

void BookOpener::releaseDocumentContainer()
{
    if (m_main.ole1->isVisible()) {
        m_main.ole1->Deactivate();
        QCoreApplication::processEvents();
        m_main.ole1->hide();
    }
}

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
    m_main.btnForward->hide();
    m_main.btnBack->hide();
    QString error;
    if (!m_main.epubSession()->open(path, &error)) {
        // The view stays empty and the other views as they were, as for any book refused.
        MessageBox::warning(&m_main, error);
        return false;
    }
    m_main.txtBook->show();
    m_main.wbBook->hide();
    m_main.pdfBook->hide();
    releaseDocumentContainer();
    m_main.DisableInterface(3);
    m_main.state().Kind = BookKind::Epub;
    return true;
}

bool BookOpener::loadTextBook(const QString& path, int loadKind, BookKind kind)
{
    m_main.btnForward->hide();
    m_main.btnBack->hide();
    // A file the view refuses leaves the view empty and the other views as they were.
    if (!m_main.txtBook->LoadFile(path, loadKind)) {
        return false;
    }
    m_main.txtBook->show();
    m_main.wbBook->hide();
    m_main.pdfBook->hide();
    releaseDocumentContainer();
    m_main.DisableInterface(3);
    m_main.state().Kind = kind;
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
    const QString name = tree->currentItem()->text(0);
    const QString path = state.BooksFolder + name;
    state.CurrentBookName = name;
    if (!QFileInfo(path).isFile()) {
        return;
    }
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
        m_main.wbBook->show();
        text->hide();
        m_main.pdfBook->hide();
        m_main.btnForward->show();
        m_main.btnBack->show();
        releaseDocumentContainer();
        m_main.DisableInterface(2);
        state.Kind = BookKind::Html;
        break;
    case Kind::Pdf:
        m_main.btnForward->hide();
        m_main.btnBack->hide();
        busy.release();
        if (!waitForPdfNotice()) {
            return;
        }
        // A PDF that cannot be read is shown as the view's own explanation of what is wrong.
        m_main.pdfBook->setSourceFile(path);
        m_main.pdfBook->show();
        text->hide();
        m_main.wbBook->hide();
        releaseDocumentContainer();
        m_main.DisableInterface(1);
        state.Kind = BookKind::Pdf;
        break;
    case Kind::WordDocument:
        m_main.btnForward->hide();
        m_main.btnBack->hide();
        // A document that cannot be converted is shown as the view's own explanation.
        m_main.ole1->CreateEmbedFromFile(path);
        m_main.ole1->DoVerb(-4);
        m_main.ole1->show();
        text->hide();
        m_main.wbBook->hide();
        m_main.pdfBook->hide();
        m_main.DisableInterface(1);
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
    if (!opened || state.Kind == BookKind::Epub) {
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
        m_main.txtBook->setText(QString());
        const bool loaded = m_main.txtBook->LoadFile(path, RichTextView::LoadRtf);
        if (loaded) {
            m_main.txtBook->show();
            m_main.wbBook->hide();
            m_main.pdfBook->hide();
            m_main.ole1->hide();
            m_main.DisableInterface(3);
        }
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
