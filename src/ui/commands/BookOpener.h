#pragma once

#include "ui/commands/ReaderContext.h"

#include "core/ReaderState.h"

#include <QString>

class frmAcrobat;

// Opens the chosen book in the view that suits it, and the user manual.
class BookOpener
{
public:
    explicit BookOpener(const ReaderContext& context) : m_context(context) {}

    // Opens the book of the library's selected node. A PDF book waiting for the PDF reader
    // notice opens (or not) when the notice answers; until then no other book opens. The book
    // opens at its bookmark; without one, where it was left when the reader asked for that in
    // Options. atPlace opens it where it was left in any case (Continue Reading).
    void OpenTheNode(bool atPlace = false);
    void OpenManual();
    // Resets the view's typing format and sets its font size before every load.
    void CleanTheTextBox();

private:
    // The PDF reader notice up for an opening, if any.
    frmAcrobat* waitingNotice() const;
    // Shows the PDF reader notice; the PDF book at path opens when the user confirms.
    void askForPdfReader(const QString& path, bool atPlace);
    // Loads the book into the pane (the reason for a refusal stands in the pane), then puts
    // the caret at its bookmark, or shows where the book was left.
    void finishOpening(const QString& path, BookKind kind, bool atPlace);

    ReaderContext m_context;
};
