#pragma once

#include <QString>
#include <optional>

// bookmark.txt: one record per bookmark set, `"NAME",OFFSET` and CR LF, only ever appended.
// A book's bookmark is the last record whose name equals the book's name exactly.
namespace BookmarkFile {
// The offset of the book's last record; nothing when the file is missing, unreadable or holds
// no record of that name. A damaged record is skipped and the reading goes on after it.
std::optional<qint64> lastOffset(const QString& path, const QString& bookName);

// Appends one record, creating the file when missing. The file is rewritten through a temporary
// file, so a failed write leaves the earlier records as they were.
bool append(const QString& path, const QString& bookName, qint64 offset, QString* error = nullptr);
} // namespace BookmarkFile
