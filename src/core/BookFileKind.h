#pragma once

#include "core/ReaderState.h"

#include <QString>

// The library decides how to show a book by the end of its file name alone, case ignored: "rtf"
// in the rich-text view, "htm" or "html" in the web view, "pdf" in the PDF view, "doc" in the
// document view, ".epub" as an EPUB book, and everything else as plain text.
BookKind bookKindOfFileName(const QString& name);
