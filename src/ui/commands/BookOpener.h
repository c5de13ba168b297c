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
    // notice opens (or not) when the notice answers; until then no other book opens.
    void OpenTheNode();
    void OpenManual();
    // Resets the view's typing format and sets its font size before every load.
    void CleanTheTextBox();

private:
    // The PDF reader notice up for an opening, if any.
    frmAcrobat* waitingNotice() const;
    // Shows the PDF reader notice; the PDF book at path opens when the user confirms.
    void askForPdfReader(const QString& path);
    // Loads the book into the pane (the reason for a refusal stands in the pane), then puts
    // the caret at its bookmark.
    void finishOpening(const QString& path, BookKind kind);

    ReaderContext m_context;
};
