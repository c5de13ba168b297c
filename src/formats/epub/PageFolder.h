#pragma once

#include <QString>

namespace Epub {

class Book;

// A fixed-layout book (its pages drawn to a set size, like a comic or a picture book) is shown
// by the web view, which lays such pages out as their makers meant. The book is unpacked into
// a folder of its own, and a page is written at the top of that folder that shows each
// chapter of the spine, in order, in a frame of the size the chapter asks for (its viewport),
// so the pages follow one another down the window. Only entries the archive accepts are
// written (never a name that leaves the folder, never an entry past the size cap).
namespace PageFolder {

// Name of the page that shows the book, at the top of the folder.
QString pageName();

// The fragment of the page's address that brings chapter (a spine index) into view.
QString chapterFragment(int chapter);

// Unpacks book into folder (which must exist) and returns the path of the page showing it;
// empty with an error when the folder cannot be written.
QString write(const Book& book, const QString& folder, QString* error = nullptr);

} // namespace PageFolder
} // namespace Epub
