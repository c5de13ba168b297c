#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class QTreeWidget;
class QTreeWidgetItem;

// The library tree: the root "Books" (key "R") with one child per regular file of the books
// folder (keys "C 1", "C 2", ... in listing order), sorted by name ignoring case.
namespace LibraryTree {
inline constexpr int KeyRole = Qt::UserRole + 1;
// For a book whose file name is not valid UTF-8: the path that reaches the file.
inline constexpr int PathRole = Qt::UserRole + 2;
// For the same book: its file name's real bytes.
inline constexpr int RawNameRole = Qt::UserRole + 3;

struct BookFile
{
    QString name;       // as shown: bytes that are not UTF-8 become replacement characters
    QByteArray rawName; // the name's bytes on the disk
    bool nameIsExact() const { return name.toUtf8() == rawName; }
};

// SetNodesList: clears the tree and fills it from the folder; a missing or unreadable folder
// gives the root alone.
void SetNodesList(QTreeWidget* tree, const QString& booksFolder);

// The folder's regular files, hidden ones left out, in the tree's order.
QList<BookFile> listBookFiles(const QString& booksFolder);
// Their names as shown.
QStringList listBooks(const QString& booksFolder);

// The path that reaches a book node's file (the root's: booksFolder + "Books").
QString pathOf(const QTreeWidgetItem* item, const QString& booksFolder);
} // namespace LibraryTree
