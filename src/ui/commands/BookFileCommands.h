#pragma once

#include "ui/commands/ReaderContext.h"

#include <QString>

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
    ReaderContext m_context;
};
