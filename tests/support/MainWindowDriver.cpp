#include "support/MainWindowDriver.h"

#include "mainwindow/frmMain.h"
#include "ui/LibraryTree.h"
#include "views/MessageBox.h"

#include <QTest>

QModelIndex Driver::node(frmMain& window, const QString& text)
{
    const QAbstractItemModel* model = window.TreeView1->model();
    const QModelIndex root = model->index(0, 0);
    if (!root.isValid()) {
        return {};
    }
    if (text == QStringLiteral("Books") && root.data().toString() == text) {
        return root;
    }
    for (int i = 0; i < model->rowCount(root); ++i) {
        const QModelIndex book = model->index(i, 0, root);
        if (book.data().toString() == text) {
            return book;
        }
    }
    return {};
}

bool Driver::selectNode(frmMain& window, const QString& text)
{
    const QModelIndex index = node(window, text);
    if (!index.isValid()) {
        return false;
    }
    window.TreeView1->setCurrentIndex(index);
    return true;
}

QString Driver::currentNode(const frmMain& window)
{
    return window.TreeView1->currentIndex().data().toString();
}

bool Driver::clickNode(frmMain& window, const QString& text)
{
    const QModelIndex index = node(window, text);
    if (!index.isValid()) {
        return false;
    }
    QTreeView* tree = window.TreeView1;
    if (!window.isVisible()) {
        window.resize(1000, 700);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) {
            return false;
        }
    }
    tree->scrollTo(index);
    const QRect rect = tree->visualRect(index);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
    return true;
}

QStringList Driver::treeBooks(const frmMain& window)
{
    QStringList names;
    const QAbstractItemModel* model = window.TreeView1->model();
    const QModelIndex root = model->index(0, 0);
    for (int i = 0; i < model->rowCount(root); ++i) {
        names << model->index(i, 0, root).data().toString();
    }
    return names;
}

bool Driver::anyMessageContains(const QString& text)
{
    for (const MessageBox::Shown& shown : MessageBox::shown()) {
        if (shown.text.contains(text)) {
            return true;
        }
    }
    return false;
}
