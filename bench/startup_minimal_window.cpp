// The baseline of bench/startup.py: the smallest Qt widgets program with a window like ours, a
// main window holding a tree, built with Qt Widgets alone and probed the same way.

#include <QApplication>
#include <QMainWindow>
#include <QScreen>
#include <QTreeWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    auto* tree = new QTreeWidget(&window);
    tree->setHeaderHidden(true);
    auto* root = new QTreeWidgetItem(tree, {QStringLiteral("Books")});
    for (const char* name : {"manual.rtf", "sample.txt", "sample.htm"}) {
        new QTreeWidgetItem(root, {QString::fromLatin1(name)});
    }
    tree->expandAll();
    window.setCentralWidget(tree);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        window.setGeometry(screen->availableGeometry());
    }
    window.showMaximized();
    return app.exec();
}
