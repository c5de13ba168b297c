#pragma once

#include "ui/commands/ReaderContext.h"
#include "views/RichTextView.h"

#include "core/ReaderState.h"

#include <QString>

// Opens the chosen book in the view that suits it, and the user manual.
class BookOpener
{
public:
    explicit BookOpener(const ReaderContext& context) : m_context(context) {}

    void OpenTheNode();
    void OpenManual();
    // Resets the view's typing format and sets its font size before every load.
    void CleanTheTextBox();

private:
    // Loads a plain-text or RTF book into the text view and shows it, or shows why the file
    // was refused; false when refused.
    bool loadTextBook(const QString& path, RichTextView::LoadKind loadKind, BookKind kind);
    // Opens an EPUB book in the text view where it was last read, or shows why it cannot be
    // shown; false when it cannot.
    bool loadEpubBook(const QString& path);
    // Shows the PDF reader notice when due and waits for it; true when the PDF may open.
    bool waitForPdfNotice();

    ReaderContext m_context;
};
