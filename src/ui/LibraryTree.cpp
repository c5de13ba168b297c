#include "ui/LibraryTree.h"

#include "core/Library.h"
#include "core/LibraryModel.h"

#include <QHeaderView>

LibraryTree::LibraryTree(Library& library, QWidget* parent)
    : QTreeView(parent), m_model(new LibraryModel(library, this))
{
    setModel(m_model);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A long name loses its middle, so that the ends that tell books of a series apart ("(1)",
    // "(2)", the extension) stay in sight; its tooltip holds it whole. The library is widened
    // with the splitter beside it.
    header()->setStretchLastSection(true);
    setTextElideMode(Qt::ElideMiddle);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(this, &QTreeView::clicked, this, &LibraryTree::nodeChosen);
    connect(this, &QTreeView::activated, this, &LibraryTree::nodeChosen);
    expand(m_model->rootIndex());
}

Library& LibraryTree::library() const
{
    return m_model->library();
}

void LibraryTree::SetNodesList()
{
    // A refill restores no selection (cleared first, so no neighbour of a book gone is
    // selected on the way).
    selectionModel()->clear();
    library().refresh();
    expand(m_model->rootIndex());
}

bool LibraryTree::isRootCurrent() const
{
    return m_model->isRoot(currentIndex());
}

int LibraryTree::currentBook() const
{
    return m_model->bookAt(currentIndex());
}

void LibraryTree::selectBook(int book)
{
    const QModelIndex index = m_model->indexOfBook(book);
    if (!index.isValid()) {
        selectionModel()->clear();
        return;
    }
    setCurrentIndex(index);
}

void LibraryTree::selectRoot()
{
    setCurrentIndex(m_model->rootIndex());
}

void LibraryTree::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end)
{
    const QModelIndex current = currentIndex();
    if (current.isValid() && current.parent() == parent && current.row() >= start &&
        current.row() <= end) {
        selectionModel()->clear();
    }
    QTreeView::rowsAboutToBeRemoved(parent, start, end);
}
