#pragma once

#include "app/ReaderState.h"

#include <QString>

class frmMain;

// Opens the chosen book in the view that suits it, and the user manual.
class BookOpener
{
public:
    explicit BookOpener(frmMain& main) : m_main(main) {}

    void OpenTheNode();
    void OpenManual();
    // Resets the view's typing format and sets its font size before every load.
    void CleanTheTextBox();

private:
    // Loads a plain-text or RTF book into the text view and shows it, or shows why the file
    // was refused; false when refused.
    bool loadTextBook(const QString& path, int loadKind, BookKind kind);
    // Shows the PDF reader notice when due and waits for it; true when the PDF may open.
    bool waitForPdfNotice();

    frmMain& m_main;
};
