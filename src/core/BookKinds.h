#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

namespace Books {
class BookPackage;
}

// Kind of the book open in the reading pane; the numbers are stored nowhere but are the ones
// the commands test against.
enum class BookKind : int
{
    None = 0,
    PlainText = 1,
    Rtf = 2,
    Html = 3,
    Pdf = 4,
    WordDocument = 5,
    // A file the text view could not open (too large, damaged, not what its name says): it is
    // never written into.
    Refused = 6,
    // An EPUB book: shown in the text view, never written (its marks live in its record).
    Epub = 7,
    // An EPUB book shown as its pages in the web view (fixed-layout books, or by choice).
    EpubPages = 8,
    // Books of other formats, each read by a reader of its own into chapters that are shown
    // as an EPUB book's are: never written, their marks live in their records too.
    Fb2 = 9,
    Mobi = 10,
    Docx = 11,
    Odt = 12,
    Markdown = 13,
    // Comic archives: one picture a page.
    Comic = 14
};

// What the toolbar and the menus offer for the book in the reading pane.
enum class InterfaceMode
{
    // No book in the pane: no book commands, but the Edit menu stays open for Options.
    NoBook = 0,
    // PDF and Word documents and refused books: no text commands.
    Document = 1,
    // HTML books: printing and the web view's Back and Forward.
    Web = 2,
    // Plain-text, RTF and EPUB books: every command.
    Text = 3
};

// Every kind of book in one table: which files are books of the kind, how the reading pane
// reads and shows them, what the commands may write, and how they travel by mail. Everything
// that differs between kinds is a column here, so the opening, the commands, the mail and the
// tools ask the table instead of deciding again; a new kind is a new row and its reader.
namespace BookKinds {

// The view of the reading pane that shows a kind.
enum class View
{
    Text,
    Web,
    Pdf,
    Document,
    // A book the pane refused: the reason stands in the pane instead.
    Explanation
};

// How the reading pane reads a book of the kind from its file.
enum class Reader
{
    // Not read from a file: the pane's own states (no book, a refused book, an EPUB book's
    // pages, which are reached from the book itself).
    None,
    // The RTF reader, into the text view.
    Rtf,
    // Plain-text decoding, into the text view.
    PlainText,
    // Chapter by chapter through the EPUB machinery (its reading record, contents, pictures),
    // into the text view: an EPUB book as it is, a book of another format through the package
    // its row's packageReader reads.
    Chapters,
    // The web view goes to the file.
    WebPage,
    // The PDF engine shows its pages.
    PdfPages,
    // The outside converter's text, in the document view.
    WordConverter
};

// Reads a book of another format into a package of chapters the EPUB machinery shows; false
// with a readable error when it cannot.
using PackageReader = bool (*)(const QString& path, Books::BookPackage* book, QString* error);

struct Row
{
    BookKind kind = BookKind::None;
    // What the kind is called in messages ("an RTF book").
    const char* description = "";
    // The endings of the full path that make a file this kind, case ignored; no dot is required
    // unless the ending has one. The first, without its dot, is the extension a book of the
    // kind is saved with. Empty for the pane's own states.
    QStringList endings = {};
    Reader reader = Reader::None;
    View view = View::Text;
    InterfaceMode interfaceMode = InterfaceMode::NoBook;
    // Marks and the bookmark are written into the book's own file.
    bool marksInFile = false;
    // Where the book was read, its marks and its bookmark are kept in a reading record beside
    // the library, never in the book.
    bool sideRecord = false;
    // The content type a book of the kind is sent by mail with.
    QString mailType = {};
    // Other content types a server may send a book of the kind with.
    QStringList otherTypes = {};
    // Endings whose files have a content type of their own (a zipped FB2 book is a zip):
    // ending and type; the ending is what a book served with that type is saved with.
    QList<std::pair<QString, QString>> endingTypes = {};
    // For a kind read through Reader::Chapters from a format other than EPUB: its reader.
    PackageReader packageReader = nullptr;
};

// The rows in the order their endings are tried: the first match wins. Plain text comes last
// and also takes every file no other kind claims.
const QList<Row>& all();
const Row& row(BookKind kind);

// The kind of the book at path, decided by the end of its path alone (case ignored, first
// match wins): "rtf", "htm" or "html", "pdf", "doc", ".epub", the other formats' endings
// (".fb2", ".mobi", ".docx", ".md", ".cbz", ...), and plain text for the rest.
BookKind kindOf(const QString& path);
// The content type a book is sent by mail with: its kind's, when one of the kind's own endings
// names it; a file that is plain text only because no kind claims it (a ".docx", a picture)
// goes as application/octet-stream.
QString mailTypeOf(const QString& path);
// The extension ("html") a book served with contentType is saved with; empty for a type no
// kind has. Parameters after a ";" are ignored.
QString extensionFor(const QString& contentType);

} // namespace BookKinds
