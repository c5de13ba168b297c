#pragma once

#include "ui/commands/ReaderContext.h"

#include "views/MarkColor.h"

#include <QString>

// The red pen and the eraser: a mark is dark red, underlined text.
class RedPen
{
public:
    explicit RedPen(const ReaderContext& context) : m_context(context) {}

    void HighlightIt();
    void EraseIt();

private:
    // An EPUB book's reading record could not take the change: the view shows it, a restart
    // may not.
    void warnNotRecorded(const QString& error);

    ReaderContext m_context;
};
