#include "core/SavedBookName.h"

#include "core/BookKinds.h"

#include <QFileInfo>

QString SavedBookName::fitted(const QString& name, const QString& contentType)
{
    const QString extension = BookKinds::extensionFor(contentType);
    if (extension.isEmpty()) {
        return name;
    }
    if (extension == QLatin1String("txt")) {
        // Servers send many books as plain text: an extension of the name says better what the
        // file is.
        return QFileInfo(name).suffix().isEmpty() ? name + QStringLiteral(".txt") : name;
    }
    if (BookKinds::kindOf(name) == BookKinds::kindOf(QStringLiteral("book.") + extension)) {
        return name;
    }
    return name + QLatin1Char('.') + extension;
}
