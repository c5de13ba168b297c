#include "core/SavedBookName.h"

#include "core/BookFileKind.h"

#include <QFileInfo>

namespace {
QString bareType(const QString& contentType)
{
    return contentType.section(QLatin1Char(';'), 0, 0).trimmed().toLower();
}
} // namespace

QString SavedBookName::extensionFor(const QString& contentType)
{
    const QString type = bareType(contentType);
    if (type == QLatin1String("text/html") || type == QLatin1String("application/xhtml+xml")) {
        return QStringLiteral("html");
    }
    if (type == QLatin1String("text/plain")) {
        return QStringLiteral("txt");
    }
    if (type == QLatin1String("application/rtf") || type == QLatin1String("text/rtf")) {
        return QStringLiteral("rtf");
    }
    if (type == QLatin1String("application/pdf")) {
        return QStringLiteral("pdf");
    }
    if (type == QLatin1String("application/msword")) {
        return QStringLiteral("doc");
    }
    if (type == QLatin1String("application/epub+zip")) {
        return QStringLiteral("epub");
    }
    return {};
}

QString SavedBookName::fitted(const QString& name, const QString& contentType)
{
    const QString extension = extensionFor(contentType);
    if (extension.isEmpty()) {
        return name;
    }
    if (extension == QLatin1String("txt")) {
        // Servers send many books as plain text: an extension of the name says better what the
        // file is.
        return QFileInfo(name).suffix().isEmpty() ? name + QStringLiteral(".txt") : name;
    }
    if (bookKindOfFileName(name) == bookKindOfFileName(QStringLiteral("book.") + extension)) {
        return name;
    }
    return name + QLatin1Char('.') + extension;
}
