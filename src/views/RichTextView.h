#pragma once

#include "core/FontSizePolicy.h"
#include "views/BookLook.h"

#include <QColor>
#include <QTextEdit>

#include <memory>

class QPrinter;
class QTextDocument;

// txtBook: the rich-text view that shows plain-text books, RTF books and the manual. Offsets
// are 0-based character positions in the document; a line end (a paragraph's, or a line broken
// within one) counts as one character and is handed out as "\r"; a picture is one character.
// A plain-text book's lines are joined into paragraphs at its blank lines.
//
// Whole books must open and jump to a bookmark at once, so the view's layout
// (BookDocumentLayout) lays out only what is shown and estimates the rest; QTextEdit's own
// layout would lay out every paragraph before the caret. Paragraph and character formats,
// tables, lists and pictures are drawn. A footnote mark shows its note when pointed at or
// clicked. Printing lays the document out in full for the page.
//
// The document is replaced by every LoadFile: do not keep document() across a load.
class RichTextView : public QTextEdit
{
    Q_OBJECT
public:
    enum LoadKind
    {
        LoadRtf = 0,
        LoadPlainText = 1
    };
    enum FindOption
    {
        FindWholeWord = 2,
        FindMatchCase = 4
    };
    Q_DECLARE_FLAGS(FindOptions, FindOption)
    // Name prefix of the pictures the program embeds (see AddPicture).
    static const QString PictureNamePrefix;

    explicit RichTextView(QWidget* parent = nullptr);
    ~RichTextView() override;

    // Text (set): replaces the whole document by the text.
    void setText(const QString& text);
    QString text() const;
    // The text one character per offset, as bookmarks and marks count them: a paragraph or line
    // end (and a table's edges) as "\n", a picture as U+FFFC, every other character as it is.
    QString heldText() const;
    // Number of character offsets in the document (the end offset).
    int characterCount() const;

    // Replaces the content by the file's; false (with an error text) when it cannot be read or
    // is not RTF, and the view is then empty.
    bool LoadFile(const QString& path, LoadKind kind, QString* error = nullptr);
    // A new, empty document with the view's base font, to be filled elsewhere (an EPUB
    // chapter) and handed to showDocument.
    QTextDocument* prepareDocument();
    // Shows a document made by prepareDocument; the view takes it over.
    void showDocument(QTextDocument* document);

    // Writes the book as RTF, atomically. An RTF book read from a file is only ever written
    // as its own bytes with the marks and bookmark pictures set since spliced in, so nothing
    // else of the file changes: writing it whole would lose what the view does not show
    // (notes, headers, styles, document information). Other documents are written whole
    // from what the view holds.
    bool SaveFile(const QString& path, QString* error = nullptr);

    // Why the book in the view cannot keep marks or bookmarks, empty when it can: a plain-text
    // book whose bytes did not all decode (writing it as RTF would not give the book back),
    // or an RTF book whose source could not be followed (damaged, or nested too deeply).
    QString marksRefusal() const { return m_marksRefusal; }
    // Why the last change to the selection of an RTF book was refused (it could not be
    // written into that place of the book's own bytes); empty when it was made.
    QString changeRefusal() const { return m_changeRefusal; }

    int SelStart() const;
    // Collapses the selection to a caret at offset (clamped to the end) and scrolls it into view.
    void setSelStart(int offset);
    int SelLength() const;
    // Selects count characters from SelStart (clamped to the end).
    void setSelLength(int count);
    QString SelText() const;
    // Only "" is used: deletes the selection. False (nothing deleted) when an RTF book could
    // not be written without it: only the program's own pictures can be taken out of one.
    bool setSelText(const QString& text);
    QByteArray SelRTF() const;

    // These set the format of the selection, or at the caret. In an RTF book a selection's
    // colour and underlining are written into the book's bytes; a change that cannot be (any
    // other, or one at a place the source cannot follow) is refused: false, nothing changed,
    // and changeRefusal() says why.
    bool setSelColor(const QColor& color);
    bool setSelBold(bool on);
    bool setSelItalic(bool on);
    bool setSelUnderline(bool on);
    bool setSelStrikeThru(bool on);
    // Raised (positive) or lowered (negative) offset of the selection, in points.
    bool setSelCharOffset(int points);

    // Base font size of the view, in points.
    void setFontSize(int points);
    int fontSize() const;
    // Family of the base font: text that sets none of its own is shown in it. Empty: the
    // view's own.
    void setFontFamily(const QString& family);
    QString fontFamily() const { return m_fontFamily; }

    // Zoom, line spacing and theme colours the book is drawn with; the text at the top of the
    // view stays there.
    void setLook(const BookLook& look);
    const BookLook& look() const { return m_look; }
    // Keeps the text column at most this many characters of the base font wide (zoomed),
    // centred with the rest of the view's width as margins; 0 uses the whole width.
    void setColumnCharacters(int characters);
    int columnCharacters() const { return m_columnCharacters; }

    // Finds text from start to the end of the document; selects a match and returns its
    // offset, or returns -1 and leaves the selection alone.
    int Find(const QString& text, int start, FindOptions options);

    // Prints the selection, or the whole document when nothing is selected.
    bool SelPrint(QPrinter* printer);

    // Embeds the picture file at the caret as exactly one character. False when the picture
    // cannot be read, or cannot be written into that place of an RTF book (changeRefusal()).
    bool AddPicture(const QString& path);
    // True when the character at offset is a picture the program embedded.
    bool isPictureAt(int offset) const;

    // The text of the note whose mark is at the point of the viewport, or an empty string.
    QString noteAt(const QPoint& point) const;

signals:
    void mouseDown(Qt::MouseButton button, const QPoint& position);

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // A fresh document with the base font and no undo, holding a layout that lays out nothing
    // while it is filled; adoptDocument then gives it the view's layout and picture drawing.
    QTextDocument* newDocument();
    void adoptDocument(QTextDocument* document);
    bool mergeSelectionFormat(const QTextCharFormat& format);
    // Refuses a change to an RTF book that its source cannot take.
    bool refuseChange();
    // Scrolls the caret into view with some text above it, laying out only around it.
    void showCaret();
    // Keeps the shown text still when paragraphs above it change height or all heights are
    // estimated anew.
    void keepTextStill(qreal y, qreal delta);
    void rememberTop();
    void layoutScreenAbove();
    void restoreTop();
    // The base font: the size and family chosen, as every new document gets it.
    QFont baseFont() const;
    // Sets the margins that keep the column to its width; true when they changed.
    bool updateColumn();
    // Lays the document out again for the viewport's width, keeping the text at the top.
    void relayoutForWidth();

    int m_fontSize = FontSizePolicy::Default;
    QString m_fontFamily;
    BookLook m_look;
    int m_columnCharacters = 0;
    // The document position shown at the top of the viewport, and whether it must be put back
    // there once the scroll bar knows the new heights.
    int m_topPosition = 0;
    bool m_restoreTop = false;
    bool m_resizing = false;
    bool m_layingOutAbove = false;
    qreal m_shiftRemainder = 0;
    // The RTF book as read, following every mark and picture; null when the document is not
    // one that can be written back into its own bytes.
    struct SourceBook; // the book's own RTF bytes and where each character came from
    std::unique_ptr<SourceBook> m_source;
    // An RTF book read from a file: never written whole. Without a source (it could not be
    // followed) it takes no change at all and is written as it was read.
    bool m_rtfBook = false;
    QByteArray m_bytesAsRead;
    QString m_bookName;
    QString m_marksRefusal;
    QString m_changeRefusal;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(RichTextView::FindOptions)
