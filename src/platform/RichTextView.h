#pragma once

#include <QColor>
#include <QPlainTextEdit>

#include <memory>

class QPrinter;
namespace Rtf {
class RtfSourceBook;
}
class QTextDocument;

// txtBook: the rich-text view that shows plain-text books, RTF books and the manual. Offsets
// are 0-based character positions in the document; a paragraph end counts as one character
// and is handed out as "\r"; a picture is one character.
//
// Whole books must open and jump to a bookmark at once, so the view is a QPlainTextEdit: its
// layout only lays out the paragraphs on screen and scrolls by paragraph, where QTextEdit lays
// out every paragraph before the caret. Character formats (fonts, sizes, colours, effects) and
// pictures are shown; paragraph formats (alignment, indents, spacing) stay in the document and
// in saved files but are not shown on screen. Printing lays the document out in full, so it
// shows them too.
//
// The document is replaced by every LoadFile: do not keep document() across a load.
class RichTextView : public QPlainTextEdit
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
    // Font sizes the view accepts, in points; setFontSize clamps to them.
    static constexpr int MinFontSize = 1;
    static constexpr int MaxFontSize = 1638;
    static constexpr int DefaultFontSize = 12;
    // Name prefix of the pictures the program embeds (see AddPicture).
    static const QString PictureNamePrefix;

    explicit RichTextView(QWidget* parent = nullptr);
    ~RichTextView() override;

    // Text (set): replaces the whole document by the text.
    void setText(const QString& text);
    QString text() const;
    // Number of character offsets in the document (the end offset).
    int characterCount() const;

    // Replaces the content by the file's; false (with an error text) when it cannot be read or
    // is not RTF, and the view is then empty.
    bool LoadFile(const QString& path, int kind, QString* error = nullptr);
    // Writes the book as RTF, atomically. An RTF book read from a file is written as its own
    // bytes with the marks and bookmark pictures set since spliced in, so nothing else of
    // the file changes; other documents (and books whose source could not be followed) are
    // written whole from what the view holds.
    bool SaveFile(const QString& path, QString* error = nullptr);

    int SelStart() const;
    // Collapses the selection to a caret at offset (clamped to the end) and scrolls it into view.
    void setSelStart(int offset);
    int SelLength() const;
    // Selects count characters from SelStart (clamped to the end).
    void setSelLength(int count);
    QString SelText() const;
    // Only "" is used: deletes the selection.
    void setSelText(const QString& text);
    QByteArray SelRTF() const;

    void setSelColor(const QColor& color);
    void setSelBold(bool on);
    void setSelItalic(bool on);
    void setSelUnderline(bool on);
    void setSelStrikeThru(bool on);
    // Raised (positive) or lowered (negative) offset of the selection, in points.
    void setSelCharOffset(int points);

    // Base font size of the view, in points.
    void setFontSize(int points);
    int fontSize() const;

    // Finds text from start to the end of the document; selects a match and returns its
    // offset, or returns -1 and leaves the selection alone.
    int Find(const QString& text, int start, int options);

    // Prints the selection, or the whole document when nothing is selected.
    bool SelPrint(QPrinter* printer);

    // Embeds the picture file at the caret as exactly one character.
    bool AddPicture(const QString& path);
    // True when the character at offset is a picture the program embedded.
    bool isPictureAt(int offset) const;

signals:
    void mouseDown(Qt::MouseButton button, const QPoint& position);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    // A fresh document with the base font and no undo, holding a layout that lays out nothing
    // while it is filled; adoptDocument then gives it the view's layout and picture drawing.
    QTextDocument* newDocument();
    void adoptDocument(QTextDocument* document);
    void mergeSelectionFormat(const QTextCharFormat& format);

    int m_fontSize = DefaultFontSize;
    // The RTF book as read, following every mark and picture; null when the document is not
    // (or no longer) one that can be written back into its own bytes.
    std::unique_ptr<Rtf::RtfSourceBook> m_source;
};
