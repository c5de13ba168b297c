#pragma once

#include "core/BookKinds.h"
#include "core/FontSizePolicy.h"
#include "formats/OptionsFile.h"

#include <QString>
#include <optional>

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
    qint16 FontSize = 0; // points, from the options file
    // From the options file: "no" until the user said a PDF reader is installed; the PDF
    // reader notice comes before every PDF book while it is.
    OptionsFile::Flag PdfReaderFlag;
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
