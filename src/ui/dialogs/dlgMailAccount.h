#pragma once

#include "core/MailAccount.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// The mail account books are shared with: server and port, security, user name, sender and
// password, with a test message to the sender's own address. The account goes into the
// settings group "Mail" (the keys the share command reads), the password into the desktop's
// keyring, or into ~/.netrc where no keyring runs; the window says which.
class dlgMailAccount : public QDialog
{
    Q_OBJECT
public:
    explicit dlgMailAccount(QWidget* parent = nullptr);

    // The account as the fields give it.
    MailAccount account() const;

    // Sends a short message from the sender to the sender and shows the server's answer.
    void btnTest_Click();
    // Saves the account and the password (when one was typed) and closes; a problem keeps the
    // window open with a message.
    void btnSave_Click();

    QLineEdit* txtServer = nullptr;
    QSpinBox* txtPort = nullptr;
    QComboBox* cboSecurity = nullptr;
    QLineEdit* txtUser = nullptr;
    QLineEdit* txtSender = nullptr;
    QLineEdit* txtPassword = nullptr;
    QLabel* lblPasswordStore = nullptr;
    QPushButton* btnTest = nullptr;
    QLabel* lblAnswer = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnCancel = nullptr;

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void securityChanged();
    // The password typed, or the one kept for the account.
    QString passwordToUse() const;

    MailAccount::Security m_security = MailAccount::Security::SslTls;
    bool m_sending = false;
    // Closed by the user: work still under way for it says nothing more.
    bool m_closed = false;
};
