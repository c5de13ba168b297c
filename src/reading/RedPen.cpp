#include "reading/RedPen.h"

#include "app/frmMain.h"
#include "library/ReadingPane.h"
#include "platform/RichTextView.h"

// The mark effect is underlining: it is the effect the book's own text uses least, and every
// load resets it with the other effects.
void RedPen::HighlightIt()
{
    ReaderState& state = m_main.state();
    // A mark lives in the book's own file: without such a book there is nothing to mark.
    if (!ReadingPane::keepsMarks(state.Kind)) {
        return;
    }
    state.ChangesPending = true;
    m_main.txtBook->setSelColor(MarkColor);
    m_main.txtBook->setSelUnderline(true);
    // A plain-text book cannot hold the mark: it is offered for conversion at once.
    if (state.Kind == BookKind::PlainText && state.ChangesPending) {
        m_main.SaveChanges();
    }
}

void RedPen::EraseIt()
{
    ReaderState& state = m_main.state();
    m_main.txtBook->setSelUnderline(false);
    m_main.txtBook->setSelColor(Qt::black);
    if (state.Kind == BookKind::Rtf) {
        state.ChangesPending = true;
    }
}
