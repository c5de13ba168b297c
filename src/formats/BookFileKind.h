#pragma once

#include <QString>

// What the program opens a book file as, told by the end of its name alone.
enum class BookFileKind
{
    PlainText,
    Rtf,
    Html,
    Pdf,
    WordDocument,
    Epub
};

// Only the end of the path counts, case ignored, and the first match wins: "rtf", "htm" or
// "html", "pdf", "doc", ".epub"; anything else is a plain-text book.
BookFileKind bookFileKind(const QString& path);
