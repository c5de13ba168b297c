#pragma once

#include <QString>

class QTreeWidget;

// The library tree: the root "Books" (key "R") with one child per regular file of the books
// folder (keys "C 1", "C 2", ... in listing order), sorted by name ignoring case.
namespace LibraryTree {
inline constexpr int KeyRole = Qt::UserRole + 1;

// SetNodesList: clears the tree and fills it from the folder; a missing or unreadable folder
// gives the root alone.
void SetNodesList(QTreeWidget* tree, const QString& booksFolder);

// The file names of the folder's regular files, in the tree's order.
QStringList listBooks(const QString& booksFolder);
} // namespace LibraryTree
