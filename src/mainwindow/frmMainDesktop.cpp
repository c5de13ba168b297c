// Books handed to the main window from outside the tree: a file manager's "Open with", the command
// line, or a later start of the program.
#include "core/LibraryImport.h"
#include "mainwindow/frmMain.h"
#include "ui/LibraryTree.h"
#include "ui/MessageBox.h"

#include <QFile>
#include <QTreeWidget>

void frmMain::OpenFiles(const QStringList& paths)
{
    QByteArrayList encoded;
    for (const QString& path : paths) {
        encoded.append(QFile::encodeName(path));
    }
    OpenFiles(encoded);
}

void frmMain::OpenFiles(const QByteArrayList& paths)
{
    QByteArrayList added;
    QStringList problems;
    for (const QByteArray& path : paths) {
        QByteArray name;
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
    OpenLibraryBook(bookName.toUtf8());
}

void frmMain::OpenLibraryBook(const QByteArray& rawName)
{
    SetNodesList();
    const QTreeWidgetItem* root = TreeView1->topLevelItem(0);
    for (int i = 0; root && i < root->childCount(); ++i) {
        // Found by the name's bytes: two names that are not UTF-8 may look alike.
        const QTreeWidgetItem* book = root->child(i);
        const QVariant raw = book->data(0, LibraryTree::RawNameRole);
        if ((raw.isNull() ? book->text(0).toUtf8() : raw.toByteArray()) == rawName) {
            TreeView1->setCurrentItem(root->child(i));
            TreeView1->scrollToItem(root->child(i));
            OpenTheNode();
            break;
        }
    }
}
