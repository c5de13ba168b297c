#pragma once

#include "core/ReaderState.h"

#include <QObject>
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
// the label that stands in for a book that cannot be shown. show(kind) is the one place that
// decides, for every kind of book (the manual included), which view shows it, which interface
// mode goes with it and whether marks and bookmarks may be written into its file.
class ReadingPane : public QObject
{
    Q_OBJECT
public:
    enum class View
    {
        Text,
        Web,
        Pdf,
        Document,
        // A book the text view refused: the reason stands in the pane instead.
        Explanation
    };

    struct Layout
    {
        View view;
        InterfaceMode interfaceMode;
        // Marks and bookmarks are saved into the book's own file.
        bool keepsMarks;
    };

    static Layout layoutFor(BookKind kind);
    // Whether marks and bookmarks can be saved into the open book.
    static bool keepsMarks(const ReaderState& state)
    {
        return layoutFor(state.Kind).keepsMarks && state.BookWritable;
    }

    // Builds the views as children of client, at their designed places; state is the reader's,
    // whose Kind show() keeps.
    ReadingPane(ReaderState& state, QWidget* client);

    // What EPUB books keep (where they were read, marks) goes into recordsFolder; contents is
    // the menu their table of contents is listed in.
    void attachEpubSession(const QString& recordsFolder, QMenu* contents);

    RichTextView* text() const { return m_text; }
    WebView* web() const { return m_web; }
    PdfView* pdf() const { return m_pdf; }
    DocumentView* document() const { return m_document; }
    QLabel* message() const { return m_message; }
    EpubSession* epub() const { return m_epub; }
    ReaderState& state() const { return m_state; }

    // Shows the view for kind, hides the others, makes kind the open book's kind and announces
    // the interface mode. explanation is the text shown for a refused book.
    void show(BookKind kind, const QString& explanation = QString());

    // Stretches every view to the right and bottom edges of the client area.
    void fitToClient();

signals:
    // The toolbar and the menus follow: mode says which commands apply, marksAllowed whether
    // the Bookmark, Red Pen and Erase commands may write into the book.
    void interfaceChanged(InterfaceMode mode, bool marksAllowed);

private:
    ReaderState& m_state;
    QWidget* m_client;
    RichTextView* m_text;
    PdfView* m_pdf;
    DocumentView* m_document;
    WebView* m_web;
    QLabel* m_message;
    EpubSession* m_epub = nullptr;
};
