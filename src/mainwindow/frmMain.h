#pragma once

#include "core/ReaderState.h"
#include "core/ShareRequest.h"
#include "ui/WindowList.h"
#include "ui/dialogs/OwnedWindow.h"

#include <QList>
#include <QMainWindow>
#include <QPointer>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QStatusBar;
class QTimer;
class QToolButton;
class DocumentView;
class EpubSession;
class Library;
class LibrarySplitter;
class LibraryTree;
class PdfView;
class ReadingPane;
struct ReaderContext;
class RichTextView;
class BookSidePanel;
class SkinForm;
class SkinLabel;
class ViewCommands;
class WebView;
class frmBrowser;
class frmSearch;

// The main window: the toolbar, the library tree, the reading pane with its four views, the
// menus and the status bar. It owns the run-time state and opens every other window.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    // Builds the window and runs the start-up sequence over the application folder.
    explicit frmMain(const QString& programFolder, QWidget* parent = nullptr);
    ~frmMain() override;

    ReaderState& state() { return m_state; }
    const ReaderState& state() const { return m_state; }
    LookupRequest& lookup() { return m_lookup; }

    // Start-up and shutdown.
    void IsItFirstTime();
    void Form_Activate();
    void Exit();
    bool hasEnded() const { return m_ended; }

    // Which buttons and menu entries the book in the pane offers.
    void DisableInterface(InterfaceMode mode);
    void applyLayoutRule();

    // Library.
    void SetNodesList();
    void OpenTheNode();
    void OpenManual();
    void CleanTheTextBox();
    // Writes the open book's changes; false only when a write failed (already reported).
    bool SaveChanges();
    // Books opened from the desktop: each file is copied into the library (never replacing a
    // book) and the first one is opened; files that cannot be added are reported. The paths
    // are taken by their bytes, so a name that is not UTF-8 reaches its file.
    void OpenFiles(const QByteArrayList& paths);
    void OpenFiles(const QStringList& paths);
    // File > Open...: a file dialog whose chosen files are opened as OpenFiles does.
    void ChooseBookFiles();
    // File > Continue Reading: the book read last, where it was left (whatever the option).
    void ContinueReading();
    // File > Export Marks...: the open book's bookmark and marks as Markdown.
    void ExportMarks();
    // The side panel of contents and marks.
    BookSidePanel* sidePanel() const { return m_sidePanel; }
    // Refills the library tree, chooses the book of that name there and opens it.
    void OpenLibraryBook(const QString& bookName);
    // The book of the library whose file name has these bytes.
    void OpenLibraryBook(const QByteArray& rawName);

    // Reading aids and commands; each button and its menu entry run one of these.
    void SetBookmark();
    void HighlightIt();
    void EraseIt();
    void GetDefinition();
    void GetPicture();
    void DeleteBook();
    void PrintBook();
    void CopySelection();
    void ShowSearch();
    void ShowFindABook();
    void ShowShare();
    void ShowOptions();
    void ShowMailAccount();
    void ShowDefinitions();
    void ShowAbout();
    void WebBack();
    void WebForward();

    // The EPUB book in the text view, when one is open (isOpen()).
    EpubSession* epubSession() const;
    // The books of the books folder, which the tree shows.
    Library& library() const { return *m_library; }
    // The reading pane, which holds the views below.
    ReadingPane* pane() const { return m_pane; }
    // What the commands are given to work on.
    ReaderContext context();

    // Other windows register here so that closing the main window closes them, most recent
    // first.
    void registerWindow(QWidget* window);
    // Shows and activates the main window (other windows call this when they close).
    void bringToFront();

    // Sharing a book by e-mail: the share dialog fills the request, SendClassic sends it.
    ShareRequest& shareRequest() { return m_shareRequest; }
    void SendClassic();
    // The window's skin; "My Library" is bound to it on every activation.
    SkinForm* SkinForm1 = nullptr;

    // Toolbar.
    QToolButton* btnFind = nullptr;
    QToolButton* btnDelete = nullptr;
    QToolButton* btnPrint = nullptr;
    QToolButton* btnSend = nullptr;
    QToolButton* btnDef = nullptr;
    QToolButton* btnPicture = nullptr;
    QToolButton* btnBookmark = nullptr;
    QToolButton* btnRedPen = nullptr;
    QToolButton* btnErase = nullptr;
    QToolButton* btnSearch = nullptr;
    QToolButton* btnCopy = nullptr;
    QToolButton* btnBack = nullptr;
    QToolButton* btnForward = nullptr;
    QFrame* picLine = nullptr;
    SkinLabel* labelMyLib = nullptr;
    LibraryTree* TreeView1 = nullptr;
    // The reading pane's views.
    RichTextView* txtBook = nullptr;
    PdfView* pdfBook = nullptr;
    DocumentView* ole1 = nullptr;
    WebView* wbBook = nullptr;
    // Why the book in the pane cannot be shown, in place of the text view.
    QLabel* bookMessage = nullptr;
    QStatusBar* sbStatusBar = nullptr;
    QLabel* statusText = nullptr;
    QLabel* statusDate = nullptr;
    QLabel* statusTime = nullptr;
    // Menus.
    QMenu* mnuFile = nullptr;
    QMenu* mnuEdit = nullptr;
    QMenu* mnuGet = nullptr;
    // The View menu, made on first use between Edit and Get.
    QMenu* viewMenu();
    QMenu* mnuView = nullptr;
    // The View menu's commands, the find bar and the usual shortcuts.
    ViewCommands* viewCommands() const { return m_viewCommands; }
    QMenu* mnuContents = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuFindaBook = nullptr;
    QAction* mnuFileDelete = nullptr;
    QAction* mnuFileShare = nullptr;
    QAction* mnuFileMailAccount = nullptr;
    QAction* mnuFilePrint = nullptr;
    QAction* mnuFileExit = nullptr;
    QAction* mnuEditSearch = nullptr;
    QAction* mnuEditHighlight = nullptr;
    QAction* mnuEditErase = nullptr;
    QAction* mnuEditCopy = nullptr;
    QAction* mnuViewOptions = nullptr;
    QAction* mnuGetDefinition = nullptr;
    QAction* mnuGetPicture = nullptr;
    QAction* mnuFileOpen = nullptr;
    QMenu* mnuFileRecent = nullptr;
    QAction* mnuFileContinue = nullptr;
    QAction* mnuFileExportMarks = nullptr;
    QAction* mnuViewContents = nullptr;
    QAction* mnuHelpContents = nullptr;
    QAction* mnuHelpAbout = nullptr;

    // The search and lookup windows while they are open.
    frmSearch* searchWindow() const;
    frmBrowser* lookupWindow() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Files dropped on the window go into the library and open.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildToolbar(QWidget* client);
    void buildPane(QWidget* client);
    void buildMenus();
    void buildStatusBar();
    // File > Open..., Recent Books and Continue Reading; dropped files; the title.
    void buildPlaceMenus();
    void fillRecentBooks();
    // With no book open, the pane says which book was read last and how to go on with it.
    void showLastBookNote();
    void showBookInTitle();
    // The status bar says where the reader is in the open book.
    // The reader moved: the side panel and the status bar follow a moment later.
    void readerMoved();
    void showWhereReading();
    // The splitter beside the library (the width kept from the last run comes back).
    void buildLibrarySplitter();
    void setLibraryWidth(int width);
    void fitLibraryWidth();
    void placeLibrarySplitter();
    void updateClock();
    void writePlacement();
    // The pane changed what it holds: the toolbar and the menus follow.
    void applyInterface(InterfaceMode mode, bool marksAllowed);

    ReaderState m_state;
    LibrarySplitter* m_librarySplitter = nullptr;
    BookSidePanel* m_sidePanel = nullptr;
    QTimer* m_whereTimer = nullptr;
    // The gap between the library and the pane, and where the web buttons sit from the pane's
    // left edge, as designed.
    int m_paneGap = 0;
    int m_libraryWidth = -1; // as the user chose it; -1 for the designed width
    int m_backOffset = 0;
    int m_forwardOffset = 0;
    LookupRequest m_lookup;
    ViewCommands* m_viewCommands = nullptr;
    Library* m_library = nullptr;
    ReadingPane* m_pane = nullptr;
    WindowList m_windows;
    QTimer* m_clock = nullptr;
    bool m_ended = false;
    // The share dialog, the options dialog and the about box: one of each at a time.
    ShareRequest m_shareRequest;
    OwnedWindow m_shareWindow;
    OwnedWindow m_optionsWindow;
    OwnedWindow m_aboutWindow;
    OwnedWindow m_mailAccountWindow;
    OwnedWindow m_definitionsWindow;

    // The search and lookup windows: at most one of each.
    void openLookupWindow();
    QPointer<frmSearch> m_search;
    QPointer<frmBrowser> m_browser;

    // The find-a-book window while it is open (it deletes itself when closed, and goes with
    // the main window at the latest).
    OwnedWindow m_findABook;
};
