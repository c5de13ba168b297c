#pragma once

#include "views/BookMarkList.h"
#include "views/BookOutline.h"

#include <QDockWidget>

class QListWidget;
class QTabWidget;
class QTimer;
class QTreeWidget;
class ReadingPane;

// The side panel beside the book: its contents as a tree, the entry being read highlighted,
// and its bookmark and red-pen marks; a click on either goes there. What it lists is read only
// while it is shown, so a book opens as fast with the panel hidden as before it existed.
class BookSidePanel : public QDockWidget
{
    Q_OBJECT
public:
    // Moves of the reader are followed this long after the last one.
    static constexpr int FollowDelayMs = 150;

    BookSidePanel(ReadingPane& pane, QWidget* parent = nullptr);

    // Another book is in the pane (or none).
    void bookChanged();
    // The reader moved: the entry being read is highlighted a moment later.
    void readerMoved();
    // The marks may have changed (a mark set or erased).
    void marksChanged();

    // The contents entry being read, for the status bar (empty when unknown).
    QString currentEntryTitle();
    // The marks of the book in the pane, read now.
    QList<BookMarkList::Entry> marks();
    const BookOutline& outline();

    QTabWidget* tabs() const { return m_tabs; }
    QTreeWidget* contentsTree() const { return m_contents; }
    QListWidget* marksList() const { return m_marks; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Reads the contents and the marks again when they are out of date and the panel shows.
    void refresh();
    void fillContents();
    void fillMarks();
    void highlightCurrent();

    ReadingPane& m_pane;
    QTabWidget* m_tabs;
    QTreeWidget* m_contents;
    QListWidget* m_marks;
    QTimer* m_follow;
    QTimer* m_marksLater;
    QTimer* m_refreshLater;
    BookOutline m_outline;
    QList<BookMarkList::Entry> m_markEntries;
    bool m_outlineRead = false;
    bool m_marksRead = false;
};
