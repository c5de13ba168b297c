#pragma once

#include <QApplication>
#include <QModelIndex>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>

class frmMain;

// Drives the main window as a user does: clicks the library tree's nodes by their text.
namespace Driver {
// The library tree's node with that text (the root is "Books"); invalid when there is none.
QModelIndex node(frmMain& window, const QString& text);
// Makes that node the tree's current one without clicking it (nothing opens); false when it is
// not there.
bool selectNode(frmMain& window, const QString& text);
// The text of the tree's current node; empty when there is none.
QString currentNode(const frmMain& window);
// The texts of the library tree's book nodes, in tree order.
QStringList treeBooks(const frmMain& window);
// Clicks the node with the mouse (the root is "Books"); fails the test when it is not there.
bool clickNode(frmMain& window, const QString& text);
// True when a message box shown since the last MessageBox::clearShown() holds text.
bool anyMessageContains(const QString& text);

// The first visible top-level window of type T (a window that is not the main window).
template <typename T> T* topLevel()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* t = qobject_cast<T*>(w); t && t->isVisible()) {
            return t;
        }
    }
    return nullptr;
}

// Runs action once a visible top-level window of type T appears (polling for up to 5 s);
// *done tells whether it ran. Used to answer windows that a command waits for.
template <typename T> void whenShown(std::function<void(T*)> action, bool* done)
{
    *done = false;
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, action, done, tries] {
        if (T* window = topLevel<T>()) {
            timer->stop();
            timer->deleteLater();
            *done = true;
            action(window);
        } else if (++*tries > 250) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(20);
}
} // namespace Driver
