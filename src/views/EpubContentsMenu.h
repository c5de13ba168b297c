#pragma once

#include "formats/epub/EpubBook.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>

class QAction;
class QActionGroup;
class QMenu;

// The Contents menu of the EPUB book open: the chapter and bookmark commands, the switch to the
// book's pages, and the table of contents, with the entry being read checked. A long table of
// contents is listed in groups that are filled when first opened. The menu is hidden while no
// book is open.
class EpubContentsMenu : public QObject
{
    Q_OBJECT
public:
    // A longer table of contents is listed in groups of this many.
    static constexpr int MaxEntries = 40;

    EpubContentsMenu(QMenu* menu, QObject* parent = nullptr);

    // Lists the book's contents (the book must outlive the listing, until clear).
    void rebuild(const Epub::Book* book, bool hasBookmark, bool pagesAvailable);
    // Empties and hides the menu.
    void clear();
    // Checks the entry being read (-1 for none); only the old and new entries change.
    void checkEntry(int index);

    void setBookmarkEnabled(bool enabled);
    void setPagesAvailable(bool available);
    // Shows whether the pages are shown, without asking for them again.
    void setPagesChecked(bool checked);
    // The pages could not be shown: the switch goes back, as if the reader had turned it off.
    void uncheckPages();
    // The chapter and bookmark commands move through the text; they are off while the pages
    // are shown.
    void setTextCommandsEnabled(bool enabled, bool hasBookmark);
    // A comic is open: the choice between fitting its pages to the width of the view and
    // showing each whole is offered, width being the one chosen now (or the whole page).
    void showFitChoice(bool width);

signals:
    void previousChapter();
    void nextChapter();
    void bookmarkChosen();
    void pagesToggled(bool pages);
    // Comic pages are to fit the view's width (or be shown whole).
    void fitChosen(bool width);
    void entryChosen(int index);

private:
    void clearEntries();
    // Adds the contents entries from..to-1 to menu, as entries or as groups of them.
    void addEntries(QMenu* menu, int from, int to);
    void addGroups(QMenu* menu, int from, int to);

    QPointer<QMenu> m_menu;
    const Epub::Book* m_book = nullptr;
    // The entries' actions made so far (those of a long table of contents are made when their
    // group is opened), by index in the contents.
    QHash<int, QAction*> m_entryActions;
    QList<QMenu*> m_groupMenus; // the top-level groups of a long table of contents
    int m_checkedEntry = -1;
    QAction* m_bookmarkAction = nullptr;
    QAction* m_pagesAction = nullptr;
    QAction* m_previousAction = nullptr;
    QAction* m_nextAction = nullptr;
    QActionGroup* m_fitGroup = nullptr; // a comic's two ways of fitting its pages
};
