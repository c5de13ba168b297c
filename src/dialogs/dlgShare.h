#pragma once

#include "dialogs/UnloadableDialog.h"

class frmMain;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class SkinButton;
class SkinForm;
class SkinLabel;

// The share dialog: sends one book of the library to a friend by e-mail. The main window opens
// it without blocking, fills ShareRequest from it and sends through SendClassic.
class dlgShare : public UnloadableDialog
{
    Q_OBJECT
public:
    explicit dlgShare(frmMain& main);

    // Activation: selects the first book, binds the skin and slides OK and Cancel in.
    void Form_Activate() override;
    void OKbutton_Click();
    void CancelButton_Click();

    // The "Sending" overlay covers the dialog while a send is under way.
    void showSendingOverlay();
    void hideSendingOverlay();
    bool isSending() const { return m_sending; }
    // Closes and discards the dialog; its entries are gone.

    SkinForm* SkinForm1 = nullptr;
    QLabel* Picture1 = nullptr;
    SkinLabel* labelTitle = nullptr;
    SkinLabel* labelemail = nullptr;
    SkinLabel* labelSubject = nullptr;
    SkinLabel* labelBook = nullptr;
    SkinLabel* labelMessage = nullptr;
    QLineEdit* txtEmail = nullptr;
    QLineEdit* txtSubject = nullptr;
    QComboBox* cmboClassics = nullptr;
    QPlainTextEdit* txtMessage = nullptr;
    SkinButton* OKbutton = nullptr;
    SkinButton* CancelButton = nullptr;
    QLabel* txtSending = nullptr;

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    // Enter sends only from the Send button itself, never from a box being typed in.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fillBookList();

    frmMain& m_main;
    bool m_sending = false;
};
