// The main window's commands. Each button and its menu entry call one of these; the work is
// done by the subsystem that owns it.
#include "app/frmMain.h"

#include "dialogs/dlgMailAccount.h"
#include "dialogs/dlgShare.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmOptions.h"
#include "library/BookOpener.h"
#include "library/ChangeSaver.h"
#include "platform/WebView.h"
#include "reading/BookFileCommands.h"
#include "reading/Bookmarks.h"
#include "reading/Module1.h"
#include "reading/RedPen.h"
#include "reading/frmSearch.h"
#include "web/frmBrowser.h"
#include "web/frmBrowser1.h"

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
    return ChangeSaver(*this).SaveChanges() != ChangeSaver::Result::Failed;
}

void frmMain::SetBookmark()
{
    Bookmarks(*this).SetBookmark();
}

void frmMain::HighlightIt()
{
    RedPen(*this).HighlightIt();
}

void frmMain::EraseIt()
{
    RedPen(*this).EraseIt();
}

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

void frmMain::ShowFindABook()
{
    // One window at a time: a further request only brings it back to the front.
    if (QWidget* open = m_findABook.get()) {
        if (open->isMinimized()) {
            open->showMaximized();
        }
        open->raise();
        open->activateWindow();
        return;
    }
    auto* window = new frmBrowser1(*this);
    m_findABook.set(window);
    registerWindow(window);
}

namespace {
// Shows a modeless window of its own and brings it to the front.
void present(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}
} // namespace

void frmMain::ShowShare()
{
    // After a failed send the hidden dialog comes back with its entries and its book list.
    auto* dialog = qobject_cast<dlgShare*>(m_shareWindow.get());
    if (!dialog || dialog->isUnloaded()) {
        dialog = new dlgShare(*this);
        m_shareWindow.set(dialog);
    }
    registerWindow(dialog);
    present(dialog);
}

void frmMain::ShowOptions()
{
    auto* dialog = qobject_cast<frmOptions*>(m_optionsWindow.get());
    if (!dialog || dialog->isUnloaded()) {
        dialog = new frmOptions(*this);
        m_optionsWindow.set(dialog);
    }
    registerWindow(dialog);
    present(dialog);
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
    present(dialog);
}

void frmMain::ShowAbout()
{
    auto* dialog = qobject_cast<frmAbout*>(m_aboutWindow.get());
    if (!dialog || dialog->isUnloaded()) {
        dialog = new frmAbout;
        m_aboutWindow.set(dialog);
    }
    registerWindow(dialog);
    present(dialog);
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
