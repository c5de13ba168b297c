#pragma once

#include <QString>

namespace Epub {

class Book;

// A fixed-layout book (its pages drawn to a set size, like a comic or a picture book) is shown
// by the web view, which lays such pages out as their makers meant. The book is unpacked into
// a folder of its own, and a page is written at the top of that folder that shows each
// chapter of the spine, in order, in a frame of the size the chapter asks for (its viewport),
// so the pages follow one another down the window. Only entries the archive accepts are
// written (never a name that leaves the folder, never an entry past the size cap), the whole
// book no more than the archive's total cap, and only when it fits in the free room of the
// folder's disk.
namespace PageFolder {

// Room left free on the folder's disk after the pages are written.
constexpr qint64 SpareRoom = qint64(4) * 1024 * 1024;

// Name of the page that shows the book, at the top of the folder.
QString pageName();

// The fragment of the page's address that brings chapter (a spine index) into view.
QString chapterFragment(int chapter);

// Unpacks book into folder (which must exist) and returns the path of the page showing it;
// empty with an error when the book is too big to unpack, does not fit in the room left, or
// the folder cannot be written. What was written before a failure is left for the caller to
// remove with the folder.
QString write(const Book& book, const QString& folder, QString* error = nullptr);

// Template for QTemporaryDir of a folder of pages in tempFolder, named after this process so
// that the folders a reader left behind (it was killed) can be told from those in use.
QString folderTemplate(const QString& tempFolder);
// Removes the folders of pages in tempFolder that belong to this user's readers that have
// ended; returns how many went.
int removeLeftovers(const QString& tempFolder);

} // namespace PageFolder
} // namespace Epub
