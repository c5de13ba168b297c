#pragma once

#include <QList>
#include <QString>

class BookOutline;
class ReadingPane;

// The bookmark and the red-pen marks of the book in the reading pane, as the side panel lists
// them: an EPUB book's from its reading record; a book shown as text from the text itself
// (marked text is dark red and underlined, the bookmark is the program's picture at the place
// bookmark.txt names), so marks made in any earlier session are found as they are in the file.
class BookMarkList
{
public:
    struct Entry
    {
        bool bookmark = false;
        QString text;    // the marked text, or the text after the bookmark
        QString chapter; // the contents entry the place lies under (empty before the first)
        int percent = 0; // how far into the book
        // Where it is: an offset of the text; an EPUB book's chapter and offset in it.
        int chapterIndex = 0;
        int offset = 0;
        int length = 0;
    };

    // Reads the marks of the book shown in pane; outline (already read) names their chapters.
    static QList<Entry> read(const ReadingPane& pane, const BookOutline& outline);
    // Shows the entry's place in the pane, with the marked text selected.
    static void go(ReadingPane& pane, const Entry& entry);
    // The marks as Markdown: the book's title, then each mark quoted with its chapter.
    static QString markdown(const QString& title, const QList<Entry>& entries);
};
