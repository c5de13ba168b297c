// The main window's commands. Each button and its menu entry call one of these; the work is
// done by the subsystem that owns it.
#include "app/frmMain.h"

#include "library/BookOpener.h"
#include "library/ChangeSaver.h"
#include "platform/WebView.h"
#include "reading/Bookmarks.h"
#include "reading/RedPen.h"
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
    m_state.BookSaved = false;
    return true;
}

void frmMain::SetBookmark() {}

void frmMain::HighlightIt() {}

void frmMain::EraseIt() {}

void frmMain::GetDefinition() {}

void frmMain::GetPicture() {}

void frmMain::DeleteBook() {}

void frmMain::PrintBook() {}

void frmMain::CopySelection() {}

void frmMain::ShowSearch() {}

void frmMain::ShowFindABook()
{
    // One window at a time: a further request only brings it back to the front.
    if (m_findABook) {
        if (m_findABook->isMinimized()) {
            m_findABook->showMaximized();
        }
        m_findABook->raise();
        m_findABook->activateWindow();
        return;
    }
    m_findABook = new frmBrowser1(*this);
    registerWindow(m_findABook);
}

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
