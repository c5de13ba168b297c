#include "ui/commands/RedPen.h"

#include "core/ReaderState.h"
#include "ui/commands/ChangeSaver.h"
#include "views/EpubSession.h"
#include "views/MessageBox.h"
#include "views/ReadingPane.h"
#include "views/RichTextView.h"

#include <QCoreApplication>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("RedPen", text);
}
} // namespace

// The mark effect is underlining: it is the effect the book's own text uses least, and every
// load resets it with the other effects.
void RedPen::HighlightIt()
{
    ReaderState& state = m_context.state;
    // An EPUB book is never written: its marks go into its reading record.
    if (m_context.pane.epub()->isOpen()) {
        QString error;
        if (!m_context.pane.epub()->markSelection(&error)) {
            MessageBox::warning(m_context.window,
                                tr("The passage was not marked: the book's reading record "
                                   "could not be written.\n\n%1")
                                    .arg(error));
        }
        return;
    }
    // A mark lives in the book's own file: without such a book there is nothing to mark.
    if (!ReadingPane::keepsMarks(state)) {
        return;
    }
    // A book that cannot be written back as it is takes no mark at all.
    RichTextView* view = m_context.pane.text();
    if (!view->marksRefusal().isEmpty()) {
        MessageBox::warning(m_context.window, view->marksRefusal());
        return;
    }
    // A place of an RTF book that its own bytes cannot take the mark at is left unmarked.
    if (!view->setSelColor(MarkColor) || !view->setSelUnderline(true)) {
        MessageBox::warning(m_context.window, view->changeRefusal());
        return;
    }
    state.ChangesPending = true;
    // A plain-text book cannot hold the mark: it is offered for conversion at once.
    if (state.Kind == BookKind::PlainText && state.ChangesPending) {
        ChangeSaver(m_context).trySave();
    }
}

void RedPen::EraseIt()
{
    ReaderState& state = m_context.state;
    if (m_context.pane.epub()->isOpen()) {
        QString error;
        if (!m_context.pane.epub()->eraseSelection(&error)) {
            MessageBox::warning(m_context.window,
                                tr("The marks were not erased: the book's reading record "
                                   "could not be written.\n\n%1")
                                    .arg(error));
        }
        return;
    }
    RichTextView* view = m_context.pane.text();
    if (state.Kind == BookKind::Rtf && !view->marksRefusal().isEmpty()) {
        MessageBox::warning(m_context.window, view->marksRefusal());
        return;
    }
    if (!view->setSelUnderline(false) || !view->setSelColor(Qt::black)) {
        MessageBox::warning(m_context.window, view->changeRefusal());
        return;
    }
    if (state.Kind == BookKind::Rtf) {
        state.ChangesPending = true;
    }
}
