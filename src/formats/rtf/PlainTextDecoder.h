#pragma once

#include <QByteArray>
#include <QString>

namespace PlainText {

// A plain-text book decoded in its own encoding.
struct Book
{
    QString text;
    QByteArray encoding; // the name of the encoding that was used, e.g. "UTF-8", "WINDOWS-1251"
    // Some bytes did not decode and show as U+FFFD: writing the text back (as RTF) would not
    // give the book again, so it must never replace the file.
    bool replacedBytes = false;
    // Not text at all (a picture, a PDF, an archive...): nothing is shown as text.
    bool binary = false;
    QString binaryKind; // what it looks like, e.g. "PNG picture"; empty when unknown
};

// Finds the encoding and decodes: a byte-order mark wins; valid UTF-8 is UTF-8; UTF-8 with a
// few invalid bytes stays UTF-8 with U+FFFD for those bytes only; UTF-16 without a mark is
// recognised by its zero bytes; otherwise the detector's answer, with Windows-1252 as the
// last resort. Files with known binary signatures, or with NUL and control bytes beyond a
// small share, are binary. CR LF, CR and LF each become one "\n"; control characters that
// cannot be shown become U+FFFD.
Book decodeBook(const QByteArray& data);
// The text alone (binary files give their bytes as Windows-1252, harmlessly).
QString decode(const QByteArray& data);

// A paragraph of joined lines ends after this many lines or characters, so that no paragraph
// grows too long to lay out at once.
inline constexpr int MaxJoinedLines = 64;
inline constexpr int MaxJoinedChars = 16384;

// Joins the lines of each paragraph (the lines between blank lines) for the document: their
// line ends become line separators (U+2028), which the view breaks the line at just the same
// and counts as one character too, so offsets, bookmarks and marks stay where they were. The
// document then keeps one block per paragraph instead of one per line; on a long book those
// blocks are most of its memory. Changes the text in place; its length does not change.
void joinParagraphLines(QString& text);

} // namespace PlainText
