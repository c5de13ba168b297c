#include "ui/LibraryTree.h"

#include "core/RawNameAlias.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QTreeWidget>
#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

QList<LibraryTree::BookFile> LibraryTree::listBookFiles(const QString& booksFolder)
{
    QList<BookFile> books;
    // Read by the names' bytes: a name that is not UTF-8 must still reach its file.
    const QByteArray folder = QFile::encodeName(booksFolder);
    DIR* dir = ::opendir(folder.constData());
    if (!dir) {
        return books;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray raw(entry->d_name);
        // Hidden files (and the hidden temporary files of downloads under way) are not books.
        if (raw.startsWith('.')) {
            continue;
        }
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat info;
            regular =
                ::fstatat(::dirfd(dir), entry->d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
        }
        if (regular) {
            books.append({QString::fromUtf8(raw), raw});
        }
    }
    ::closedir(dir);
    // The file system gives no stable order, so the library is sorted by name, ignoring case.
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    std::sort(books.begin(), books.end(), [&](const BookFile& a, const BookFile& b) {
        const int c = collator.compare(a.name, b.name);
        if (c != 0) {
            return c < 0;
        }
        return a.name != b.name ? a.name < b.name : a.rawName < b.rawName;
    });
    return books;
}

QStringList LibraryTree::listBooks(const QString& booksFolder)
{
    QStringList names;
    for (const BookFile& book : listBookFiles(booksFolder)) {
        names.append(book.name);
    }
    return names;
}

QString LibraryTree::pathOf(const QTreeWidgetItem* item, const QString& booksFolder)
{
    const QString alias = item->data(0, PathRole).toString();
    return alias.isEmpty() ? booksFolder + item->text(0) : alias;
}

void LibraryTree::SetNodesList(QTreeWidget* tree, const QString& booksFolder)
{
    const QList<BookFile> books = listBookFiles(booksFolder);

    tree->setUpdatesEnabled(false);
    tree->clear();
    auto* root = new QTreeWidgetItem(QStringList{QStringLiteral("Books")});
    root->setData(0, KeyRole, QStringLiteral("R"));
    QList<QTreeWidgetItem*> children;
    children.reserve(books.size());
    int n = 1;
    for (const BookFile& book : books) {
        const QString& name = book.name;
        auto* child = new QTreeWidgetItem(QStringList{name});
        if (!book.nameIsExact()) {
            child->setData(0, PathRole, RawNameAlias::pathFor(booksFolder, book.rawName, name));
            child->setData(0, RawNameRole, book.rawName);
        }
        child->setData(0, KeyRole, QStringLiteral("C %1").arg(n++));
        // The tree is narrow: a long title is shown whole when the pointer rests on it.
        child->setToolTip(0, name);
        children.append(child);
    }
    root->addChildren(children);
    tree->addTopLevelItem(root);
    root->setExpanded(true);
    tree->setUpdatesEnabled(true);
}
