#pragma once

#include <QPointer>
#include <QWidget>

class SkinButton;
class SkinForm;
class SkinLabel;
class SkinPanel;
struct ReaderState;

// The PDF reader notice: shown before a PDF book opens while the user has not confirmed that a
// PDF reader is present. It does not block: the opening goes on when it answers. "Installed
// Acrobat" confirms (recorded in the options file) and lets the book open; OK (or closing the
// notice any other way) abandons the opening.
class frmAcrobat : public QWidget
{
    Q_OBJECT
public:
    // A confirmation is recorded in state and the options file; closing brings mainWindow back
    // to the front.
    frmAcrobat(ReaderState& state, QWidget* mainWindow);

    SkinForm* SkinForm1 = nullptr;
    SkinLabel* labelTop = nullptr;
    SkinPanel* panelMain = nullptr;
    SkinLabel* labelHave = nullptr;
    SkinButton* btnAcrobat = nullptr;
    SkinButton* btnOK = nullptr;

    static QString vendorAddress();

    // Binds the skinned controls and slides OK in, on every activation.
    void Form_Activate();

signals:
    // Sent once, as the notice closes: whether the user said a PDF reader is installed.
    void answered(bool readerInstalled);

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void installedAcrobat();

    ReaderState& m_state;
    QPointer<QWidget> m_mainWindow;
    bool m_readerInstalled = false;
    bool m_answered = false;
};
