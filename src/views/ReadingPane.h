#pragma once

#include "core/ReaderState.h"

#include <QHash>
#include <QObject>
#include <QPoint>
#include <QString>

class DocumentView;
class EpubSession;
class PdfView;
class QLabel;
class QMenu;
class QWidget;
class RichTextView;
class WebView;

// The reading pane: the four views a book can be shown in (text, web, PDF, Word document) and
// the label that stands in for a book that cannot be shown. open() loads a book of any kind,
// and show(kind) is the one place that shows a kind (the manual included) in its view, with the
// interface mode of its row in BookKinds.
class ReadingPane : public QObject
{
    Q_OBJECT
public:
    using View = BookKinds::View;

    // Whether marks and bookmarks can be saved into the open book's own file.
    static bool keepsMarks(const ReaderState& state)
    {
        return BookKinds::row(state.Kind).marksInFile && state.BookWritable;
    }

    // Builds the views as children of client, at their designed places; state is the reader's,
    // whose Kind show() keeps.
    ReadingPane(ReaderState& state, QWidget* client);

    // What EPUB books keep (where they were read, marks) goes into recordsFolder; contents is
    // the menu their table of contents is listed in. Without pages, fixed-layout books stay in
    // the text view too (for a reader of their text alone, which needs no web engine).
    void attachEpubSession(const QString& recordsFolder, QMenu* contents, bool pages = true);

    RichTextView* text() const { return m_text; }
    WebView* web() const { return m_web; }
    PdfView* pdf() const { return m_pdf; }
    DocumentView* document() const { return m_document; }
    QLabel* message() const { return m_message; }
    EpubSession* epub() const { return m_epub; }
    ReaderState& state() const { return m_state; }

    // Loads the book at path as a book of kind and shows it in its view, with its interface
    // mode. False with the reason when it cannot be shown: a book the text view or the EPUB
    // reader refuses is replaced in the pane by the reason (kind Refused); a PDF or Word
    // document's own view explains why. *warning (when given) receives what the user should
    // know about a book that did open (an EPUB book's pages that could not be made).
    bool open(const QString& path, BookKind kind, QString* error, QString* warning = nullptr);

    // Shows the view for kind, hides the others, makes kind the open book's kind and announces
    // the interface mode. explanation is the text shown for a refused book.
    void show(BookKind kind, const QString& explanation = QString());

    // Stretches every view to the right and bottom edges of the client area.
    void fitToClient();
    // Full screen: the views start at the client area's top left corner, with nothing beside
    // them; off, they go back to their places.
    void setWholeClient(bool whole);
    // A bar shown under the views (the find bar) while it is visible; the views end above it.
    void setFooter(QWidget* footer) { m_footer = footer; }

signals:
    // The toolbar and the menus follow: mode says which commands apply, marksAllowed whether
    // the Bookmark, Red Pen and Erase commands may write into the book.
    void interfaceChanged(InterfaceMode mode, bool marksAllowed);

private:
    // Shows the reason in place of a book; always false.
    bool refuse(const QString& reason, QString* error);

    ReaderState& m_state;
    QWidget* m_client;
    RichTextView* m_text;
    PdfView* m_pdf;
    DocumentView* m_document;
    WebView* m_web;
    QLabel* m_message;
    EpubSession* m_epub = nullptr;
    // The views' own places while they fill the client area.
    QHash<QWidget*, QPoint> m_places;
    QWidget* m_footer = nullptr;
};
