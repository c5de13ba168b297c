#pragma once

#include "ui/dialogs/UnloadableDialog.h"

class Library;
struct ShareRequest;
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
    // The books offered are those of the library as it is when the dialog opens.
    explicit dlgShare(const Library& library);

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

signals:
    // OK with a book chosen: the main window sends it while the dialog waits, then hides the
    // sending overlay and unloads the dialog after a success.
    void sendRequested(const ShareRequest& request);

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    // Enter sends only from the Send button itself, never from a box being typed in.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fillBookList(const Library& library);

    bool m_sending = false;
};
