#include "ui/BookSidePanel.h"

#include "views/ReadingPane.h"

#include <QListWidget>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int IndexRole = Qt::UserRole;
constexpr int LongestShownMark = 160;
} // namespace

BookSidePanel::BookSidePanel(ReadingPane& pane, QWidget* parent)
    : QDockWidget(tr("Contents"), parent), m_pane(pane), m_tabs(new QTabWidget(this)),
      m_contents(new QTreeWidget(m_tabs)), m_marks(new QListWidget(m_tabs)),
      m_follow(new QTimer(this)), m_marksLater(new QTimer(this)), m_refreshLater(new QTimer(this))
{
    setObjectName(QStringLiteral("sidePanel"));
    setAccessibleName(tr("Contents and marks"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    m_contents->setObjectName(QStringLiteral("contentsTree"));
    m_contents->setAccessibleName(tr("Contents"));
    m_contents->setHeaderHidden(true);
    // A Bible's 1,200 entries are laid out without measuring each one.
    m_contents->setUniformRowHeights(true);
    m_contents->setTextElideMode(Qt::ElideMiddle);
    m_marks->setObjectName(QStringLiteral("marksList"));
    m_marks->setAccessibleName(tr("Marks"));
    m_marks->setWordWrap(true);
    m_marks->setTextElideMode(Qt::ElideRight);
    m_tabs->setObjectName(QStringLiteral("sidePanelTabs"));
    m_tabs->addTab(m_contents, tr("Contents"));
    m_tabs->addTab(m_marks, tr("Marks"));
    setWidget(m_tabs);

    auto go = [this](QTreeWidgetItem* item) {
        if (item) {
            m_outline.go(m_pane, item->data(0, IndexRole).toInt());
        }
    };
    connect(m_contents, &QTreeWidget::itemClicked, this, go);
    connect(m_contents, &QTreeWidget::itemActivated, this, go);
    auto goToMark = [this](QListWidgetItem* item) {
        const int index = item ? item->data(IndexRole).toInt() : -1;
        if (index >= 0 && index < m_markEntries.size()) {
            BookMarkList::go(m_pane, m_markEntries.at(index));
        }
    };
    connect(m_marks, &QListWidget::itemClicked, this, goToMark);
    connect(m_marks, &QListWidget::itemActivated, this, goToMark);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this] { refresh(); });

    m_refreshLater->setSingleShot(true);
    m_refreshLater->setInterval(0);
    connect(m_refreshLater, &QTimer::timeout, this, &BookSidePanel::refresh);
    m_follow->setSingleShot(true);
    m_follow->setInterval(FollowDelayMs);
    connect(m_follow, &QTimer::timeout, this, &BookSidePanel::highlightCurrent);
    m_marksLater->setSingleShot(true);
    m_marksLater->setInterval(FollowDelayMs);
    connect(m_marksLater, &QTimer::timeout, this, [this] {
        m_marksRead = false;
        refresh();
    });
}

void BookSidePanel::bookChanged()
{
    m_outlineRead = false;
    m_marksRead = false;
    m_outline.clear();
    m_markEntries.clear();
    m_contents->clear();
    m_marks->clear();
    // An opening announces the empty pane first and then the book: the panel is filled once.
    m_refreshLater->start();
}

void BookSidePanel::readerMoved()
{
    if (isVisible()) {
        m_follow->start();
    }
}

void BookSidePanel::marksChanged()
{
    m_marksLater->start();
}

const BookOutline& BookSidePanel::outline()
{
    if (!m_outlineRead) {
        m_outline.read(m_pane);
        m_outlineRead = true;
    }
    return m_outline;
}

QList<BookMarkList::Entry> BookSidePanel::marks()
{
    return BookMarkList::read(m_pane, outline());
}

QString BookSidePanel::currentEntryTitle()
{
    // A book's headings are looked for only once the panel asked for them.
    if (!m_outlineRead) {
        return {};
    }
    const int current = m_outline.current(m_pane);
    return current >= 0 ? m_outline.entries().at(current).title : QString();
}

void BookSidePanel::showEvent(QShowEvent* event)
{
    QDockWidget::showEvent(event);
    refresh();
}

void BookSidePanel::refresh()
{
    if (!isVisible()) {
        return;
    }
    if (!m_outlineRead) {
        fillContents();
    }
    if (!m_marksRead && m_tabs->currentWidget() == m_marks) {
        fillMarks();
    }
}

void BookSidePanel::fillContents()
{
    m_contents->clear();
    const QList<BookOutline::Entry>& entries = outline().entries();
    // Each entry goes under the nearest entry before it that is less deep.
    QList<QTreeWidgetItem*> parents;
    QList<QTreeWidgetItem*> top;
    for (int i = 0; i < entries.size(); ++i) {
        const BookOutline::Entry& entry = entries.at(i);
        while (!parents.isEmpty() &&
               parents.last()->data(0, Qt::UserRole + 1).toInt() >= entry.depth) {
            parents.removeLast();
        }
        auto* item =
            parents.isEmpty() ? new QTreeWidgetItem() : new QTreeWidgetItem(parents.last());
        item->setText(0, entry.title);
        item->setToolTip(0, entry.title);
        item->setData(0, IndexRole, i);
        item->setData(0, Qt::UserRole + 1, entry.depth);
        if (parents.isEmpty()) {
            top.append(item);
        }
        parents.append(item);
    }
    m_contents->addTopLevelItems(top);
    if (m_contents->topLevelItemCount() < 30) {
        m_contents->expandAll();
    }
    if (entries.isEmpty()) {
        auto* none = new QTreeWidgetItem({tr("This book has no contents.")});
        none->setFlags(Qt::NoItemFlags);
        none->setData(0, IndexRole, -1);
        m_contents->addTopLevelItem(none);
    }
    highlightCurrent();
}

void BookSidePanel::fillMarks()
{
    m_marksRead = true;
    m_marks->clear();
    m_markEntries = marks();
    for (int i = 0; i < m_markEntries.size(); ++i) {
        const BookMarkList::Entry& entry = m_markEntries.at(i);
        QString text = entry.text;
        if (text.size() > LongestShownMark) {
            text = text.left(LongestShownMark) + QChar(0x2026);
        }
        const QString where = entry.chapter.isEmpty()
                                  ? tr("%1%").arg(entry.percent)
                                  : tr("%1, %2%").arg(entry.chapter).arg(entry.percent);
        auto* item = new QListWidgetItem(entry.bookmark ? tr("Bookmark: %1\n%2").arg(text, where)
                                                        : tr("\u201c%1\u201d\n%2").arg(text, where),
                                         m_marks);
        item->setToolTip(entry.text);
        item->setData(IndexRole, i);
    }
    if (m_markEntries.isEmpty()) {
        auto* none = new QListWidgetItem(tr("No bookmark and no marks in this book."), m_marks);
        none->setFlags(Qt::NoItemFlags);
        none->setData(IndexRole, -1);
    }
}

void BookSidePanel::highlightCurrent()
{
    if (!m_outlineRead || !isVisible()) {
        return;
    }
    const int current = m_outline.current(m_pane);
    if (current < 0) {
        m_contents->setCurrentItem(nullptr);
        return;
    }
    // Entries are numbered in reading order, as the tree holds them.
    for (QTreeWidgetItemIterator it(m_contents); *it; ++it) {
        if ((*it)->data(0, IndexRole).toInt() == current) {
            m_contents->setCurrentItem(*it);
            m_contents->scrollToItem(*it);
            return;
        }
    }
}
