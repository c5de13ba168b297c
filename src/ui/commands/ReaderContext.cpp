#include "ui/commands/ReaderContext.h"

#include "core/ReaderState.h"
#include "ui/LibraryTree.h"

void ReaderContext::refreshLibrary() const
{
    LibraryTree::SetNodesList(library, state.BooksFolder);
}
