#pragma once

class frmMain;

// The bookmark command: a small picture marks the place in the book, the book is saved, and
// bookmark.txt records the place so the book reopens there.
class Bookmarks
{
public:
    explicit Bookmarks(frmMain& main) : m_main(main) {}

    void SetBookmark();
    // Removes the book's current bookmark picture from the view, if it is still there.
    void SeeIfBookmarkExists();

private:
    frmMain& m_main;
};
