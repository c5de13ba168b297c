#pragma once

#include "ui/commands/ReaderContext.h"

#include <QString>

class QTreeWidgetItem;

// Deleting the selected book from the library, printing the open book and copying its
// selection.
class BookFileCommands
{
public:
    explicit BookFileCommands(const ReaderContext& context) : m_context(context) {}

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

    ReaderContext m_context;
};
