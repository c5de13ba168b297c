#pragma once

#include <QString>

class frmMain;
class QTreeWidgetItem;

// Deleting the selected book from the library, printing the open book and copying its
// selection.
class BookFileCommands
{
public:
    explicit BookFileCommands(frmMain& main) : m_main(main) {}

    void DeleteBook();
    void PrintBook();
    void CopySelection();

private:
    // The node at a 1-based position of the tree: the root is 1, its books follow.
    QTreeWidgetItem* nodeAt(int position) const;
    // The position of a node as nodeAt counts it.
    int positionOf(QTreeWidgetItem* item) const;
    // Selects the book of that name without opening it; the selection is cleared when the
    // library no longer holds it.
    void selectBook(const QString& name);

    frmMain& m_main;
};
