#pragma once

#include "app/ReaderState.h"

class frmMain;

// The one place that decides, for every kind of book the reading pane can hold (the manual
// included), which view shows it, which interface mode goes with it and whether the program may
// write marks and bookmarks into its file.
namespace ReadingPane {
enum class View
{
    Text,
    Web,
    Pdf,
    Document,
    // A book the text view refused: the reason stands in the pane instead.
    Explanation
};

struct Layout
{
    View view;
    // 1 PDF, Word documents, refused books and no book; 2 HTML books; 3 text books.
    qint16 interfaceMode;
    // Marks and bookmarks are saved into the book's own file.
    bool keepsMarks;
};

Layout layoutFor(BookKind kind);
inline bool keepsMarks(BookKind kind)
{
    return layoutFor(kind).keepsMarks;
}

// Shows the view for kind, hides the others, sets the interface mode and makes kind the open
// book's kind. explanation is the text shown for a refused book.
void show(frmMain& main, BookKind kind, const QString& explanation = QString());
} // namespace ReadingPane
