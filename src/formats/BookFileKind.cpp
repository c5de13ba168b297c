#include "formats/BookFileKind.h"

BookFileKind bookFileKind(const QString& path)
{
    const QString lower = path.toLower();
    if (lower.endsWith(QLatin1String("rtf"))) {
        return BookFileKind::Rtf;
    }
    if (lower.endsWith(QLatin1String("htm")) || lower.endsWith(QLatin1String("html"))) {
        return BookFileKind::Html;
    }
    if (lower.endsWith(QLatin1String("pdf"))) {
        return BookFileKind::Pdf;
    }
    if (lower.endsWith(QLatin1String("doc"))) {
        return BookFileKind::WordDocument;
    }
    if (lower.endsWith(QLatin1String(".epub"))) {
        return BookFileKind::Epub;
    }
    return BookFileKind::PlainText;
}
