#pragma once

class Library;
class LibraryTree;
class QWidget;
class ReadingPane;
class WindowList;
struct ReaderState;

// What the commands work on, handed to them by the main window: the window their messages
// belong to, the reader's state, the library and its tree, the reading pane and the list of
// windows that close with the main window. They see nothing else of the main window.
struct ReaderContext
{
    QWidget* window;
    ReaderState& state;
    Library& library;
    LibraryTree* tree;
    ReadingPane& pane;
    WindowList& windows;

    // Refills the library tree from the books folder.
    void refreshLibrary() const;
};
