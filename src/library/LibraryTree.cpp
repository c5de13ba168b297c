#include "library/LibraryTree.h"

#include <QCollator>
#include <QDir>
#include <QTreeWidget>
#include <algorithm>

QStringList LibraryTree::listBooks(const QString& booksFolder)
{
    // The file system gives no stable order, so the library is sorted by name, ignoring case.
    // Hidden files (and the hidden temporary files of downloads under way) are not books.
    QDir dir(booksFolder);
    QStringList names = dir.entryList(QDir::Files, QDir::NoSort);
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    std::sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
        const int c = collator.compare(a, b);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

void LibraryTree::SetNodesList(QTreeWidget* tree, const QString& booksFolder)
{
    const QStringList names = listBooks(booksFolder);

    tree->setUpdatesEnabled(false);
    tree->clear();
    auto* root = new QTreeWidgetItem(QStringList{QStringLiteral("Books")});
    root->setData(0, KeyRole, QStringLiteral("R"));
    QList<QTreeWidgetItem*> children;
    children.reserve(names.size());
    int n = 1;
    for (const QString& name : names) {
        auto* child = new QTreeWidgetItem(QStringList{name});
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
