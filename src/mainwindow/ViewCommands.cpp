#include "mainwindow/ViewCommands.h"

#include "mainwindow/frmMain.h"
#include "ui/LibraryTree.h"
#include "ui/dialogs/dlgTextSettings.h"
#include "views/DocumentView.h"
#include "views/FindBar.h"
#include "views/PdfView.h"
#include "views/ReadingLook.h"
#include "views/ReadingPane.h"
#include "views/RichTextView.h"
#include "views/WebView.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolButton>

ViewCommands::ViewCommands(frmMain& main)
    : QObject(&main), m_main(main),
      m_look(new ReadingLook(*main.pane(), ViewSettings::load(), this))
{
    // Under the reading pane, in the client area with it.
    m_findBar = new FindBar(*main.pane(), main.centralWidget());
    main.pane()->setFooter(m_findBar);
    connect(m_findBar, &FindBar::closed, &main, &frmMain::applyLayoutRule);
    buildMenu();
    addShortcuts();
    connect(main.pane(), &ReadingPane::interfaceChanged, this, [this] {
        bookmark->setEnabled(m_main.btnBookmark->isEnabled());
        // A PDF book prints its own pages.
        if (m_main.state().Kind == BookKind::Pdf && m_main.pdfBook->pageCount() > 0) {
            m_main.btnPrint->setEnabled(true);
            m_main.mnuFilePrint->setEnabled(true);
        }
        if (m_fullScreen) {
            // A web book's Back and Forward stay hidden with the rest.
            for (QWidget* button : {static_cast<QWidget*>(m_main.btnBack),
                                    static_cast<QWidget*>(m_main.btnForward)}) {
                if (button->isVisible()) {
                    button->hide();
                    m_hidden.append(button);
                }
            }
        }
    });
    bookmark->setEnabled(m_main.btnBookmark->isEnabled());
}

void ViewCommands::buildMenu()
{
    auto action = [this](QMenu* menu, const QString& caption, const char* name,
                         const QList<QKeySequence>& keys, auto slot) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        a->setShortcuts(keys);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };

    // Edit: Bookmark beside the other marks.
    auto* editBookmark = new QAction(tr("&Bookmark"), m_main.mnuEdit);
    editBookmark->setObjectName(QStringLiteral("mnuEditBookmark"));
    editBookmark->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    connect(editBookmark, &QAction::triggered, &m_main, &frmMain::SetBookmark);
    m_main.mnuEdit->insertAction(m_main.mnuEditHighlight, editBookmark);
    bookmark = editBookmark;

    QMenu* view = m_main.viewMenu();
    find = action(view, tr("&Find in Book..."), "mnuViewFind", {QKeySequence::Find},
                  &ViewCommands::openFindBar);
    findNext =
        action(view, tr("Find &Next"), "mnuViewFindNext", {QKeySequence(Qt::Key_F3)}, [this] {
            openFindBar();
            m_findBar->findNext();
        });
    findPrevious = action(view, tr("Find Pre&vious"), "mnuViewFindPrevious",
                          {QKeySequence(Qt::SHIFT | Qt::Key_F3)}, [this] {
                              openFindBar();
                              m_findBar->findPrevious();
                          });
    view->addSeparator();

    QMenu* theme = view->addMenu(tr("&Theme"));
    theme->setObjectName(QStringLiteral("mnuViewTheme"));
    themes = new QActionGroup(this);
    const std::pair<ReadingTheme, QString> choices[] = {{ReadingTheme::Day, tr("&Day")},
                                                        {ReadingTheme::Sepia, tr("&Sepia")},
                                                        {ReadingTheme::Night, tr("&Night")}};
    for (const auto& [value, caption] : choices) {
        QAction* a = theme->addAction(caption);
        a->setObjectName(QStringLiteral("mnuTheme") + ViewSettings::themeName(value));
        a->setCheckable(true);
        a->setChecked(m_look->settings().theme == value);
        themes->addAction(a);
        connect(a, &QAction::triggered, this, [this, value = value] { m_look->setTheme(value); });
    }

    zoomIn = action(view, tr("Zoom &In"), "mnuViewZoomIn",
                    {QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)},
                    [this] { m_look->zoomIn(); });
    zoomOut = action(view, tr("Zoom &Out"), "mnuViewZoomOut", {QKeySequence::ZoomOut},
                     [this] { m_look->zoomOut(); });
    zoomReset = action(view, tr("&Actual Size"), "mnuViewZoomReset",
                       {QKeySequence(Qt::CTRL | Qt::Key_0)}, [this] { m_look->resetZoom(); });
    view->addSeparator();
    comfortableWidth = action(view, tr("&Comfortable Width"), "mnuViewComfortableWidth", {},
                              [this](bool on) { m_look->setComfortableWidth(on); });
    comfortableWidth->setCheckable(true);
    comfortableWidth->setChecked(m_look->settings().comfortableWidth);
    textSettings = action(view, tr("&Text Settings..."), "mnuViewTextSettings", {},
                          &ViewCommands::editTextSettings);
    view->addSeparator();
    fullScreen = action(view, tr("F&ull Screen"), "mnuViewFullScreen", {QKeySequence(Qt::Key_F11)},
                        [this] { setFullScreen(!m_fullScreen); });
    fullScreen->setCheckable(true);
    // Esc leaves full screen; it does nothing otherwise.
    leaveFullScreen = new QAction(tr("Leave Full Screen"), this);
    leaveFullScreen->setObjectName(QStringLiteral("leaveFullScreen"));
    leaveFullScreen->setShortcut(QKeySequence(Qt::Key_Escape));
    leaveFullScreen->setEnabled(false);
    connect(leaveFullScreen, &QAction::triggered, this, [this] { setFullScreen(false); });
}

void ViewCommands::addShortcuts()
{
    m_main.mnuFilePrint->setShortcut(QKeySequence::Print);
    m_main.mnuFileExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_main.mnuHelpContents->setShortcut(QKeySequence::HelpContents);
    // The window holds the keys too, so they work while full screen hides the menus.
    const QList<QAction*> keyed = {m_main.mnuFilePrint,
                                   m_main.mnuFileExit,
                                   m_main.mnuHelpContents,
                                   m_main.mnuEditCopy,
                                   bookmark,
                                   find,
                                   findNext,
                                   findPrevious,
                                   zoomIn,
                                   zoomOut,
                                   zoomReset,
                                   fullScreen,
                                   leaveFullScreen};
    m_main.addActions(keyed);
}

void ViewCommands::openFindBar()
{
    const bool shown = !m_findBar->isHidden();
    m_findBar->open();
    if (!shown) {
        m_main.applyLayoutRule();
    }
}

void ViewCommands::closeFindBar()
{
    m_findBar->close();
}

void ViewCommands::setFullScreen(bool on)
{
    fullScreen->setChecked(on);
    if (on == m_fullScreen) {
        return;
    }
    m_fullScreen = on;
    leaveFullScreen->setEnabled(on);
    ReadingPane* pane = m_main.pane();
    if (on) {
        m_wasMaximized = m_main.isMaximized();
        const QList<QWidget*> views = {
            static_cast<QWidget*>(pane->text()), static_cast<QWidget*>(pane->pdf()),
            static_cast<QWidget*>(pane->web()), static_cast<QWidget*>(pane->document()),
            static_cast<QWidget*>(pane->message())};
        QList<QWidget*> others =
            m_main.centralWidget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        others << m_main.menuBar() << m_main.statusBar();
        m_hidden.clear();
        for (QWidget* widget : others) {
            if (!views.contains(widget) && widget->isVisible()) {
                widget->hide();
                m_hidden.append(widget);
            }
        }
        pane->setWholeClient(true);
        m_main.showFullScreen();
    } else {
        for (const QPointer<QWidget>& widget : std::as_const(m_hidden)) {
            if (widget) {
                widget->show();
            }
        }
        m_hidden.clear();
        pane->setWholeClient(false);
        if (m_wasMaximized) {
            m_main.showMaximized();
        } else {
            m_main.showNormal();
        }
    }
    m_main.applyLayoutRule();
}

void ViewCommands::editTextSettings()
{
    const ViewSettings& settings = m_look->settings();
    dlgTextSettings dialog(settings.textFont, settings.lineSpacing, &m_main);
    if (dialog.exec() == QDialog::Accepted) {
        m_look->setTextSettings(dialog.family(), dialog.lineSpacing());
    }
}
