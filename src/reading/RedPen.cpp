#include "reading/RedPen.h"

#include "app/MessageBox.h"
#include "app/frmMain.h"
#include "library/EpubSession.h"
#include "library/ReadingPane.h"
#include "platform/RichTextView.h"

// The mark effect is underlining: it is the effect the book's own text uses least, and every
// load resets it with the other effects.
void RedPen::HighlightIt()
{
    ReaderState& state = m_main.state();
    // An EPUB book is never written: its marks go into its reading record.
    if (m_main.epubSession()->isOpen()) {
        m_main.epubSession()->markSelection();
        return;
    }
    // A mark lives in the book's own file: without such a book there is nothing to mark.
    if (!ReadingPane::keepsMarks(state)) {
        return;
    }
    // A book that cannot be written back as it is takes no mark at all.
    const QString refusal = m_main.txtBook->marksRefusal();
    if (state.Kind == BookKind::PlainText && !refusal.isEmpty()) {
        MessageBox::warning(&m_main, refusal);
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
    if (m_main.epubSession()->isOpen()) {
        m_main.epubSession()->eraseSelection();
        return;
    }
    m_main.txtBook->setSelUnderline(false);
    m_main.txtBook->setSelColor(Qt::black);
    if (state.Kind == BookKind::Rtf) {
        state.ChangesPending = true;
    }
}
