#pragma once

#include "ui/commands/ReaderContext.h"

// The bookmark command: a small picture marks the place in the book, the book is saved, and
// bookmark.txt records the place so the book reopens there.
class Bookmarks
{
public:
    explicit Bookmarks(const ReaderContext& context) : m_context(context) {}

    void SetBookmark();
    // Removes the book's current bookmark picture from the view, if it is still there.
    void SeeIfBookmarkExists();

private:
    ReaderContext m_context;
};
