#pragma once

#include <QColor>
#include <QTextEdit>

class QPrinter;

// txtBook: the rich-text view that shows plain-text books, RTF books and the manual. Offsets
// are 0-based character positions in the document; a paragraph end counts as one character
// and is handed out as "\r"; a picture is one character.
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

    explicit RichTextView(QWidget* parent = nullptr);

    // Text (set): replaces the whole document by the text.
    void setText(const QString& text);
    QString text() const;
    // Number of character offsets in the document (the end offset).
    int characterCount() const;

    // Replaces the content by the file's; false (with an error text) when it cannot be read.
    bool LoadFile(const QString& path, int kind, QString* error = nullptr);
    // Writes the whole document, pictures included, as RTF, atomically.
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
};
