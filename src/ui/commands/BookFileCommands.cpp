#include "ui/commands/BookFileCommands.h"

#include "core/BookKinds.h"
#include "core/BusyPointer.h"
#include "core/Library.h"
#include "core/RawNameAlias.h"
#include "core/ReaderState.h"
#include "ui/LibraryTree.h"
#include "ui/commands/BookOpener.h"
#include "views/DocumentPrinter.h"
#include "views/EpubSession.h"
#include "views/MessageBox.h"
#include "views/PdfPrinter.h"
#include "views/PdfView.h"
#include "views/PrintDialog.h"
#include "views/ReadingPane.h"
#include "views/RichTextView.h"
#include "views/WebView.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QPrinter>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("BookFileCommands", text);
}

// Why a book file could not be deleted, in the user's words.
QString deleteFailure(const QString& path, const QFile& file)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        return tr("The book \"%1\" could not be deleted: it is no longer in the books folder.")
            .arg(info.fileName());
    }
    if (info.isDir()) {
        return tr("\"%1\" could not be deleted: it is a folder, not a book file.")
            .arg(info.fileName());
    }
    return tr("The book \"%1\" could not be deleted.\n\n%2")
        .arg(info.fileName(), file.errorString());
}
} // namespace

void BookFileCommands::DeleteBook()
{
    LibraryTree* tree = m_context.tree;
    const int book = tree->currentBook();
    // Without a selected book there is nothing to delete; the root "Books" names the library,
    // not a file in it.
    if (book < 0) {
        return;
    }
    ReaderState& state = m_context.state;
    const LibraryBook entry = m_context.library.at(book);
    const QString& name = entry.name;
    const QString& path = entry.path;
    const auto answer = MessageBox::show(
        m_context.window,
        tr("Are you sure that you want to delete %1?").arg(state.BooksFolder + name),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, tr("Delete Book"));
    if (answer != QMessageBox::Yes) {
        return;
    }

    bool deleted = true;
    QString failure;
    if (!entry.nameIsExact()) {
        // A name that is not UTF-8 is removed by its real bytes.
        QString reason;
        deleted = RawNameAlias::remove(state.BooksFolder, entry.rawName, &reason);
        if (!deleted) {
            failure = tr("The book \"%1\" could not be deleted.\n\n%2").arg(name, reason);
        }
    } else if (!name.isEmpty()) {
        QFile file(path);
        const QFileInfo info(path);
        deleted = info.isFile() && file.remove();
        if (!deleted) {
            failure = deleteFailure(path, file);
        }
    }
    // The deleted open book must not be written back by the opening that follows, nor stay on
    // screen when that opening is the root's, which shows an empty pane.
    if (name == state.CurrentBookName && !QFileInfo::exists(path)) {
        state.ChangesPending = false;
        if (deleted) {
            // Nothing may write the deleted book back: the pane holds no book now.
            m_context.pane.text()->setText(QString());
            m_context.pane.show(BookKind::None);
            state.CurrentBookName.clear();
        }
    }

    m_context.refreshLibrary();
    if (!deleted) {
        // The tree shows what is really in the books folder; the open book stays open.
        tree->selectBook(m_context.library.findRaw(entry.rawName));
        MessageBox::warning(m_context.window, failure, tr("Delete Book"));
        return;
    }
    // The node above the deleted one opens: the book before it, or the root for the first.
    if (book == 0) {
        tree->selectRoot();
    } else if (book - 1 < m_context.library.count()) {
        tree->selectBook(book - 1);
    } else {
        return;
    }
    BookOpener(m_context).OpenTheNode();
}

void BookFileCommands::PrintBook()
{
    const ReaderState& state = m_context.state;
    if (state.Kind == BookKind::Pdf) {
        // A PDF book prints its own pages, those of the range chosen.
        PdfView* pdf = m_context.pane.pdf();
        if (pdf->pageCount() == 0) {
            return;
        }
        QPrinter printer(QPrinter::HighResolution);
        if (!PrintDialog::exec(m_context.window, &printer, false)) {
            return;
        }
        QString error;
        if (!PdfPrinter::print(*pdf->pages(), &printer, &error)) {
            MessageBox::show(m_context.window,
                             tr("The book could not be printed.\n\n%1").arg(error));
        }
        return;
    }
    const BookKinds::Row& row = BookKinds::row(state.Kind);
    if (row.view == BookKinds::View::Web) {
        if (m_context.pane.web()->QueryStatusWB(WebView::CommandPrint) & WebView::StatusEnabled) {
            m_context.pane.web()->ExecWB(WebView::CommandPrint, WebView::PromptUser);
        } else {
            MessageBox::show(m_context.window, tr("The Print command is currently disabled."));
        }
        return;
    }
    // Word documents, refused books and the empty pane print nothing.
    if (row.view != BookKinds::View::Text || state.Kind == BookKind::None) {
        return;
    }
    RichTextView* view = m_context.pane.text();
    QPrinter printer(QPrinter::HighResolution);
    const bool selection = view->SelLength() != 0;
    if (!PrintDialog::exec(m_context.window, &printer, selection)) {
        return;
    }
    // The range chosen in the dialog decides: the selection, or the whole book (all of its
    // pages, or those from ... to ...).
    const bool selectionOnly = selection && printer.printRange() == QPrinter::Selection;
    // The view holds one chapter of a book read chapter by chapter (EPUB and the other
    // formats): the book is printed from its chapters.
    EpubSession* epub = m_context.pane.epub();
    QString error;
    bool printed = true;
    if (selectionOnly) {
        printed = view->SelPrint(&printer);
    } else if (row.reader == BookKinds::Reader::Chapters && epub && epub->isOpen()) {
        printed = epub->printBook(&printer, &error);
    } else {
        BusyPointer busy;
        printed = DocumentPrinter::printRange(view->document(), 0, view->characterCount(), &printer,
                                              &error);
    }
    if (!printed && !error.isEmpty()) {
        MessageBox::show(m_context.window, tr("The book could not be printed.\n\n%1").arg(error));
    }
}

void BookFileCommands::CopySelection()
{
    const ReaderState& state = m_context.state;
    RichTextView* view = m_context.pane.text();
    // Only text is copied: the text view holds it for every kind it shows.
    if (state.Kind == BookKind::None || BookKinds::row(state.Kind).view != BookKinds::View::Text) {
        return;
    }
    // Paragraph ends come out of the view as "\r"; the clipboard carries this system's line
    // ends, and a bookmark picture is no text.
    QString text = view->SelText();
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.remove(QChar::ObjectReplacementCharacter);
    auto* data = new QMimeData;
    data->setText(text);
    if (state.Kind == BookKind::Rtf) {
        const QByteArray rtf = view->SelRTF();
        data->setData(QStringLiteral("text/rtf"), rtf);
        data->setData(QStringLiteral("application/rtf"), rtf);
    }
    QApplication::clipboard()->setMimeData(data);
}
