#pragma once

#include <QList>
#include <QString>

class ReadingPane;

// The table of contents of the book in the reading pane, whatever its kind: an EPUB book's
// navigation document or NCX (and the books read as chapters), the headings of a book shown as
// text (outline levels, heading styles, or the chapter lines of plain text), an HTML book's h1
// to h6, a PDF book's outline. It says which entry is being read and goes to an entry.
class BookOutline
{
public:
    struct Entry
    {
        QString title;
        int depth = 0;
        // Where the entry points, by kind: a text offset; an EPUB book's contents index; a
        // page and how far down it; a heading of a web page by its order and id.
        int offset = -1;
        int page = 0;
        double top = 0;
        QString id;
    };

    // Reads the contents of the book shown in pane (empty without a book, or for a book
    // without contents).
    void read(const ReadingPane& pane);
    void clear();
    const QList<Entry>& entries() const { return m_entries; }
    bool isEmpty() const { return m_entries.isEmpty(); }

    // The entry being read: the last one at or before the view's top edge; -1 before the
    // first, and for web pages (which do not say where their headings are).
    int current(const ReadingPane& pane) const;
    // Shows the entry's place in the pane.
    void go(ReadingPane& pane, int index) const;

private:
    enum class Source
    {
        None,
        Epub,
        Text,
        Document,
        Pdf,
        Web
    };
    Source m_source = Source::None;
    QList<Entry> m_entries;
};
