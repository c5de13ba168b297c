#pragma once

#include <QByteArray>
#include <QString>

namespace PlainText {
// Decodes a plain-text book: a BOM decides (UTF-8, UTF-16 LE or BE); else valid UTF-8 is
// UTF-8; else Windows-1252. CR LF, CR and LF each become one "\n"; NUL and other bytes that
// cannot be shown become U+FFFD, so binary files open as text without harm.
QString decode(const QByteArray& data);
} // namespace PlainText
