// The main window's commands. Each button and its menu entry call one of these; the work is
// done by the subsystem that owns it.
#include "app/frmMain.h"

#include "library/BookOpener.h"
#include "library/ChangeSaver.h"
#include "platform/WebView.h"
#include "reading/Bookmarks.h"
#include "reading/RedPen.h"

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

void frmMain::GetDefinition() {}

void frmMain::GetPicture() {}

void frmMain::DeleteBook() {}

void frmMain::PrintBook() {}

void frmMain::CopySelection() {}

void frmMain::ShowSearch() {}

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
