// Books handed to the main window from outside the tree: a file manager's "Open with", the command
// line, or a later start of the program.
#include "core/Library.h"
#include "core/LibraryImport.h"
#include "mainwindow/frmMain.h"
#include "ui/LibraryTree.h"
#include "views/MessageBox.h"

#include <QFile>

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
    // Found by the name's bytes: two names that are not UTF-8 may look alike.
    const int book = m_library->findRaw(rawName);
    if (book >= 0) {
        TreeView1->selectBook(book);
        TreeView1->scrollTo(TreeView1->currentIndex());
        OpenTheNode();
    }
}
