#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QTimer;
class SkinButton;
class SkinForm;
class SkinLabel;
class ReadingPane;

// The "Search" window: finds its text in the open text book, one match per "Find Next", from
// the top of the book towards its end. It belongs to the main window and stays above it;
// closing it unloads it, so the next opening starts from the top again.
class frmSearch : public QWidget
{
    Q_OBJECT
public:
    // Searches the book in pane; belongs to mainWindow and brings it forward when it closes.
    frmSearch(ReadingPane& pane, QWidget* mainWindow);

    // One press of "Find Next".
    void btnFind_Click();
    int searchStart() const { return SearchStart; }

    SkinForm* SkinForm1 = nullptr;
    SkinLabel* labelFind = nullptr;
    QLineEdit* txtSearch = nullptr;
    QCheckBox* chkWholeWord = nullptr;
    QCheckBox* chkMatchCase = nullptr;
    SkinButton* btnFind = nullptr;
    QTimer* tmrSelView = nullptr;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Activate();
    void tmrSelView_Timer();
    // Sets the window's outer size, frame included, in twips.
    void setOuterSize(double width, double height);

    ReadingPane& m_pane;
    // Where the next search begins in the book.
    int SearchStart = 0;
    // The button slides in on the first activation after each opening only.
    bool m_slidIn = false;
};
