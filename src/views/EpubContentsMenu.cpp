#include "views/EpubContentsMenu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <utility>

EpubContentsMenu::EpubContentsMenu(QMenu* menu, QObject* parent) : QObject(parent), m_menu(menu)
{
    if (m_menu) {
        m_menu->menuAction()->setVisible(false);
    }
}

void EpubContentsMenu::rebuild(const Epub::Book* book, bool hasBookmark, bool pagesAvailable)
{
    if (!m_menu) {
        return;
    }
    clearEntries();
    m_book = book;
    QAction* previous = m_menu->addAction(tr("&Previous Chapter"));
    m_previousAction = previous;
    previous->setObjectName(QStringLiteral("mnuContentsPrevious"));
    previous->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp));
    connect(previous, &QAction::triggered, this, &EpubContentsMenu::previousChapter);
    QAction* next = m_menu->addAction(tr("&Next Chapter"));
    m_nextAction = next;
    next->setObjectName(QStringLiteral("mnuContentsNext"));
    next->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown));
    connect(next, &QAction::triggered, this, &EpubContentsMenu::nextChapter);
    m_bookmarkAction = m_menu->addAction(tr("Go to &Bookmark"));
    m_bookmarkAction->setObjectName(QStringLiteral("mnuContentsBookmark"));
    m_bookmarkAction->setEnabled(hasBookmark);
    connect(m_bookmarkAction, &QAction::triggered, this, &EpubContentsMenu::bookmarkChosen);
    m_pagesAction = m_menu->addAction(tr("Show as &Pages"));
    m_pagesAction->setObjectName(QStringLiteral("mnuContentsPages"));
    m_pagesAction->setStatusTip(
        tr("Shows the book's pages as they were laid out, instead of its text"));
    m_pagesAction->setCheckable(true);
    m_pagesAction->setEnabled(pagesAvailable);
    connect(m_pagesAction, &QAction::toggled, this, &EpubContentsMenu::pagesToggled);
    m_menu->addSeparator();
    const int entries = int(m_book->contents().size());
    if (entries == 0) {
        m_menu->addAction(tr("(This book has no table of contents)"))->setEnabled(false);
    } else if (entries <= MaxEntries) {
        addEntries(m_menu, 0, entries);
    } else {
        // A long table of contents would run off the screen: it is listed in groups, each a
        // submenu of at most MaxEntries items, filled when it is first opened.
        addGroups(m_menu, 0, entries);
    }
    m_menu->menuAction()->setVisible(true);
}

void EpubContentsMenu::clear()
{
    clearEntries();
    m_book = nullptr;
    if (m_menu) {
        m_menu->menuAction()->setVisible(false);
    }
    m_bookmarkAction = nullptr;
    m_previousAction = nullptr;
    m_nextAction = nullptr;
    m_pagesAction = nullptr;
}

void EpubContentsMenu::clearEntries()
{
    m_entryActions.clear();
    m_checkedEntry = -1;
    // The groups' submenus are not the menu's own actions, so clearing it leaves them.
    qDeleteAll(std::exchange(m_groupMenus, {}));
    delete std::exchange(m_fitGroup, nullptr);
    if (m_menu) {
        m_menu->clear();
    }
}

void EpubContentsMenu::addEntries(QMenu* menu, int from, int to)
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
        connect(action, &QAction::triggered, this, [this, i] { emit entryChosen(i); });
        m_entryActions.insert(i, action);
    }
}

void EpubContentsMenu::addGroups(QMenu* menu, int from, int to)
{
    // Each group spans a power of MaxEntries entries, so no menu holds more items than that.
    int span = MaxEntries;
    while (qint64(span) * MaxEntries < to - from) {
        span *= MaxEntries;
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
            if (last - first <= MaxEntries) {
                addEntries(group, first, last);
            } else {
                addGroups(group, first, last);
            }
        });
    }
}

void EpubContentsMenu::checkEntry(int index)
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

void EpubContentsMenu::setBookmarkEnabled(bool enabled)
{
    if (m_bookmarkAction) {
        m_bookmarkAction->setEnabled(enabled);
    }
}

void EpubContentsMenu::setPagesAvailable(bool available)
{
    if (m_pagesAction) {
        m_pagesAction->setEnabled(available);
    }
}

void EpubContentsMenu::setPagesChecked(bool checked)
{
    if (m_pagesAction) {
        const QSignalBlocker quiet(m_pagesAction);
        m_pagesAction->setChecked(checked);
    }
}

void EpubContentsMenu::uncheckPages()
{
    if (m_pagesAction) {
        m_pagesAction->setChecked(false);
    }
}

void EpubContentsMenu::setTextCommandsEnabled(bool enabled, bool hasBookmark)
{
    for (QAction* action : {m_previousAction, m_nextAction}) {
        if (action) {
            action->setEnabled(enabled);
        }
    }
    setBookmarkEnabled(enabled && hasBookmark);
}

void EpubContentsMenu::showFitChoice(bool width)
{
    if (!m_menu || !m_pagesAction) {
        return;
    }
    // In place of the switch to pages, which a book of pictures has no use for.
    delete m_fitGroup;
    auto* group = new QActionGroup(m_menu);
    m_fitGroup = group;
    auto* fitWidth = new QAction(tr("Fit Page &Width"), group);
    fitWidth->setObjectName(QStringLiteral("mnuContentsFitWidth"));
    fitWidth->setStatusTip(tr("Shows each page as wide as the view; scroll to read it all"));
    auto* fitPage = new QAction(tr("Fit Whole Pa&ge"), group);
    fitPage->setObjectName(QStringLiteral("mnuContentsFitPage"));
    fitPage->setStatusTip(tr("Shows each page whole within the view"));
    for (QAction* action : {fitWidth, fitPage}) {
        action->setCheckable(true);
        m_menu->insertAction(m_pagesAction, action);
    }
    (width ? fitWidth : fitPage)->setChecked(true);
    connect(fitWidth, &QAction::triggered, this, [this] { emit fitChosen(true); });
    connect(fitPage, &QAction::triggered, this, [this] { emit fitChosen(false); });
    m_pagesAction->setVisible(false);
}
