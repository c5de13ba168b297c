#pragma once

#include <QColor>

// A red-pen mark is text in this dark red, underlined: in RTF books it is written into the file,
// in EPUB books it is drawn from the book's reading record.
inline const QColor MarkColor = QColor(128, 0, 0);
