// Books handed to the main window from outside the tree: a file manager's "Open with", the command
// line, or a later start of the program.
#include "core/LibraryImport.h"
#include "mainwindow/frmMain.h"
#include "ui/MessageBox.h"

#include <QTreeWidget>

void frmMain::OpenFiles(const QStringList& paths)
{
    QStringList added;
    QStringList problems;
    for (const QString& path : paths) {
        QString name;
        QString error;
        if (LibraryImport::add(m_state.BooksFolder, path, &name, &error)) {
            added.append(name);
        } else {
            problems.append(error);
        }
    }
    if (!added.isEmpty()) {
        OpenLibraryBook(added.first());
    }
    if (!problems.isEmpty()) {
        MessageBox::warning(this, tr("Not added to the library:\n\n%1").arg(problems.join('\n')));
    }
}

void frmMain::OpenLibraryBook(const QString& bookName)
{
    SetNodesList();
    const QTreeWidgetItem* root = TreeView1->topLevelItem(0);
    for (int i = 0; root && i < root->childCount(); ++i) {
        if (root->child(i)->text(0) == bookName) {
            TreeView1->setCurrentItem(root->child(i));
            TreeView1->scrollToItem(root->child(i));
            OpenTheNode();
            break;
        }
    }
}
