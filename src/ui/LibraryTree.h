#pragma once

#include <QTreeView>

class Library;
class LibraryModel;

// The library tree: the root "Books" with one child per book of the library, every book shown
// whole (the column is as wide as the widest name and the tree scrolls sideways). Every click
// chooses the node, the root and the node already chosen included.
class LibraryTree : public QTreeView
{
    Q_OBJECT
public:
    LibraryTree(Library& library, QWidget* parent = nullptr);

    Library& library() const;
    LibraryModel* libraryModel() const { return m_model; }

    // SetNodesList: reads the books folder again; nothing is selected afterwards and every
    // book is in sight under the expanded root.
    void SetNodesList();

    // The chosen node: the root, a book, or nothing.
    bool isRootCurrent() const;
    // The library's index of the chosen book; -1 for the root or nothing chosen.
    int currentBook() const;
    // Chooses a book without opening it (-1: nothing); the root is chosen by selectRoot.
    void selectBook(int book);
    void selectRoot();

signals:
    // The user clicked or activated a node.
    void nodeChosen();

protected:
    // A chosen book that leaves the folder while the program runs leaves nothing chosen: the
    // selection never passes on to a neighbour by itself, where Delete would find it.
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;

private:
    LibraryModel* m_model;
};
