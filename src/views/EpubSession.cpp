#include "views/EpubSession.h"

#include "core/BusyPointer.h"
#include "formats/epub/ChapterConverter.h"
#include "formats/epub/PageFolder.h"
#include "views/EpubPrinter.h"
#include "views/MarkColor.h"
#include "views/RichTextView.h"
#include "views/WebView.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>
#include <utility>

namespace {
QTextCharFormat formatAt(const QTextDocument* document, int position)
{
    const QTextBlock block = document->findBlock(position);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.contains(position)) {
            return fragment.charFormat();
        }
    }
    return {};
}

// Chapters are turned by scrolling on past an end; a burst of wheel steps turns one chapter.
constexpr int TurnPauseMs = 400;
} // namespace

EpubSession::EpubSession(RichTextView* view, QMenu* contentsMenu, const QString& recordsFolder,
                         QObject* parent)
    : QObject(parent), m_view(view), m_menu(contentsMenu), m_recordsFolder(recordsFolder),
      m_saveTimer(new QTimer(this)), m_fitTimer(new QTimer(this))
{
    m_saveTimer->setSingleShot(true);
    m_saveTimer->setInterval(PositionSaveDelayMs);
    connect(m_saveTimer, &QTimer::timeout, this, [this] { saveRecord(); });
    m_fitTimer->setSingleShot(true);
    m_fitTimer->setInterval(PictureFitDelayMs);
    connect(m_fitTimer, &QTimer::timeout, this, &EpubSession::fitPictures);
    m_view->installEventFilter(this);
    m_view->viewport()->installEventFilter(this);
    connect(m_view->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &EpubSession::positionChanged);
    if (m_menu) {
        m_menu->menuAction()->setVisible(false);
    }
    // Pages unpacked by a reader that was killed are still in the temporary folder.
    Epub::PageFolder::removeLeftovers(QDir::tempPath());
}

EpubSession::~EpubSession()
{
    // The owner closes the session while the view lives; past that, nothing is read from it.
    m_saveTimer->stop();
}

bool EpubSession::open(const QString& path, QString* error)
{
    close();
    BusyPointer busy;
    auto book = std::make_unique<Epub::Book>();
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
    m_book = std::move(book);
    m_record = std::make_unique<Epub::ReadingRecord>(
        Epub::ReadingRecord::find(m_recordsFolder, path, m_book->identifier(), m_book->title()));
    if (m_record->match() == Epub::ReadingRecord::Match::ChangedBook) {
        // The book was edited since it was last read: its places move with their text.
        m_record->relocate(int(m_book->chapters().size()),
                           [this](int chapter) { return convertedText(chapter); });
    }
    rebuildContentsMenu();
    // A bookmark takes the reader back to it, as in every other kind of book; without one (or
    // with one whose chapter is gone) the book opens where it was left.
    const bool atBookmark =
        m_record->bookmark && m_record->bookmark->chapter >= 0 && goToBookmark();
    if (!atBookmark) {
        const Epub::TextAnchor start = m_record->position.value_or(Epub::TextAnchor{});
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
    m_book.reset();
    m_record.reset();
    m_chapter = -1;
    clearContentsMenu();
    if (m_menu) {
        m_menu->menuAction()->setVisible(false);
    }
    m_bookmarkAction = nullptr;
    m_previousAction = nullptr;
    m_nextAction = nullptr;
    m_pagesAction = nullptr;
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
    if (m_pagesAction) {
        m_pagesAction->setEnabled(view != nullptr);
    }
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
            if (m_pagesAction) {
                m_pagesAction->setChecked(false);
            }
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
    if (m_pagesAction) {
        const QSignalBlocker quiet(m_pagesAction);
        m_pagesAction->setChecked(pages);
    }
    // The chapter and bookmark commands move through the text; the pages scroll by
    // themselves, and a contents entry brings its page into view.
    for (QAction* action : {m_previousAction, m_nextAction}) {
        if (action) {
            action->setEnabled(!pages);
        }
    }
    if (m_bookmarkAction) {
        m_bookmarkAction->setEnabled(!pages && m_record->bookmark.has_value());
    }
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
    QTextDocument* document = m_view->prepareDocument();
    Epub::ChapterConverter converter(*m_book);
    m_pictureWidth = pictureWidth();
    converter.setMaxPictureWidth(m_pictureWidth);
    QString error;
    if (!converter.convert(chapter, document, &error)) {
        // A chapter that cannot be shown says why in its place; the others stay readable.
        document->setHtml(
            QStringLiteral("<p><i>%1</i></p>")
                .arg(tr("This chapter cannot be shown: %1").arg(error).toHtmlEscaped()));
    }
    m_view->showDocument(document);
    m_chapter = chapter;
    collectAnchors();
    applyMarks();
    scrollToTop(offset);
    updateContentsMenu();
    positionChanged();
    return true;
}

int EpubSession::pictureWidth() const
{
    return qMax(200, m_view->viewport()->width() - 40);
}

void EpubSession::fitPictures()
{
    if (!m_book || m_chapter < 0 || pictureWidth() == m_pictureWidth) {
        return;
    }
    m_pictureWidth = pictureWidth();
    // The view keeps the line at its top while the pictures above it change size.
    BusyPointer busy;
    Epub::ChapterConverter::fitPictures(*m_book, m_view->document(), m_pictureWidth);
}

void EpubSession::scrollToTop(int offset)
{
    offset = qBound(0, offset, m_view->characterCount());
    m_view->setSelStart(offset);
    QScrollBar* bar = m_view->verticalScrollBar();
    // The plain view scrolls by line, others by pixel; a few steps bring the line of the
    // offset to the top (only the lines passed over are laid out, so each step can change
    // what a line is worth).
    const bool byLine = qobject_cast<QPlainTextEdit*>(m_view) != nullptr;
    const int lineHeight = qMax(1, m_view->fontMetrics().lineSpacing());
    for (int step = 0; step < 32; ++step) {
        const int top = m_view->cursorRect().top();
        if ((top >= 0 && top < lineHeight) || (top > 0 && bar->value() >= bar->maximum()) ||
            (top < 0 && bar->value() <= bar->minimum())) {
            break;
        }
        const int move =
            byLine ? (top > 0 ? qMax(1, top / lineHeight) : qMin(-1, top / lineHeight)) : top;
        bar->setValue(bar->value() + move);
    }
}

Epub::TextAnchor EpubSession::currentPosition() const
{
    const int top = m_view->cursorForPosition(QPoint(0, 0)).position();
    return Epub::TextAnchor::at(qMax(0, m_chapter), chapterText(), top);
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

void EpubSession::collectAnchors()
{
    m_anchors.clear();
    for (QTextBlock block = m_view->document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            for (const QString& name : it.fragment().charFormat().anchorNames()) {
                if (!m_anchors.contains(name)) {
                    m_anchors.insert(name, it.fragment().position());
                }
            }
        }
    }
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
        checkContentsEntry(index);
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
    scrollToTop(m_anchors.value(anchor, 0));
    updateContentsMenu();
    positionChanged();
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
    const std::optional<Epub::TextAnchor> before = m_record->bookmark;
    m_record->bookmark = Epub::TextAnchor::at(m_chapter, chapterText(), m_view->SelStart());
    if (!saveRecord(error)) {
        m_record->bookmark = before;
        return false;
    }
    if (m_bookmarkAction) {
        m_bookmarkAction->setEnabled(true);
    }
    return true;
}

bool EpubSession::goToBookmark()
{
    if (!m_book || !m_record->bookmark) {
        return false;
    }
    const Epub::TextAnchor mark = *m_record->bookmark;
    if (mark.chapter != m_chapter && !showChapter(mark.chapter)) {
        return false;
    }
    const int offset = Epub::placeAnchor(mark, chapterText()).value_or(mark.offset);
    scrollToTop(offset);
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
        {Epub::TextAnchor::at(m_chapter, text, start), length, text.mid(start, length)});
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
    QList<Epub::Mark> kept;
    for (const Epub::Mark& mark : std::as_const(m_record->marks)) {
        const qint64 markStart = mark.start.offset;
        const qint64 markEnd = markStart + mark.length;
        if (mark.start.chapter != m_chapter || markEnd <= start || markStart >= end) {
            kept.append(mark);
            continue;
        }
        if (markStart < start) {
            const int from = static_cast<int>(markStart);
            kept.append({Epub::TextAnchor::at(m_chapter, text, from), start - from,
                         text.mid(from, start - from)});
        }
        if (markEnd > end) {
            const int length = static_cast<int>(markEnd - end);
            kept.append(
                {Epub::TextAnchor::at(m_chapter, text, end), length, text.mid(end, length)});
        }
    }
    const QList<Epub::Mark> before = std::exchange(m_record->marks, kept);
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
    for (Epub::Mark& mark : m_record->marks) {
        if (mark.start.chapter != m_chapter) {
            continue;
        }
        const std::optional<int> at = Epub::placeMark(mark, text);
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
            showChapter(chapter, match.selectionStart());
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

void EpubSession::rebuildContentsMenu()
{
    if (!m_menu) {
        return;
    }
    clearContentsMenu();
    QAction* previous = m_menu->addAction(tr("&Previous Chapter"));
    m_previousAction = previous;
    previous->setObjectName(QStringLiteral("mnuContentsPrevious"));
    previous->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp));
    connect(previous, &QAction::triggered, this, [this] {
        if (m_chapter > 0) {
            showChapter(m_chapter - 1);
        }
    });
    QAction* next = m_menu->addAction(tr("&Next Chapter"));
    m_nextAction = next;
    next->setObjectName(QStringLiteral("mnuContentsNext"));
    next->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown));
    connect(next, &QAction::triggered, this, [this] { showChapter(m_chapter + 1); });
    m_bookmarkAction = m_menu->addAction(tr("Go to &Bookmark"));
    m_bookmarkAction->setObjectName(QStringLiteral("mnuContentsBookmark"));
    m_bookmarkAction->setEnabled(m_record && m_record->bookmark.has_value());
    connect(m_bookmarkAction, &QAction::triggered, this, [this] { goToBookmark(); });
    m_pagesAction = m_menu->addAction(tr("Show as &Pages"));
    m_pagesAction->setObjectName(QStringLiteral("mnuContentsPages"));
    m_pagesAction->setStatusTip(
        tr("Shows the book's pages as they were laid out, instead of its text"));
    m_pagesAction->setCheckable(true);
    m_pagesAction->setEnabled(m_pageView != nullptr);
    connect(m_pagesAction, &QAction::toggled, this, [this](bool pages) {
        QString error;
        if (!showPages(pages, &error) && !error.isEmpty()) {
            QMessageBox::warning(m_view->window(), QCoreApplication::applicationName(), error);
        }
    });
    m_menu->addSeparator();
    const int entries = int(m_book->contents().size());
    if (entries == 0) {
        m_menu->addAction(tr("(This book has no table of contents)"))->setEnabled(false);
    } else if (entries <= MaxMenuEntries) {
        addContentsEntries(m_menu, 0, entries);
    } else {
        // A long table of contents would run off the screen: it is listed in groups, each a
        // submenu of at most MaxMenuEntries items, filled when it is first opened.
        addContentsGroups(m_menu, 0, entries);
    }
    m_menu->menuAction()->setVisible(true);
}

void EpubSession::clearContentsMenu()
{
    m_entryActions.clear();
    m_checkedEntry = -1;
    // The groups' submenus are not the menu's own actions, so clearing it leaves them.
    qDeleteAll(std::exchange(m_groupMenus, {}));
    if (m_menu) {
        m_menu->clear();
    }
}

void EpubSession::addContentsEntries(QMenu* menu, int from, int to)
{
    const QList<Epub::ContentsEntry> entries = m_book->contents();
    for (int i = from; i < to; ++i) {
        const Epub::ContentsEntry& entry = entries.at(i);
        // Menus show no tree: depth is shown by indenting.
        QString caption = QString(entry.depth * 4, QLatin1Char(' ')) + entry.title;
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* action = menu->addAction(caption);
        action->setObjectName(QStringLiteral("mnuContentsEntry%1").arg(i));
        action->setCheckable(true);
        action->setChecked(i == m_checkedEntry);
        connect(action, &QAction::triggered, this, [this, i] { showContentsEntry(i); });
        m_entryActions.insert(i, action);
    }
}

void EpubSession::addContentsGroups(QMenu* menu, int from, int to)
{
    // Each group spans a power of MaxMenuEntries entries, so no menu holds more items than that.
    int span = MaxMenuEntries;
    while (qint64(span) * MaxMenuEntries < to - from) {
        span *= MaxMenuEntries;
    }
    const QList<Epub::ContentsEntry> entries = m_book->contents();
    auto title = [&entries](int index) {
        QString text = entries.at(index).title;
        if (text.size() > 32) {
            text = text.left(31) + QChar(0x2026);
        }
        return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    };
    for (int first = from; first < to; first += span) {
        const int last = qMin(to, first + span);
        QMenu* group = new QMenu(title(first) + QStringLiteral(" \u2013 ") + title(last - 1), menu);
        group->setObjectName(QStringLiteral("mnuContentsGroup%1").arg(first));
        group->menuAction()->setObjectName(QStringLiteral("mnuContentsGroup%1Action").arg(first));
        menu->addMenu(group);
        if (menu == m_menu) {
            m_groupMenus.append(group);
        }
        connect(group, &QMenu::aboutToShow, this, [this, group, first, last] {
            if (!group->isEmpty() || !m_book) {
                return;
            }
            if (last - first <= MaxMenuEntries) {
                addContentsEntries(group, first, last);
            } else {
                addContentsGroups(group, first, last);
            }
        });
    }
}

void EpubSession::checkContentsEntry(int index)
{
    if (index == m_checkedEntry) {
        return;
    }
    // Only the entry that was checked and the new one change, however long the contents.
    if (QAction* old = m_entryActions.value(m_checkedEntry)) {
        old->setChecked(false);
    }
    if (QAction* now = m_entryActions.value(index)) {
        now->setChecked(true);
    }
    m_checkedEntry = index;
}

void EpubSession::updateContentsMenu()
{
    if (!m_book || m_book->contents().isEmpty()) {
        return;
    }
    checkContentsEntry(currentContentsEntry());
}

bool EpubSession::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_book) {
        return QObject::eventFilter(watched, event);
    }
    QScrollBar* bar = m_view->verticalScrollBar();
    // At an end when the first or last line of the chapter is in view (the scroll bar of a
    // view that lays out as it goes may stop short of its maximum). Asked only by the keys and
    // the wheel, never on the paints and moves that pass through here far more often.
    auto atEnd = [this] {
        QTextCursor last(m_view->document());
        last.movePosition(QTextCursor::End);
        return m_view->cursorRect(last).bottom() <= m_view->viewport()->height();
    };
    auto atStart = [this] {
        return m_view->cursorRect(QTextCursor(m_view->document())).top() >= 0;
    };
    auto turn = [&](bool forward) {
        if (m_turning) {
            return true;
        }
        const int target = m_chapter + (forward ? 1 : -1);
        if (target < 0 || target >= m_book->chapters().size()) {
            return false;
        }
        m_turning = true;
        QTimer::singleShot(TurnPauseMs, this, [this] { m_turning = false; });
        showChapter(target, 0);
        if (!forward) {
            // Turning back shows the end of the chapter before.
            m_view->setSelStart(m_view->characterCount());
            bar->setValue(bar->maximum());
        }
        return true;
    };
    switch (event->type()) {
    case QEvent::Resize:
        if (watched == m_view->viewport()) {
            m_fitTimer->start();
        }
        break;
    case QEvent::KeyPress: {
        if (watched != m_view) {
            break;
        }
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() != Qt::NoModifier) {
            break;
        }
        // Arrow keys turn only from the first or last line, so the caret can still move
        // through the last screen of a chapter.
        const QTextBlock caret = m_view->textCursor().block();
        const bool lastLine = caret == m_view->document()->lastBlock();
        const bool firstLine = caret == m_view->document()->firstBlock();
        if ((key->key() == Qt::Key_PageDown || (key->key() == Qt::Key_Down && lastLine)) &&
            atEnd()) {
            return turn(true);
        }
        if ((key->key() == Qt::Key_PageUp || (key->key() == Qt::Key_Up && firstLine)) &&
            atStart()) {
            return turn(false);
        }
        break;
    }
    case QEvent::Wheel: {
        if (watched != m_view->viewport()) {
            break;
        }
        const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
        if ((delta < 0 && atEnd()) || (delta > 0 && atStart())) {
            return turn(delta < 0) || QObject::eventFilter(watched, event);
        }
        break;
    }
    case QEvent::MouseButtonRelease: {
        if (watched != m_view->viewport() || m_view->textCursor().hasSelection()) {
            break;
        }
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const int at = m_view->cursorForPosition(mouse->position().toPoint()).position();
        const QString href = formatAt(m_view->document(), at).anchorHref();
        if (mouse->button() == Qt::LeftButton && !href.isEmpty()) {
            followLink(href);
        }
        break;
    }
    case QEvent::ToolTip: {
        if (watched != m_view->viewport()) {
            break;
        }
        const auto* help = static_cast<QHelpEvent*>(event);
        const int at = m_view->cursorForPosition(help->pos()).position();
        const QString note = formatAt(m_view->document(), at).toolTip();
        if (!note.isEmpty()) {
            QToolTip::showText(help->globalPos(), note, m_view->viewport());
            return true;
        }
        QToolTip::hideText();
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
