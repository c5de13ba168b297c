#include "reading/Bookmarks.h"

#include "app/MessageBox.h"
#include "app/frmMain.h"
#include "library/ReadingPane.h"
#include "platform/RichTextView.h"
#include "reading/BookmarkFile.h"

#include <QCoreApplication>

void Bookmarks::SeeIfBookmarkExists()
{
    const ReaderState& state = m_main.state();
    const std::optional<qint64> offset =
        BookmarkFile::lastOffset(state.BookmarkFilePath, state.CurrentBookName);
    if (!offset || *offset == 0 || *offset > m_main.txtBook->characterCount()) {
        return;
    }
    // Only our own picture is removed: a book changed outside the program may hold text there.
    const int position = static_cast<int>(*offset);
    if (!m_main.txtBook->isPictureAt(position)) {
        return;
    }
    m_main.txtBook->setSelStart(position);
    m_main.txtBook->setSelLength(1);
    m_main.txtBook->setSelText(QString());
}

void Bookmarks::SetBookmark()
{
    ReaderState& state = m_main.state();
    RichTextView* view = m_main.txtBook;
    // A bookmark is saved into the book's own file: without such a book there is no place.
    if (!ReadingPane::keepsMarks(state.Kind)) {
        return;
    }
    const int p = view->SelStart();
    SeeIfBookmarkExists();
    view->setSelStart(p);
    view->setSelLength(0);
    if (!view->AddPicture(state.AppFolder + QStringLiteral("bookmark.bmp"))) {
        return;
    }
    view->setSelLength(0);
    state.ChangesPending = true;
    m_main.SaveChanges();
    if (!state.BookSaved) {
        return;
    }
    QString error;
    if (!BookmarkFile::append(state.BookmarkFilePath, state.CurrentBookName, p, &error)) {
        MessageBox::warning(&m_main, QCoreApplication::translate(
                                         "Bookmarks", "The book was saved, but its bookmark could "
                                                      "not be recorded.\n\n%1")
                                         .arg(error));
        return;
    }
    view->setSelLength(0);
    MessageBox::show(&m_main, QCoreApplication::translate(
                                  "Bookmarks", "Bookmark set.  When you reopen this book, you "
                                               "will be taken to this bookmark"));
}
