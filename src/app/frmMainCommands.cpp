// The main window's commands. Each button and its menu entry call one of these; the work is
// done by the subsystem that owns it.
#include "app/frmMain.h"

#include "library/BookOpener.h"
#include "library/ChangeSaver.h"
#include "platform/WebView.h"
#include "reading/BookFileCommands.h"
#include "reading/Bookmarks.h"
#include "reading/Module1.h"
#include "reading/RedPen.h"
#include "reading/frmSearch.h"
#include "web/frmBrowser.h"

void frmMain::OpenTheNode()
{
    BookOpener(*this).OpenTheNode();
}

void frmMain::OpenManual()
{
    BookOpener(*this).OpenManual();
}

void frmMain::CleanTheTextBox()
{
    BookOpener(*this).CleanTheTextBox();
}

bool frmMain::SaveChanges()
{
    m_state.BookSaved = false;
    return true;
}

void frmMain::SetBookmark() {}

void frmMain::HighlightIt() {}

void frmMain::EraseIt() {}

void frmMain::GetDefinition()
{
    // The kind first, then the word: the lookup window reads both.
    m_lookup.lookupKind = 1;
    Module1::GetWordAtCursor(*txtBook, m_lookup);
    openLookupWindow();
}

void frmMain::GetPicture()
{
    m_lookup.lookupKind = 2;
    Module1::GetWordAtCursor(*txtBook, m_lookup);
    openLookupWindow();
}

void frmMain::openLookupWindow()
{
    // A window that is closing is on its way out; the request gets a new one.
    if (!m_browser || !m_browser->isVisible()) {
        m_browser = new frmBrowser(*this);
        registerWindow(m_browser);
        return;
    }
    // An open window shows the new lookup too.
    m_browser->LookUp();
    if (m_browser->isMinimized()) {
        m_browser->showNormal();
    }
    m_browser->raise();
    m_browser->activateWindow();
}

frmBrowser* frmMain::lookupWindow() const
{
    return m_browser;
}

void frmMain::DeleteBook()
{
    BookFileCommands(*this).DeleteBook();
}

void frmMain::PrintBook()
{
    BookFileCommands(*this).PrintBook();
}

void frmMain::CopySelection()
{
    BookFileCommands(*this).CopySelection();
}

void frmMain::ShowSearch()
{
    if (!m_search || !m_search->isVisible()) {
        m_search = new frmSearch(*this);
        registerWindow(m_search);
    }
    // An open window comes forward as it is.
    if (m_search->isMinimized()) {
        m_search->showNormal();
    }
    m_search->show();
    m_search->raise();
    m_search->activateWindow();
}

frmSearch* frmMain::searchWindow() const
{
    return m_search;
}

void frmMain::ShowFindABook() {}

void frmMain::ShowShare() {}

void frmMain::ShowOptions() {}

void frmMain::ShowAbout() {}

void frmMain::WebBack()
{
    // An empty history in that direction is not an error worth telling.
    wbBook->GoBack();
}

void frmMain::WebForward()
{
    wbBook->GoForward();
}
