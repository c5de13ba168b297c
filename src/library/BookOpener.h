#pragma once

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
    frmMain& m_main;
};
