#include "views/EpubSession.h"

#include "core/BusyPointer.h"
#include "core/ResponsiveWait.h"
#include "formats/epub/ChapterConverter.h"
#include "formats/epub/PageFolder.h"
#include "formats/package/BookPackage.h"
#include "formats/package/PackageKeeper.h"
#include "views/ComicPages.h"
#include "views/EpubChapterTurner.h"
#include "views/EpubChapterWorker.h"
#include "views/EpubContentsMenu.h"
#include "views/EpubLinkClicks.h"
#include "views/EpubPrinter.h"
#include "views/MarkColor.h"
#include "views/MessageBox.h"
#include "views/RichTextView.h"
#include "views/WebView.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <utility>

EpubSession::EpubSession(RichTextView* view, QMenu* contentsMenu, const QString& recordsFolder,
                         QObject* parent)
    : QObject(parent), m_view(view), m_recordsFolder(recordsFolder),
      m_contents(new EpubContentsMenu(contentsMenu, this)),
      m_turner(new EpubChapterTurner(
          view, [this](bool forward) { return turnChapter(forward); }, this)),
      m_links(new EpubLinkClicks(
          view, [this](const QString& url) { return followLink(url); }, this)),
      m_worker(new EpubChapterWorker(this)), m_comic(new ComicPages(view, this)),
      m_saveTimer(new QTimer(this)), m_fitTimer(new QTimer(this))
{
    connect(m_worker, &EpubChapterWorker::converted, this, &EpubSession::wholeChapterConverted);
    m_saveTimer->setSingleShot(true);
    m_saveTimer->setInterval(PositionSaveDelayMs);
    // Only the place changed: the save need not wait for the device.
    connect(m_saveTimer, &QTimer::timeout, this, [this] {
        if (m_book && m_record && m_chapter >= 0) {
            m_record->position = currentPosition();
            m_record->save(Reading::ReadingRecord::Durability::Unsynced);
        }
    });
    m_fitTimer->setSingleShot(true);
    m_fitTimer->setInterval(PictureFitDelayMs);
    connect(m_fitTimer, &QTimer::timeout, this, &EpubSession::fitPictures);
    m_view->viewport()->installEventFilter(this);
    connect(m_view->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &EpubSession::positionChanged);
    connect(m_contents, &EpubContentsMenu::previousChapter, this, [this] {
        if (m_chapter > 0) {
            showChapter(m_chapter - 1);
        }
    });
    connect(m_contents, &EpubContentsMenu::nextChapter, this,
            [this] { showChapter(m_chapter + 1); });
    connect(m_contents, &EpubContentsMenu::bookmarkChosen, this, [this] { goToBookmark(); });
    connect(m_contents, &EpubContentsMenu::entryChosen, this, &EpubSession::showContentsEntry);
    connect(m_contents, &EpubContentsMenu::fitChosen, this, [this](bool width) {
        m_comic->setFit(width ? Comic::Fit::Width : Comic::Fit::Page);
        refitPage();
    });
    connect(m_contents, &EpubContentsMenu::pagesToggled, this, [this](bool pages) {
        QString error;
        if (!showPages(pages, &error) && !error.isEmpty()) {
            MessageBox::warning(m_view->window(), error);
        }
    });
    // Pages unpacked by a reader that was killed are still in the temporary folder.
    Epub::PageFolder::removeLeftovers(QDir::tempPath());
}

EpubSession::~EpubSession()
{
    // The owner closes the session while the view lives; past that, nothing is read from it.
    m_saveTimer->stop();
}

bool EpubSession::open(const QString& path, QString* error, bool atPlace)
{
    close();
    BusyPointer busy;
    auto book = std::make_shared<Epub::Book>();
    QString reason;
    const QString name = QFileInfo(path).fileName();
    switch (book->open(path, &reason)) {
    case Epub::Book::OpenResult::Opened:
        break;
    case Epub::Book::OpenResult::Protected:
        *error = tr("\"%1\" is protected against copying (DRM), so this program cannot show it.")
                     .arg(name);
        return false;
    case Epub::Book::OpenResult::NotEpub:
        *error = tr("\"%1\" cannot be opened as an EPUB book.\n\n%2").arg(name, reason);
        return false;
    }
    return start(path, std::move(book), QString(), atPlace);
}

void EpubSession::setPackageFolder(const QString& folder)
{
    m_keeper = folder.isEmpty() ? nullptr : std::make_unique<Books::PackageKeeper>(folder);
}

bool EpubSession::openPackage(const QString& path, BookKinds::PackageReader reader,
                              const QString& kindName, QString* error, bool atPlace)
{
    close();
    BusyPointer busy;
    const QString name = QFileInfo(path).fileName();
    // One fingerprint names both the kept package and the reading record.
    const QString fingerprint = Reading::fileFingerprint(path);
    const qint64 modified = Books::PackageStore::modifiedTime(path);
    auto package = std::make_shared<Books::BookPackage>();
    const bool kept = m_keeper && m_keeper->load(path, fingerprint, package.get());
    QString reason;
    if (!kept) {
        *package = Books::BookPackage();
        if (m_reading) {
            *error = tr("\"%1\" cannot be opened while another book is being read.").arg(name);
            return false;
        }
        // A long book takes a moment to read: it is read on a thread of its own while the
        // window keeps repainting. The user's input waits, for the reading cannot be stopped
        // halfway; the window may still be closed for good.
        bool read = false;
        std::unique_ptr<QThread> thread(
            QThread::create([&] { read = reader && reader(path, package.get(), &reason); }));
        ResponsiveWait wait(m_view->window());
        wait.endOn(thread.get(), &QThread::finished);
        m_reading = true;
        thread->start();
        const ResponsiveWait::Outcome outcome =
            wait.wait(std::chrono::hours(1), QEventLoop::ExcludeUserInputEvents);
        thread->wait();
        m_reading = false;
        if (outcome == ResponsiveWait::Outcome::AskerGone) {
            *error = tr("The opening of \"%1\" was cancelled.").arg(name);
            return false;
        }
        if (!read) {
            *error = tr("\"%1\" cannot be opened as %2.\n\n%3").arg(name, kindName, reason);
            return false;
        }
    }
    std::shared_ptr<Epub::Book> book = Books::openBook(package);
    if (!book) {
        *error = tr("\"%1\" cannot be opened as %2.\n\n%3")
                     .arg(name, kindName, tr("It holds nothing to show."));
        return false;
    }
    // The book is shown first; its package is written for the next opening meanwhile.
    if (!kept && m_keeper) {
        m_keeper->keepLater(fingerprint, modified, package);
    }
    if (package->pictureBook) {
        m_comic->setBook(package);
    }
    return start(path, std::move(book), fingerprint, atPlace);
}

bool EpubSession::showsComic() const
{
    return m_book && m_comic->isOpen();
}

bool EpubSession::start(const QString& path, std::shared_ptr<Epub::Book> book,
                        const QString& fingerprint, bool atPlace)
{
    m_book = std::move(book);
    m_record = std::make_unique<Reading::ReadingRecord>(Reading::ReadingRecord::find(
        m_recordsFolder, path, m_book->identifier(), m_book->title(), fingerprint));
    if (m_record->match() == Reading::ReadingRecord::Match::ChangedBook) {
        // The book was edited since it was last read: its places move with their text.
        m_record->relocate(int(m_book->chapters().size()),
                           [this](int chapter) { return convertedText(chapter); });
    }
    // A comic's pages are pictures already: there is no other way to show them.
    m_contents->rebuild(m_book.get(), m_record->bookmark.has_value(),
                        m_pageView != nullptr && !showsComic());
    if (showsComic()) {
        m_contents->showFitChoice(m_comic->fit() == Comic::Fit::Width);
    }
    m_turner->setActive(true);
    m_links->setActive(true);
    // A bookmark takes the reader back to it, as in every other kind of book; without one (or
    // with one whose chapter is gone) the book opens where it was left.
    const bool atBookmark =
        !atPlace && m_record->bookmark && m_record->bookmark->chapter >= 0 && goToBookmark();
    if (!atBookmark) {
        const Reading::TextAnchor start = m_record->position.value_or(Reading::TextAnchor{});
        showChapter(qBound(0, start.chapter, int(m_book->chapters().size()) - 1), start.offset);
    }
    saveRecord();
    return true;
}

void EpubSession::close()
{
    if (!m_book) {
        return;
    }
    m_saveTimer->stop();
    m_fitTimer->stop();
    saveRecord();
    stopConverting();
    m_book.reset();
    m_record.reset();
    m_comic->setBook(nullptr);
    m_chapter = -1;
    m_contents->clear();
    m_turner->setActive(false);
    m_links->setActive(false);
    m_showsPages = false;
    if (m_pageView && m_pageFolder) {
        m_pageView->setConfinedFolder({});
    }
    m_pageFolder.reset();
    m_pagePath.clear();
}

void EpubSession::setPageView(WebView* view, std::function<void(bool pages)> showPane)
{
    m_pageView = view;
    m_showPane = std::move(showPane);
    m_contents->setPagesAvailable(view != nullptr);
}

bool EpubSession::showPages(bool pages, QString* error)
{
    if (!m_book || (pages && !m_pageView)) {
        return false;
    }
    if (pages && m_pagePath.isEmpty()) {
        BusyPointer busy;
        auto folder =
            std::make_unique<QTemporaryDir>(Epub::PageFolder::folderTemplate(QDir::tempPath()));
        QString reason;
        const QString page = folder->isValid()
                                 ? Epub::PageFolder::write(*m_book, folder->path(), &reason)
                                 : QString();
        if (page.isEmpty()) {
            if (error) {
                *error = tr("The book cannot be shown as pages: %1")
                             .arg(reason.isEmpty() ? folder->errorString() : reason);
            }
            m_contents->uncheckPages();
            return false;
        }
        m_pageFolder = std::move(folder);
        m_pagePath = page;
    }
    m_showsPages = pages;
    if (pages) {
        // The book's own scripts never run, as for the library's web pages, and its pages go
        // nowhere outside the book: a link to another file of the user's is not followed.
        m_pageView->setShowsLocalBooks(true);
        m_pageView->setConfinedFolder(m_pageFolder->path());
        m_pageView->Navigate(m_pagePath);
    }
    m_contents->setPagesChecked(pages);
    // The chapter and bookmark commands move through the text; the pages scroll by
    // themselves, and a contents entry brings its page into view.
    m_contents->setTextCommandsEnabled(!pages, m_record->bookmark.has_value());
    if (m_showPane) {
        m_showPane(pages);
    }
    return true;
}

QString EpubSession::convertedText(int chapter) const
{
    if (!m_book || chapter < 0 || chapter >= m_book->chapters().size()) {
        return {};
    }
    QTextDocument document;
    document.setDefaultFont(m_view->document()->defaultFont());
    Epub::ChapterConverter converter(*m_book);
    converter.setMaxPictureWidth(1); // the text alone is wanted: pictures are decoded tiny
    if (!converter.convert(chapter, &document)) {
        return {};
    }
    return document.toRawText();
}

bool EpubSession::showChapter(int chapter, int offset)
{
    if (!m_book || chapter < 0 || chapter >= m_book->chapters().size()) {
        return false;
    }
    BusyPointer busy;
    stopConverting();
    QTextDocument* document = m_view->prepareDocument();
    if (showsComic()) {
        QString error;
        if (!m_comic->fill(chapter, document, &error)) {
            document->setHtml(QStringLiteral("<p><i>%1</i></p>").arg(error.toHtmlEscaped()));
        }
        m_view->showDocument(document);
        m_chapter = chapter;
        m_anchors.clear();
        applyMarks();
        scrollToTop(offset);
        updateContentsMenu();
        positionChanged();
        return true;
    }
    Epub::ChapterConverter converter(*m_book);
    m_picturePage = picturePage();
    converter.setMaxPictureWidth(m_picturePage.width());
    converter.setMaxPictureHeight(m_picturePage.height());
    // A long chapter shows its start at once, and the rest is converted on a thread of its
    // own while the reader reads.
    if (!m_convertWhole &&
        m_book->archive().declaredSize(m_book->chapters().at(chapter)) > LongChapterBytes) {
        converter.setTextLimit(FirstScreenCharacters);
    }
    QString error;
    if (!converter.convert(chapter, document, &error)) {
        // A chapter that cannot be shown says why in its place; the others stay readable.
        document->setHtml(
            QStringLiteral("<p><i>%1</i></p>")
                .arg(tr("This chapter cannot be shown: %1").arg(error).toHtmlEscaped()));
    }
    m_view->showDocument(document);
    m_chapter = chapter;
    m_anchors = converter.anchors();
    applyMarks();
    if (!converter.complete()) {
        m_converting = true;
        m_turner->setHolding(true);
        m_worker->start(m_book, chapter, document->defaultFont(), m_picturePage);
        if (offset >= m_view->characterCount()) {
            // The place is further on than the start shown: it is shown once it is there.
            m_afterWhole = [this, offset] { scrollToTop(offset); };
            offset = 0;
        }
    }
    scrollToTop(offset);
    updateContentsMenu();
    positionChanged();
    emit chapterShown();
    return true;
}

void EpubSession::stopConverting()
{
    m_worker->cancel();
    m_converting = false;
    m_afterWhole = nullptr;
    m_turner->dropHeldKeys();
    m_turner->setHolding(false);
}

void EpubSession::wholeChapterConverted()
{
    EpubChapterWorker::Result result = m_worker->takeResult();
    if (!m_book || !m_converting || result.chapter != m_chapter) {
        return;
    }
    m_converting = false;
    std::function<void()> after = std::exchange(m_afterWhole, nullptr);
    if (!result.document) {
        // The start stays: the rest could not be read after all.
        m_turner->setHolding(false);
        return;
    }
    // The whole chapter takes the place of its start, which it begins with: the text at the
    // top, the caret and the selection stay where they were.
    const int top = m_view->cursorForPosition(QPoint(0, 0)).position();
    const int anchor = m_view->textCursor().anchor();
    const int position = m_view->textCursor().position();
    const int scrolled = m_view->verticalScrollBar()->value();
    QTextDocument* document = result.document.release();
    m_view->showDocument(document);
    m_anchors = result.anchors;
    applyMarks();
    QTextCursor cursor(document);
    cursor.setPosition(qMin(anchor, m_view->characterCount()));
    cursor.setPosition(qMin(position, m_view->characterCount()), QTextCursor::KeepAnchor);
    m_view->setTextCursor(cursor);
    if (scrolled > 0) {
        scrollTextToTop(top);
    } else {
        m_view->verticalScrollBar()->setValue(0);
    }
    if (after) {
        after();
    }
    updateContentsMenu();
    positionChanged();
    m_turner->setHolding(false);
}

QSize EpubSession::picturePage() const
{
    // The document's margins, and a line's room below a picture that fills the page.
    const int margins = 2 * qRound(m_view->document()->documentMargin());
    return {qMax(200, m_view->viewport()->width() - 40),
            qMax(150, m_view->viewport()->height() - margins - m_view->fontMetrics().height())};
}

void EpubSession::refitPage()
{
    if (!showsComic() || m_chapter < 0) {
        return;
    }
    // The same share of the page stays at the top of the view.
    QScrollBar* bar = m_view->verticalScrollBar();
    const double share = bar->maximum() > 0 ? double(bar->value()) / bar->maximum() : 0.0;
    showChapter(m_chapter);
    bar->setValue(qRound(share * bar->maximum()));
}

void EpubSession::fitPictures()
{
    if (showsComic()) {
        refitPage();
        return;
    }
    if (!m_book || m_chapter < 0 || picturePage() == m_picturePage) {
        return;
    }
    m_picturePage = picturePage();
    // The view keeps the line at its top while the pictures above it change size.
    BusyPointer busy;
    Epub::ChapterConverter::fitPictures(*m_book, m_view->document(), m_picturePage);
}

void EpubSession::scrollToTop(int offset)
{
    offset = qBound(0, offset, m_view->characterCount());
    m_view->setSelStart(offset);
    scrollTextToTop(offset);
}

void EpubSession::scrollTextToTop(int offset)
{
    QTextCursor at(m_view->document());
    at.setPosition(qBound(0, offset, m_view->characterCount()));
    QScrollBar* bar = m_view->verticalScrollBar();
    // The plain view scrolls by line, others by pixel; a few steps bring the line of the
    // offset to the top (only the lines passed over are laid out, so each step can change
    // what a line is worth).
    const bool byLine = qobject_cast<QPlainTextEdit*>(m_view) != nullptr;
    const int lineHeight = qMax(1, m_view->fontMetrics().lineSpacing());
    for (int step = 0; step < 32; ++step) {
        const int top = m_view->cursorRect(at).top();
        if ((top >= 0 && top < lineHeight) || (top > 0 && bar->value() >= bar->maximum()) ||
            (top < 0 && bar->value() <= bar->minimum())) {
            break;
        }
        const int move =
            byLine ? (top > 0 ? qMax(1, top / lineHeight) : qMin(-1, top / lineHeight)) : top;
        bar->setValue(bar->value() + move);
    }
}

Reading::TextAnchor EpubSession::currentPosition() const
{
    const int top = m_view->cursorForPosition(QPoint(0, 0)).position();
    return Reading::TextAnchor::at(qMax(0, m_chapter), chapterText(), top);
}

QString EpubSession::chapterText() const
{
    return m_view->document()->toRawText();
}

int EpubSession::currentContentsEntry() const
{
    if (!m_book) {
        return -1;
    }
    const int top = m_view->cursorForPosition(QPoint(0, 0)).position();
    const QList<Epub::ContentsEntry> entries = m_book->contents();
    int current = -1;
    for (int i = 0; i < entries.size(); ++i) {
        const Epub::ContentsEntry& entry = entries.at(i);
        if (entry.chapter > m_chapter ||
            (entry.chapter == m_chapter && m_anchors.value(entry.anchor, 0) > top)) {
            continue;
        }
        current = i;
    }
    return current;
}

int EpubSession::contentsEntryAt(int chapter, int offset) const
{
    if (!m_book) {
        return -1;
    }
    const QList<Epub::ContentsEntry> entries = m_book->contents();
    int found = -1;
    for (int i = 0; i < entries.size(); ++i) {
        const Epub::ContentsEntry& entry = entries.at(i);
        if (entry.chapter > chapter) {
            continue;
        }
        if (entry.chapter == chapter && found >= 0 && entries.at(found).chapter == chapter) {
            // A later entry of the same chapter counts only where its anchor is known to lie.
            if (chapter != m_chapter || m_anchors.value(entry.anchor, 0) > offset) {
                continue;
            }
        }
        found = i;
    }
    return found;
}

bool EpubSession::showContentsEntry(int index)
{
    if (!m_book || index < 0 || index >= m_book->contents().size()) {
        return false;
    }
    const Epub::ContentsEntry entry = m_book->contents().at(index);
    if (m_showsPages && m_pageView) {
        m_pageView->Navigate(QUrl::fromLocalFile(m_pagePath).toString() +
                             Epub::PageFolder::chapterFragment(entry.chapter));
        m_contents->checkEntry(index);
        return true;
    }
    QUrl url;
    url.setScheme(Epub::ChapterConverter::LinkScheme);
    url.setPath(QString::number(entry.chapter));
    if (!entry.anchor.isEmpty()) {
        url.setFragment(entry.anchor);
    }
    return followLink(url.toString());
}

bool EpubSession::followLink(const QString& url)
{
    QString anchor;
    const int chapter = Epub::ChapterConverter::linkChapter(url, &anchor);
    if (chapter < 0) {
        return false;
    }
    if (chapter != m_chapter && !showChapter(chapter)) {
        return false;
    }
    if (m_converting && !anchor.isEmpty() && !m_anchors.contains(anchor)) {
        // The anchor lies further on than the start shown so far.
        m_afterWhole = [this, anchor] { scrollToTop(m_anchors.value(anchor, 0)); };
    }
    scrollToTop(m_anchors.value(anchor, 0));
    updateContentsMenu();
    positionChanged();
    emit chapterShown();
    return true;
}

void EpubSession::positionChanged()
{
    if (!m_book) {
        return;
    }
    m_saveTimer->start();
    updateContentsMenu();
}

bool EpubSession::saveRecord(QString* error)
{
    if (!m_book || !m_record) {
        return false;
    }
    if (m_chapter >= 0) {
        m_record->position = currentPosition();
    }
    return m_record->save(error);
}

bool EpubSession::setBookmark(QString* error)
{
    if (!m_book) {
        return false;
    }
    // Only a bookmark that reached the record is set: otherwise the one before stays.
    const std::optional<Reading::TextAnchor> before = m_record->bookmark;
    m_record->bookmark = Reading::TextAnchor::at(m_chapter, chapterText(), m_view->SelStart());
    if (!saveRecord(error)) {
        m_record->bookmark = before;
        return false;
    }
    m_contents->setBookmarkEnabled(true);
    return true;
}

bool EpubSession::goToBookmark()
{
    if (!m_book || !m_record->bookmark) {
        return false;
    }
    const Reading::TextAnchor mark = *m_record->bookmark;
    if (mark.chapter != m_chapter && !showChapter(mark.chapter)) {
        return false;
    }
    const std::optional<int> placed = Reading::placeAnchor(mark, chapterText());
    if (!placed && m_converting) {
        // Its text is further on than the start shown so far.
        m_afterWhole = [this, mark] {
            scrollToTop(Reading::placeAnchor(mark, chapterText()).value_or(mark.offset));
        };
    }
    scrollToTop(placed.value_or(mark.offset));
    return true;
}

bool EpubSession::markSelection(QString* error)
{
    const int start = m_view->SelStart();
    const int length = m_view->SelLength();
    if (!m_book) {
        return false;
    }
    if (length <= 0) {
        return true;
    }
    // The mark is shown once it is kept, so the view never shows a mark that a restart loses.
    const QString text = chapterText();
    m_record->marks.append(
        {Reading::TextAnchor::at(m_chapter, text, start), length, text.mid(start, length)});
    if (!saveRecord(error)) {
        m_record->marks.removeLast();
        return false;
    }
    m_view->setSelColor(MarkColor);
    m_view->setSelUnderline(true);
    return true;
}

bool EpubSession::eraseSelection(QString* error)
{
    const int start = m_view->SelStart();
    const int end = start + m_view->SelLength();
    if (!m_book) {
        return false;
    }
    if (end <= start) {
        return true;
    }
    // Marks under the eraser go; the parts of them outside the selection stay marked. A mark
    // of a damaged record may lie anywhere, so its end is reckoned without overflow.
    const QString text = chapterText();
    QList<Reading::Mark> kept;
    for (const Reading::Mark& mark : std::as_const(m_record->marks)) {
        const qint64 markStart = mark.start.offset;
        const qint64 markEnd = markStart + mark.length;
        if (mark.start.chapter != m_chapter || markEnd <= start || markStart >= end) {
            kept.append(mark);
            continue;
        }
        if (markStart < start) {
            const int from = static_cast<int>(markStart);
            kept.append({Reading::TextAnchor::at(m_chapter, text, from), start - from,
                         text.mid(from, start - from)});
        }
        if (markEnd > end) {
            const int length = static_cast<int>(markEnd - end);
            kept.append(
                {Reading::TextAnchor::at(m_chapter, text, end), length, text.mid(end, length)});
        }
    }
    const QList<Reading::Mark> before = std::exchange(m_record->marks, kept);
    if (!saveRecord(error)) {
        m_record->marks = before;
        return false;
    }
    m_view->setSelUnderline(false);
    m_view->setSelColor(Qt::black);
    return true;
}

void EpubSession::applyMarks()
{
    const QString text = chapterText();
    for (Reading::Mark& mark : m_record->marks) {
        if (mark.start.chapter != m_chapter) {
            continue;
        }
        const std::optional<int> at = Reading::placeMark(mark, text);
        if (!at) {
            continue;
        }
        // Never past the chapter's end, whatever the record says.
        const int length = qBound(0, mark.length, static_cast<int>(text.size()) - *at);
        QTextCursor cursor(m_view->document());
        cursor.setPosition(*at);
        cursor.setPosition(*at + length, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setForeground(MarkColor);
        format.setFontUnderline(true);
        cursor.mergeCharFormat(format);
    }
}

bool EpubSession::findInLaterChapters(const QString& text, RichTextView::FindOptions options,
                                      int* found)
{
    if (!m_book || text.isEmpty()) {
        return false;
    }
    QTextDocument::FindFlags flags;
    if (options & RichTextView::FindWholeWord) {
        flags |= QTextDocument::FindWholeWords;
    }
    if (options & RichTextView::FindMatchCase) {
        flags |= QTextDocument::FindCaseSensitively;
    }
    BusyPointer busy;
    for (int chapter = m_chapter + 1; chapter < m_book->chapters().size(); ++chapter) {
        const QString chapterText = convertedText(chapter);
        QTextDocument plain;
        plain.setPlainText(chapterText);
        const QTextCursor match = plain.find(text, 0, flags);
        if (!match.isNull()) {
            // The match is selected at once, so the chapter is shown whole.
            m_convertWhole = true;
            showChapter(chapter, match.selectionStart());
            m_convertWhole = false;
            *found = match.selectionStart();
            return true;
        }
    }
    return false;
}

bool EpubSession::printBook(QPrinter* printer, QString* error)
{
    if (!m_book) {
        return false;
    }
    BusyPointer busy;
    const int chapters = int(m_book->chapters().size());
    QProgressDialog progress(tr("Printing \"%1\"...").arg(m_book->title()), tr("Cancel"), 0,
                             chapters, m_view->window());
    progress.setAccessibleName(tr("Printing progress"));
    progress.setWindowTitle(tr("Print"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    const auto result = EpubPrinter::printBook(
        *m_book, m_view->document()->defaultFont(), printer,
        [&progress](int chapter, int) {
            progress.setValue(chapter);
            return !progress.wasCanceled();
        },
        error);
    return result != EpubPrinter::Result::Failed;
}

void EpubSession::updateContentsMenu()
{
    if (!m_book || m_book->contents().isEmpty()) {
        return;
    }
    m_contents->checkEntry(currentContentsEntry());
}

bool EpubSession::turnChapter(bool forward)
{
    const int target = m_chapter + (forward ? 1 : -1);
    if (!m_book || target < 0 || target >= m_book->chapters().size()) {
        return false;
    }
    showChapter(target, 0);
    if (!forward) {
        // Turning back shows the end of the chapter before.
        m_view->setSelStart(m_view->characterCount());
        QScrollBar* bar = m_view->verticalScrollBar();
        bar->setValue(bar->maximum());
    }
    return true;
}

bool EpubSession::eventFilter(QObject* watched, QEvent* event)
{
    if (m_book && watched == m_view->viewport() && event->type() == QEvent::Resize) {
        m_fitTimer->start();
    }
    return QObject::eventFilter(watched, event);
}

QString EpubSession::plainTextOf(int chapter) const
{
    QString text = convertedText(chapter);
    text.replace(QChar::Nbsp, QLatin1Char(' '));
    return text;
}

bool EpubSession::showWholeChapter(int chapter)
{
    m_convertWhole = true;
    const bool shown = showChapter(chapter);
    m_convertWhole = false;
    return shown;
}
