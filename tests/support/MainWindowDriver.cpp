#include "support/MainWindowDriver.h"

#include "mainwindow/frmMain.h"
#include "ui/MessageBox.h"

#include <QTest>
#include <QTreeWidget>

QTreeWidgetItem* Driver::node(frmMain& window, const QString& text)
{
    QTreeWidget* tree = window.TreeView1;
    QTreeWidgetItem* root = tree->topLevelItem(0);
    if (!root) {
        return nullptr;
    }
    if (root->text(0) == text && text == QStringLiteral("Books")) {
        return root;
    }
    for (int i = 0; i < root->childCount(); ++i) {
        if (root->child(i)->text(0) == text) {
            return root->child(i);
        }
    }
    return nullptr;
}

bool Driver::clickNode(frmMain& window, const QString& text)
{
    QTreeWidgetItem* item = node(window, text);
    if (!item) {
        return false;
    }
    QTreeWidget* tree = window.TreeView1;
    if (!window.isVisible()) {
        window.resize(1000, 700);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) {
            return false;
        }
    }
    tree->scrollToItem(item);
    const QRect rect = tree->visualItemRect(item);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
    return true;
}

QStringList Driver::treeBooks(const frmMain& window)
{
    QStringList names;
    const QTreeWidgetItem* root = window.TreeView1->topLevelItem(0);
    for (int i = 0; root && i < root->childCount(); ++i) {
        names << root->child(i)->text(0);
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
