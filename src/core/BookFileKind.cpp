#include "core/BookFileKind.h"

BookKind bookKindOfFileName(const QString& name)
{
    // Only the end of the name counts; the first match wins.
    const QString lower = name.toLower();
    if (lower.endsWith(QLatin1String("rtf"))) {
        return BookKind::Rtf;
    }
    if (lower.endsWith(QLatin1String("htm")) || lower.endsWith(QLatin1String("html"))) {
        return BookKind::Html;
    }
    if (lower.endsWith(QLatin1String("pdf"))) {
        return BookKind::Pdf;
    }
    if (lower.endsWith(QLatin1String("doc"))) {
        return BookKind::WordDocument;
    }
    if (lower.endsWith(QLatin1String(".epub"))) {
        return BookKind::Epub;
    }
    return BookKind::PlainText;
}
