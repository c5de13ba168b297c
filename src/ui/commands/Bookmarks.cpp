#include "ui/commands/Bookmarks.h"

#include "core/ReaderState.h"
#include "formats/BookmarkFile.h"
#include "ui/commands/ChangeSaver.h"
#include "views/EpubSession.h"
#include "views/MessageBox.h"
#include "views/ReadingPane.h"
#include "views/RichTextView.h"

#include <QCoreApplication>

void Bookmarks::SeeIfBookmarkExists()
{
    const ReaderState& state = m_context.state;
    const std::optional<qint64> offset =
        BookmarkFile::lastOffset(state.BookmarkFilePath, state.CurrentBookName);
    if (!offset || *offset > m_context.pane.text()->characterCount()) {
        return;
    }
    // Only our own picture is removed: a book changed outside the program may hold text there.
    const int position = static_cast<int>(*offset);
    if (!m_context.pane.text()->isPictureAt(position)) {
        return;
    }
    m_context.pane.text()->setSelStart(position);
    m_context.pane.text()->setSelLength(1);
    m_context.pane.text()->setSelText(QString());
}

void Bookmarks::SetBookmark()
{
    ReaderState& state = m_context.state;
    // An EPUB book keeps its bookmark in its reading record, never in the book.
    if (m_context.pane.epub()->isOpen()) {
        QString error;
        if (!m_context.pane.epub()->setBookmark(&error)) {
            MessageBox::warning(m_context.window,
                                QCoreApplication::translate(
                                    "Bookmarks", "The bookmark was not set: the book's reading "
                                                 "record could not be written.\n\n%1")
                                    .arg(error));
            return;
        }
        MessageBox::show(m_context.window,
                         QCoreApplication::translate(
                             "Bookmarks", "Bookmark set.  When you reopen this book, you "
                                          "will be taken to this bookmark"));
        return;
    }
    RichTextView* view = m_context.pane.text();
    // A bookmark is saved into the book's own file: without such a book there is no place.
    if (!ReadingPane::keepsMarks(state)) {
        return;
    }
    // A book that cannot be written back as it is takes no bookmark picture.
    if (!view->marksRefusal().isEmpty()) {
        MessageBox::warning(m_context.window, view->marksRefusal());
        return;
    }
    const int p = view->SelStart();
    SeeIfBookmarkExists();
    view->setSelStart(p);
    view->setSelLength(0);
    if (!view->AddPicture(state.AppFolder + QStringLiteral("bookmark.bmp"))) {
        // A missing picture file ends the command silently; a place the book cannot take
        // the picture at is explained.
        if (!view->changeRefusal().isEmpty()) {
            MessageBox::warning(m_context.window, view->changeRefusal());
        }
        return;
    }
    view->setSelLength(0);
    state.ChangesPending = true;
    // The bookmark is recorded only for a book that now holds its picture on disk.
    if (ChangeSaver(m_context).SaveChanges() != ChangeSaver::Result::Saved) {
        return;
    }
    QString error;
    if (!BookmarkFile::append(state.BookmarkFilePath, state.CurrentBookName, p, &error)) {
        MessageBox::warning(
            m_context.window,
            QCoreApplication::translate("Bookmarks", "The book was saved, but its bookmark could "
                                                     "not be recorded.\n\n%1")
                .arg(error));
        return;
    }
    view->setSelLength(0);
    MessageBox::show(m_context.window,
                     QCoreApplication::translate("Bookmarks",
                                                 "Bookmark set.  When you reopen this book, you "
                                                 "will be taken to this bookmark"));
}
