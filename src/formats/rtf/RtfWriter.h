#pragma once

#include <QByteArray>

class QTextDocument;

namespace Rtf {
// Writes the whole document as RTF (\rtf1\ansi\ansicpg1252, font and colour tables, non-ASCII
// as \uN?, every character format the view holds, paragraph alignment, pictures as PNG with
// their names kept so that reading back gives the same document).
QByteArray write(const QTextDocument* document);
// Writes the characters from start (inclusive) to end (exclusive) as a whole RTF document.
QByteArray writeRange(const QTextDocument* document, int start, int end);
} // namespace Rtf
