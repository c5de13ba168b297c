#include "ui/commands/ReaderContext.h"

#include "ui/LibraryTree.h"

void ReaderContext::refreshLibrary() const
{
    tree->SetNodesList();
}
