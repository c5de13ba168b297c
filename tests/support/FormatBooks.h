#pragma once

#include "formats/epub/EpubBook.h"

#include <QString>
#include <QTemporaryDir>

class QTextDocument;

namespace Books {
class BookPackage;
}

// Books of the formats other than EPUB, for tests: read with the reader their name asks for,
// and shown through the EPUB reader's book and chapter conversion as the reading view shows
// them.
namespace FormatBooks {

// A book of tests/data/books.
QString dataPath(const QString& name);

// Reads the book with the reader its suffix names (.fb2, .fb2.zip, .mobi, .azw3, .docx, .odt,
// .fodt, .md, .cbz).
bool read(const QString& path, Books::BookPackage* book, QString* error = nullptr);

// A package opened as the EPUB reader opens a book.
class Shown
{
public:
    // False when the package cannot be written or read back as a book.
    bool open(const Books::BookPackage& package);
    const Epub::Book& book() const { return m_book; }
    // Converts the chapter into document as the view does; false when it fails.
    bool convert(int chapter, QTextDocument* document);
    // The text of every chapter as the view shows it, one after the other.
    QString wholeText();

private:
    QTemporaryDir m_dir;
    Epub::Book m_book;
};

} // namespace FormatBooks
