// The main window's commands. Each button and its menu entry call one of these; the work is
// done by the subsystem that owns it.
#include "mainwindow/frmMain.h"

#include "ui/commands/BookFileCommands.h"
#include "ui/commands/BookOpener.h"
#include "ui/commands/Bookmarks.h"
#include "ui/commands/ChangeSaver.h"
#include "ui/commands/ReaderContext.h"
#include "ui/commands/RedPen.h"
#include "ui/dialogs/dlgDefinitions.h"
#include "ui/dialogs/dlgMailAccount.h"
#include "ui/dialogs/dlgShare.h"
#include "ui/dialogs/frmAbout.h"
#include "ui/dialogs/frmOptions.h"
#include "ui/search/frmSearch.h"
#include "ui/web/CatalogPane.h"
#include "ui/web/frmBrowser.h"
#include "ui/web/frmBrowser1.h"
#include "views/Module1.h"
#include "views/ReadingPane.h"
#include "views/RichTextView.h"
#include "views/ShowOrRaise.h"
#include "views/WebView.h"

void frmMain::OpenTheNode()
{
    BookOpener(context()).OpenTheNode();
}

void frmMain::OpenManual()
{
    BookOpener(context()).OpenManual();
}

void frmMain::CleanTheTextBox()
{
    BookOpener(context()).CleanTheTextBox();
}

bool frmMain::SaveChanges()
{
    return ChangeSaver(context()).SaveChanges() != ChangeSaver::Result::Failed;
}

void frmMain::SetBookmark()
{
    Bookmarks(context()).SetBookmark();
}

void frmMain::HighlightIt()
{
    RedPen(context()).HighlightIt();
}

void frmMain::EraseIt()
{
    RedPen(context()).EraseIt();
}

void frmMain::GetDefinition()
{
    // The kind first, then the word: the lookup window reads both.
    m_lookup.lookupKind = LookupKind::Definition;
    Module1::GetWordAtCursor(*txtBook, m_lookup);
    openLookupWindow();
}

void frmMain::GetPicture()
{
    m_lookup.lookupKind = LookupKind::Picture;
    Module1::GetWordAtCursor(*txtBook, m_lookup);
    openLookupWindow();
}

void frmMain::openLookupWindow()
{
    // A window that is closing is on its way out; the request gets a new one.
    if (!m_browser || !m_browser->isVisible()) {
        m_browser = new frmBrowser(m_state, m_lookup, this);
        registerWindow(m_browser);
        return;
    }
    // An open window shows the new lookup too.
    m_browser->LookUp();
    showOrRaise(m_browser);
}

frmBrowser* frmMain::lookupWindow() const
{
    return m_browser;
}

void frmMain::DeleteBook()
{
    BookFileCommands(context()).DeleteBook();
}

void frmMain::PrintBook()
{
    BookFileCommands(context()).PrintBook();
}

void frmMain::CopySelection()
{
    BookFileCommands(context()).CopySelection();
}

void frmMain::ShowSearch()
{
    if (!m_search || !m_search->isVisible()) {
        m_search = new frmSearch(*m_pane, this);
        registerWindow(m_search);
    }
    // An open window comes forward as it is.
    showOrRaise(m_search);
}

frmSearch* frmMain::searchWindow() const
{
    return m_search;
}

void frmMain::ShowFindABook()
{
    // One window at a time: a further request only brings it back to the front.
    if (QWidget* open = m_findABook.get()) {
        showOrRaise(open, true);
        return;
    }
    auto* window = new frmBrowser1(m_state.AppFolder, m_state.BooksFolder);
    connect(window, &frmBrowser1::closing, this, &frmMain::SetNodesList);
    // A book downloaded from a catalog shows in the tree at once, and opens on request.
    connect(window->catalogPane, &CatalogPane::bookSaved, this, &frmMain::SetNodesList);
    connect(window->catalogPane, &CatalogPane::openBookRequested, this,
            [this](const QString& bookName) {
                OpenLibraryBook(bookName);
                bringToFront();
            });
    m_findABook.set(window);
    registerWindow(window);
}

void frmMain::ShowShare()
{
    // After a failed send the hidden dialog comes back with its entries and its book list.
    auto* dialog = qobject_cast<dlgShare*>(m_shareWindow.get());
    if (!dialog || dialog->isUnloaded()) {
        dialog = new dlgShare(*m_library);
        connect(dialog, &dlgShare::sendRequested, this, [this](const ShareRequest& request) {
            m_shareRequest = request;
            SendClassic();
        });
        m_shareWindow.set(dialog);
    }
    registerWindow(dialog);
    showOrRaise(dialog);
}

void frmMain::ShowOptions()
{
    auto* dialog = qobject_cast<frmOptions*>(m_optionsWindow.get());
    if (!dialog || dialog->isUnloaded()) {
        dialog = new frmOptions(m_state, this);
        connect(dialog, &frmOptions::mailAccountRequested, this, &frmMain::ShowMailAccount);
        connect(dialog, &frmOptions::definitionsRequested, this, &frmMain::ShowDefinitions);
        connect(dialog, &frmOptions::fontSizeChosen, txtBook, &RichTextView::setFontSize);
        m_optionsWindow.set(dialog);
    }
    registerWindow(dialog);
    showOrRaise(dialog);
}

void frmMain::ShowMailAccount()
{
    auto* dialog = qobject_cast<dlgMailAccount*>(m_mailAccountWindow.get());
    if (!dialog) {
        dialog = new dlgMailAccount;
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        m_mailAccountWindow.set(dialog);
    }
    registerWindow(dialog);
    showOrRaise(dialog);
}

void frmMain::ShowDefinitions()
{
    auto* dialog = qobject_cast<dlgDefinitions*>(m_definitionsWindow.get());
    if (!dialog) {
        dialog = new dlgDefinitions;
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        m_definitionsWindow.set(dialog);
    }
    registerWindow(dialog);
    showOrRaise(dialog);
}

void frmMain::ShowAbout()
{
    auto* dialog = qobject_cast<frmAbout*>(m_aboutWindow.get());
    if (!dialog || dialog->isUnloaded()) {
        dialog = new frmAbout;
        m_aboutWindow.set(dialog);
    }
    registerWindow(dialog);
    showOrRaise(dialog);
}

void frmMain::WebBack()
{
    // An empty history in that direction is not an error worth telling.
    wbBook->GoBack();
}

void frmMain::WebForward()
{
    wbBook->GoForward();
}
