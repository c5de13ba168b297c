#pragma once

#include "core/FontSizePolicy.h"

#include <QString>
#include <optional>

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
    EpubPages = 8
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

// The main window's run-time state, one per run, owned by frmMain. Every other window reads or
// writes only the fields its own code names.
struct ReaderState
{
    QString AppFolder;        // the program's folder followed by "/"
    QString BooksFolder;      // AppFolder + "books/"
    QString OptionsFilePath;  // AppFolder + "options.txt"
    QString BookmarkFilePath; // AppFolder + "bookmark.txt"

    bool FirstActivation = true;
    bool ChangesPending = false;
    bool ShowManualAtStart = false;
    BookKind Kind = BookKind::None;
    // File name within BooksFolder of the book in the reading pane: every save of marks and
    // bookmarks goes to this file, so it changes only when another book opens.
    QString CurrentBookName;
    // The book's file can be written under its name (marks and bookmarks are saved into it).
    bool BookWritable = true;
    qint16 FontSize = 0;    // points, from the options file
    QString PdfReaderFlag;  // "yes" or "no", from the options file
    bool BookSaved = false; // the last SaveChanges wrote the book
    bool AwaitingPdfNotice = false;
    bool PdfGoAhead = false;
    std::optional<float> RecordedMainHeight; // twips, outer size at the first activation
    std::optional<float> RecordedMainWidth;

    // Paths are built by plain concatenation onto the program's folder.
    void setProgramFolder(const QString& folder)
    {
        AppFolder = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
        BooksFolder = AppFolder + QStringLiteral("books/");
        OptionsFilePath = AppFolder + QStringLiteral("options.txt");
        BookmarkFilePath = AppFolder + QStringLiteral("bookmark.txt");
    }

    // The size text is shown at: the options file may hold 0 or nothing at all.
    int effectiveFontSize() const { return FontSizePolicy::effective(FontSize); }
};

// Values handed from the main window's lookup commands to the lookup window.
enum class LookupKind
{
    Definition = 1,
    Picture = 2
};

struct LookupRequest
{
    LookupKind lookupKind = LookupKind::Definition;
    QString lookupWord;
};
