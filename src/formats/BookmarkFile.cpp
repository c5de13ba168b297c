#include "formats/BookmarkFile.h"

#include "formats/AtomicFile.h"
#include "formats/SequentialFields.h"

#include <QCoreApplication>
#include <QFile>

std::optional<qint64> BookmarkFile::lastOffset(const QString& path, const QString& bookName)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    SequentialFieldReader reader(file.readAll());
    std::optional<qint64> found;
    while (!reader.atEnd()) {
        const std::optional<QString> name = reader.readField();
        if (!name) {
            break;
        }
        // A damaged record (a lone field, an offset that is no number) is passed over: the
        // records after it are still the user's bookmarks.
        if (reader.recordEnded()) {
            continue;
        }
        const std::optional<qint64> offset = reader.readOffset();
        if (!offset) {
            break;
        }
        reader.skipRestOfRecord();
        if (*offset < 0) {
            continue;
        }
        if (*name == bookName) {
            found = *offset;
        }
    }
    return found;
}

bool BookmarkFile::append(const QString& path, const QString& bookName, qint64 offset,
                          QString* error)
{
    QByteArray content;
    QFile existing(path);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly)) {
            if (error) {
                *error = QCoreApplication::translate("BookmarkFile", "Cannot read %1: %2")
                             .arg(path, existing.errorString());
            }
            return false;
        }
        content = existing.readAll();
        existing.close();
        // A file that lost its last line end still gets its new record on a line of its own.
        if (!content.isEmpty() && !content.endsWith('\n') && !content.endsWith('\r')) {
            content += SequentialFields::lineEnd();
        }
    }
    content += SequentialFields::quoted(bookName) + ',' + SequentialFields::number(offset) +
               SequentialFields::lineEnd();
    return writeFileAtomically(path, content, error);
}
