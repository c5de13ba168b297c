#pragma once

#include "core/BookKinds.h"
#include "formats/epub/EpubBook.h"
#include "formats/record/ReadingRecord.h"
#include "views/EpubContentsMenu.h"
#include "views/RichTextView.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class ComicPages;
class EpubChapterTurner;
class EpubChapterWorker;
class EpubLinkClicks;
class QMenu;
class QPrinter;
class QTimer;
class QTemporaryDir;
class RichTextView;
class WebView;

namespace Books {
class BookPackage;
class PackageKeeper;
} // namespace Books

// The EPUB book open in the rich-text view. The view holds one chapter at a time: opening
// converts only the chapter where the reader stopped, and the others are converted when the
// reader turns to them (scrolling on past either end of a chapter, the contents menu, a link).
// Everything the reader keeps about the book (where it was read, the bookmark, red-pen marks)
// lives in its reading record in the application folder; the book file is never written.
// Books of other formats (FB2, Kindle, DOCX, ODT, Markdown, comics) are read by their
// format's reader into chapters and shown the same way, their records kept alike; a comic's
// pages are pictures fitted to the view.
class EpubSession : public QObject
{
    Q_OBJECT
public:
    // Seconds of stillness after which a new reading position is written down.
    static constexpr int PositionSaveDelayMs = 2000;
    // Pictures are fitted to a resized view once it has stayed this long at one size.
    static constexpr int PictureFitDelayMs = 150;
    // A chapter longer than this many bytes shows its start first, this many characters of
    // it, and the rest once it is converted (on a thread of its own).
    static constexpr qint64 LongChapterBytes = 64 * 1024;
    static constexpr qsizetype FirstScreenCharacters = 16000;
    // A longer table of contents is listed in the Contents menu in groups of this many.
    static constexpr int MaxMenuEntries = EpubContentsMenu::MaxEntries;

    EpubSession(RichTextView* view, QMenu* contentsMenu, const QString& recordsFolder,
                QObject* parent = nullptr);
    ~EpubSession() override;

    // Opens the book and shows it at its bookmark, or where it was last read when it has none
    // (or always, with atPlace); false with a message for the user.
    bool open(const QString& path, QString* error, bool atPlace = false);
    // The same for a book of another format: reader reads it into chapters (kindName names
    // the kind in messages: "an FB2 book"), or the package kept from an earlier reading is
    // taken. The book's file is never written.
    bool openPackage(const QString& path, BookKinds::PackageReader reader, const QString& kindName,
                     QString* error, bool atPlace = false);
    // Packages of books of other formats are kept in folder, so a book is read whole only
    // once; without one, every opening reads the book.
    void setPackageFolder(const QString& folder);
    Books::PackageKeeper* packageKeeper() const { return m_keeper.get(); }
    // A comic is open: each chapter is a page's picture.
    bool showsComic() const;
    ComicPages* comicPages() const { return m_comic; }
    // Writes the record down now and forgets the book (the view is left as it is).
    void close();
    bool isOpen() const { return m_book != nullptr; }

    const Epub::Book& book() const { return *m_book; }
    int currentChapter() const { return m_chapter; }
    // True while the chapter shown is only its start, the rest being converted.
    bool isConverting() const { return m_converting; }
    // The contents entry being read: the last one at or before the top of the view.
    int currentContentsEntry() const;
    // The contents entry a place of the book lies under: by the anchors of the chapter shown;
    // in another chapter, its first entry (or the last one before it).
    int contentsEntryAt(int chapter, int offset) const;
    // Shows chapter at offset (the offset put at the top of the view).
    bool showChapter(int chapter, int offset = 0);
    bool showContentsEntry(int index);
    // Follows an "epub:" link from the book's text.
    bool followLink(const QString& url);

    // Reading aids, kept in the record. Each is done only when the record could be written:
    // false with the reason otherwise, and the bookmark and marks stay as they were.
    bool setBookmark(QString* error = nullptr);
    bool goToBookmark();
    bool markSelection(QString* error = nullptr);
    bool eraseSelection(QString* error = nullptr);
    // Find went past the end of the chapter: looks in the chapters after it and shows the
    // first match (found is its offset); false when no later chapter holds the text.
    bool findInLaterChapters(const QString& text, RichTextView::FindOptions options, int* found);
    // A chapter's text as the view would hold it, non-breaking spaces as spaces (for finding
    // what a typed space finds); and showing a chapter whole from its start, a long one too.
    QString plainTextOf(int chapter) const;
    bool showWholeChapter(int chapter);
    // Fixed-layout books are read as pages in the web view, other books as text in the text
    // view; the Contents menu switches between the two. showPane(pages) brings the view for
    // either way forward in the window.
    void setPageView(WebView* view, std::function<void(bool pages)> showPane);
    // Shows the book as pages (unpacked into a folder of its own, shown by the web view) or
    // as text; false with a message when the pages could not be made.
    bool showPages(bool pages, QString* error = nullptr);
    bool showsPages() const { return m_showsPages; }

    // Prints the whole book, chapter by chapter, with a progress window that can cancel it;
    // false with a message when it could not be printed (a cancel is no failure).
    bool printBook(QPrinter* printer, QString* error = nullptr);

    // Where the reader is now: the first character shown.
    Reading::TextAnchor currentPosition() const;
    Reading::ReadingRecord& record() { return *m_record; }
    // Writes the record at once; false when it could not be written.
    bool saveRecord(QString* error = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // Another chapter is shown (its place may be the same scroll position as the last one's).
    void chapterShown();

private:
    void positionChanged();
    // Shows the next or previous chapter (the end of the previous one); false when there is
    // none.
    bool turnChapter(bool forward);
    void updateContentsMenu();
    void applyMarks();
    QString chapterText() const;
    QString convertedText(int chapter) const;
    void scrollToTop(int offset);
    // Scrolls the line of offset to the top, leaving the caret where it is.
    void scrollTextToTop(int offset);
    void stopConverting();
    // The rest of a long chapter is there: the whole chapter replaces its start.
    void wholeChapterConverted();
    // The page pictures are fitted to for the view as it is now: no picture is wider, and
    // covers and drawings that are a page are no taller.
    QSize picturePage() const;
    // The view changed width: the chapter's pictures are fitted to it again.
    void fitPictures();
    // Takes over a book just opened: finds its record and shows it where it was left.
    bool start(const QString& path, std::shared_ptr<Epub::Book> book, const QString& fingerprint,
               bool atPlace);
    // A comic's page is fitted anew (another fit, another size of the view), keeping the place.
    void refitPage();

    RichTextView* m_view;
    QString m_recordsFolder;
    std::shared_ptr<Epub::Book> m_book; // shared with the conversion of a long chapter
    std::unique_ptr<Books::PackageKeeper> m_keeper;
    std::unique_ptr<Reading::ReadingRecord> m_record;
    QHash<QString, int> m_anchors; // anchor name -> offset in the chapter shown
    EpubContentsMenu* m_contents;
    EpubChapterTurner* m_turner;
    EpubLinkClicks* m_links;
    EpubChapterWorker* m_worker;
    ComicPages* m_comic;
    // A book of another format is being read on a thread of its own (see openPackage).
    bool m_reading = false;
    bool m_converting = false;
    bool m_convertWhole = false;
    // What waits for the whole chapter (a place further on than its start).
    std::function<void()> m_afterWhole;
    QPointer<WebView> m_pageView;
    std::function<void(bool)> m_showPane;
    std::unique_ptr<QTemporaryDir> m_pageFolder;
    QString m_pagePath;
    bool m_showsPages = false;
    QTimer* m_saveTimer;
    QTimer* m_fitTimer;
    QSize m_picturePage; // the page the chapter's pictures were decoded for
    int m_chapter = -1;
};
