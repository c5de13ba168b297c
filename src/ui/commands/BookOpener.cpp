#include "ui/commands/BookOpener.h"

#include "core/BookKinds.h"
#include "core/BusyPointer.h"
#include "core/Library.h"
#include "core/ReaderState.h"
#include "formats/BookmarkFile.h"
#include "ui/LibraryTree.h"
#include "ui/WindowList.h"
#include "ui/commands/ChangeSaver.h"
#include "ui/dialogs/frmAcrobat.h"
#include "views/EpubSession.h"
#include "views/MessageBox.h"
#include "views/ReadingPane.h"
#include "views/RichTextView.h"
#include "views/ShowOrRaise.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("BookOpener", text);
}
} // namespace

frmAcrobat* BookOpener::waitingNotice() const
{
    for (QWidget* window : m_context.windows.open()) {
        if (auto* notice = qobject_cast<frmAcrobat*>(window); notice && notice->isVisible()) {
            return notice;
        }
    }
    return nullptr;
}

void BookOpener::askForPdfReader(const QString& path)
{
    auto* notice = new frmAcrobat(m_context.state, m_context.window);
    m_context.windows.add(notice);
    // The opening goes on when the notice answers; the main window stays responsive meanwhile.
    // The connection ends with the main window, whose pane the opening fills.
    QObject::connect(notice, &frmAcrobat::answered, m_context.window,
                     [context = m_context, path](bool readerInstalled) {
                         // Declined: nothing else opens, and the empty pane stays without a book.
                         if (readerInstalled) {
                             BookOpener(context).finishOpening(path, BookKind::Pdf);
                         }
                     });
    notice->show();
    notice->activateWindow();
}

void BookOpener::finishOpening(const QString& path, BookKind kind)
{
    ReaderState& state = m_context.state;
    QString error;
    QString warning;
    BusyPointer busy;
    const bool opened = m_context.pane.open(path, kind, &error, &warning);
    busy.release();
    state.ChangesPending = false;
    if (!warning.isEmpty()) {
        MessageBox::show(m_context.window, warning);
    }
    // The bookmark is a place in the text view; a book with a reading record returns to where
    // it was read from the record instead.
    const BookKinds::Row& row = BookKinds::row(state.Kind);
    if (!opened || row.view != BookKinds::View::Text || row.sideRecord) {
        return;
    }
    RichTextView* text = m_context.pane.text();
    const std::optional<qint64> bookmark =
        BookmarkFile::lastOffset(state.BookmarkFilePath, state.CurrentBookName);
    if (bookmark) {
        text->setSelStart(static_cast<int>(qMin<qint64>(*bookmark, text->characterCount())));
        text->setSelLength(0);
    }
}

void BookOpener::OpenTheNode()
{
    ReaderState& state = m_context.state;
    // While the PDF reader notice waits for an answer, a second opening is held back.
    if (frmAcrobat* notice = waitingNotice()) {
        showOrRaise(notice);
        return;
    }
    // A book whose changes could not be written stays open rather than losing them.
    if (state.ChangesPending && !ChangeSaver(m_context).trySave()) {
        return;
    }
    // The EPUB book shown so far writes down where it was left.
    m_context.pane.epub()->close();
    CleanTheTextBox();
    const LibraryTree* tree = m_context.tree;
    const int book = tree->currentBook();
    if (book < 0 && !tree->isRootCurrent()) {
        return;
    }
    // The root names the library; a file of the same name in the books folder is what it opens.
    // The book is copied: the library may change while a message waits for an answer.
    LibraryBook entry;
    if (book >= 0) {
        entry = m_context.library.at(book);
    } else {
        entry.name = QStringLiteral("Books");
        entry.rawName = entry.name.toUtf8();
        entry.path = state.BooksFolder + entry.name;
    }
    const QString name = entry.name;
    const QString path = entry.path;
    // A book removed meanwhile has nothing to show. The open book stays in the pane under its
    // own name, so its marks and bookmarks still go into its own file.
    if (!QFileInfo(path).isFile()) {
        if (book >= 0) {
            MessageBox::warning(m_context.window,
                                tr("The book \"%1\" is no longer in the books folder.").arg(name));
            m_context.refreshLibrary();
        }
        return;
    }
    state.CurrentBookName = name;
    // A name that is not UTF-8 is read through a link; saving would replace the link, not
    // the book, so such a book takes no marks.
    state.BookWritable = entry.nameIsExact();
    // Until the new book is shown the pane holds none: the view is emptied for it, and a
    // command meanwhile (the PDF notice, a conversion, waits with the window answering) must
    // not write that emptiness into any file.
    m_context.pane.text()->setText(QString());
    m_context.pane.show(BookKind::None);
    const BookKind kind = BookKinds::kindOf(path);
    if (kind == BookKind::Pdf && state.PdfReaderFlag.isNo()) {
        askForPdfReader(path);
        return;
    }
    finishOpening(path, kind);
}

void BookOpener::OpenManual()
{
    ReaderState& state = m_context.state;
    // The PDF book waiting for the notice's answer would open over the manual.
    if (frmAcrobat* notice = waitingNotice()) {
        showOrRaise(notice);
        return;
    }
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
        m_context.pane.open(path, BookKind::Rtf, nullptr);
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
