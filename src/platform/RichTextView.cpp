#include "platform/RichTextView.h"

#include <QMouseEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

RichTextView::RichTextView(QWidget* parent) : QTextEdit(parent)
{
    setObjectName(QStringLiteral("txtBook"));
    setAccessibleName(tr("Book"));
    setUndoRedoEnabled(false);
}

void RichTextView::setText(const QString& text)
{
    setPlainText(text);
}

QString RichTextView::text() const
{
    return toPlainText();
}

int RichTextView::characterCount() const
{
    return document()->characterCount() - 1;
}

bool RichTextView::LoadFile(const QString&, int, QString* error)
{
    if (error) {
        *error = tr("Loading books is not available yet.");
    }
    return false;
}

bool RichTextView::SaveFile(const QString&, QString* error)
{
    if (error) {
        *error = tr("Saving books is not available yet.");
    }
    return false;
}

int RichTextView::SelStart() const
{
    return textCursor().selectionStart();
}

void RichTextView::setSelStart(int offset)
{
    QTextCursor cursor = textCursor();
    cursor.setPosition(qBound(0, offset, characterCount()));
    setTextCursor(cursor);
    ensureCursorVisible();
}

int RichTextView::SelLength() const
{
    const QTextCursor cursor = textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

void RichTextView::setSelLength(int count)
{
    QTextCursor cursor = textCursor();
    const int start = cursor.selectionStart();
    cursor.setPosition(start);
    cursor.setPosition(qBound(start, start + count, characterCount()), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

QString RichTextView::SelText() const
{
    QString text = textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\r'));
    return text;
}

void RichTextView::setSelText(const QString& text)
{
    textCursor().insertText(text);
}

QByteArray RichTextView::SelRTF() const
{
    return {};
}

namespace {
void mergeFormat(QTextEdit* edit, const QTextCharFormat& format)
{
    QTextCursor cursor = edit->textCursor();
    if (cursor.hasSelection()) {
        cursor.mergeCharFormat(format);
    }
    edit->mergeCurrentCharFormat(format);
}
} // namespace

void RichTextView::setSelColor(const QColor& color)
{
    QTextCharFormat format;
    format.setForeground(color);
    mergeFormat(this, format);
}

void RichTextView::setSelBold(bool on)
{
    QTextCharFormat format;
    format.setFontWeight(on ? QFont::Bold : QFont::Normal);
    mergeFormat(this, format);
}

void RichTextView::setSelItalic(bool on)
{
    QTextCharFormat format;
    format.setFontItalic(on);
    mergeFormat(this, format);
}

void RichTextView::setSelUnderline(bool on)
{
    QTextCharFormat format;
    format.setFontUnderline(on);
    mergeFormat(this, format);
}

void RichTextView::setSelStrikeThru(bool on)
{
    QTextCharFormat format;
    format.setFontStrikeOut(on);
    mergeFormat(this, format);
}

void RichTextView::setSelCharOffset(int points)
{
    QTextCharFormat format;
    format.setVerticalAlignment(points > 0   ? QTextCharFormat::AlignSuperScript
                                : points < 0 ? QTextCharFormat::AlignSubScript
                                             : QTextCharFormat::AlignNormal);
    mergeFormat(this, format);
}

void RichTextView::setFontSize(int points)
{
    QFont font = document()->defaultFont();
    font.setPointSize(points > 0 ? points : 12);
    document()->setDefaultFont(font);
}

int RichTextView::fontSize() const
{
    return document()->defaultFont().pointSize();
}

int RichTextView::Find(const QString&, int, int)
{
    return -1;
}

bool RichTextView::SelPrint(QPrinter*)
{
    return false;
}

bool RichTextView::AddPicture(const QString&)
{
    return false;
}

bool RichTextView::isPictureAt(int) const
{
    return false;
}

void RichTextView::mousePressEvent(QMouseEvent* event)
{
    emit mouseDown(event->button(), event->pos());
    QTextEdit::mousePressEvent(event);
}
