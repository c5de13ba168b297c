#pragma once

#include "core/ViewSettings.h"

#include <QList>
#include <QObject>
#include <QPointer>

class FindBar;
class QAction;
class QActionGroup;
class QWidget;
class ReadingLook;
class frmMain;

// The View menu's commands and the usual shortcuts of the main window: the theme, zoom, full
// screen, the comfortable width and the text settings, the find bar, and the shortcuts of
// the commands in the other menus (Print, Exit, Bookmark, the manual).
class ViewCommands : public QObject
{
    Q_OBJECT
public:
    // Builds the entries into the main window's menus; the settings are read from the store.
    explicit ViewCommands(frmMain& main);

    ReadingLook* look() const { return m_look; }
    FindBar* findBar() const { return m_findBar; }

    void openFindBar();
    void closeFindBar();
    // The reading pane alone on the whole screen; off, the window as it was.
    void setFullScreen(bool on);
    bool isFullScreen() const { return m_fullScreen; }
    void editTextSettings();

    QAction* bookmark = nullptr;
    QAction* find = nullptr;
    QAction* findNext = nullptr;
    QAction* findPrevious = nullptr;
    QAction* zoomIn = nullptr;
    QAction* zoomOut = nullptr;
    QAction* zoomReset = nullptr;
    QAction* fullScreen = nullptr;
    QAction* leaveFullScreen = nullptr;
    QAction* comfortableWidth = nullptr;
    QAction* textSettings = nullptr;
    QActionGroup* themes = nullptr;

private:
    void buildMenu();
    void addShortcuts();

    frmMain& m_main;
    ReadingLook* m_look;
    FindBar* m_findBar;
    bool m_fullScreen = false;
    bool m_wasMaximized = false;
    // What full screen hid, to be shown again.
    QList<QPointer<QWidget>> m_hidden;
};
