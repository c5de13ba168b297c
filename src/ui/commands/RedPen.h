#pragma once

#include "ui/commands/ReaderContext.h"

#include "views/MarkColor.h"

// The red pen and the eraser: a mark is dark red, underlined text.
class RedPen
{
public:
    explicit RedPen(const ReaderContext& context) : m_context(context) {}

    void HighlightIt();
    void EraseIt();

private:
    ReaderContext m_context;
};
