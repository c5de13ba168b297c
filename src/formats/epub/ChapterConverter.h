#pragma once

#include <QHash>
#include <QSize>
#include <QString>
#include <QStringList>

class QTextDocument;

namespace Epub {

class Book;

// Turns one chapter of a book (XHTML and the CSS it links or holds) into a QTextDocument:
// headings, paragraphs with their alignment, margins and indents, emphasis, lists, tables,
// pictures scaled to fit (floating ones marked so), SVG drawings (held as their source, for the
// view to draw at the size shown), ruby, the borders around paragraphs (ChapterFormats), links.
// Links inside the book become "epub:" URLs naming the chapter index and anchor (see linkTarget); a
// link to a footnote carries the note's text as its tool tip. Pictures are held in the document at
// the size shown, and only the chapter's own. Hidden elements (the hidden attribute, display:none)
// are left out. Broken XHTML shows what was read before the damage. What a chapter may cost is
// bounded before anything is built from it: a chapter past the bound is shown as far as it goes,
// with a note saying so.
class ChapterConverter
{
public:
    static const QString LinkScheme;

    explicit ChapterConverter(const Book& book) : m_book(book) {}

    // Pictures wider than this many pixels are scaled down to it.
    void setMaxPictureWidth(int pixels) { m_maxPictureWidth = pixels; }
    // The height of the page, in pixels: covers and drawings that are a page are fitted to it
    // (0, the default: pictures are fitted to the width alone).
    void setMaxPictureHeight(int pixels) { m_maxPictureHeight = pixels; }
    // Converts only the start of a chapter: about this many characters of its text, up to the
    // end of a paragraph outside any table or list, so its text is the start of the whole
    // chapter's. 0 (the default) converts chapters whole.
    void setTextLimit(qsizetype characters) { m_textLimit = characters; }

    // Replaces the document's content by the chapter; false with an error when nothing of it
    // could be read. Warnings (damaged XHTML) are kept in warnings().
    bool convert(int chapter, QTextDocument* document, QString* error = nullptr);
    // The HTML handed to the document, for the chapter last converted.
    QString html() const { return m_html; }
    QStringList warnings() const { return m_warnings; }
    // False when only the start of the chapter was converted (see setTextLimit).
    bool complete() const { return m_complete; }
    // Where each element id of the chapter last converted is in the document: id -> offset
    // (the first element of an id that appears twice).
    QHash<QString, int> anchors() const { return m_anchors; }

    // Fits the pictures of a chapter converted into document to a new page (a height of 0:
    // to its width alone): each is decoded again from the book at its size for that page (never
    // bigger than it is), replacing the one held, and its place in the text takes the new size;
    // a drawing takes its size for the page. Text and offsets stay as they are. Returns how many
    // places changed size.
    static int fitPictures(const Book& book, QTextDocument* document, const QSize& page);

    // The note closing a chapter that was too long to be shown whole.
    static QString tooLongNote();

    // Reads an "epub:" link back: chapter index (or -1) and anchor.
    static int linkChapter(const QString& url, QString* anchor = nullptr);

private:
    const Book& m_book;
    int m_maxPictureWidth = 800;
    int m_maxPictureHeight = 0;
    qsizetype m_textLimit = 0;
    bool m_complete = true;
    QHash<QString, int> m_anchors;
    QString m_html;
    QStringList m_warnings;
};

} // namespace Epub
