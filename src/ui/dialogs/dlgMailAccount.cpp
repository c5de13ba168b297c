#include "ui/dialogs/dlgMailAccount.h"

#include "core/BusyPointer.h"

#include "core/MailPassword.h"
#include "core/MailSession.h"
#include "views/MessageBox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
template <typename T> T* named(T* widget, const char* name, const QString& accessible)
{
    widget->setObjectName(QLatin1String(name));
    widget->setAccessibleName(accessible);
    return widget;
}

MailAccount::Security securityAt(int index)
{
    return index == 1 ? MailAccount::Security::StartTls : MailAccount::Security::SslTls;
}
} // namespace

dlgMailAccount::dlgMailAccount(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgMailAccount"));
    setWindowTitle(tr("Mail Account"));
    setAccessibleName(windowTitle());

    txtServer = named(new QLineEdit(this), "txtServer", tr("Server:"));
    txtServer->setPlaceholderText(tr("smtp.example.org"));
    txtPort = named(new QSpinBox(this), "txtPort", tr("Port:"));
    txtPort->setRange(1, 65535);
    cboSecurity = named(new QComboBox(this), "cboSecurity", tr("Security:"));
    cboSecurity->addItem(tr("SSL/TLS"));
    cboSecurity->addItem(tr("STARTTLS"));
    txtUser = named(new QLineEdit(this), "txtUser", tr("User name:"));
    txtSender = named(new QLineEdit(this), "txtSender", tr("Sender address:"));
    txtSender->setPlaceholderText(tr("you@example.org"));
    txtPassword = named(new QLineEdit(this), "txtPassword", tr("Password:"));
    txtPassword->setEchoMode(QLineEdit::Password);
    lblPasswordStore =
        named(new QLabel(this), "lblPasswordStore", tr("Where the password is kept"));
    lblPasswordStore->setWordWrap(true);
    btnTest = named(new QPushButton(tr("Send a test message"), this), "btnTest",
                    tr("Send a test message"));
    lblAnswer = named(new QLabel(this), "lblAnswer", tr("The server's answer"));
    lblAnswer->setWordWrap(true);
    lblAnswer->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* form = new QFormLayout;
    form->addRow(tr("&Server:"), txtServer);
    form->addRow(tr("P&ort:"), txtPort);
    form->addRow(tr("Se&curity:"), cboSecurity);
    form->addRow(tr("&User name:"), txtUser);
    form->addRow(tr("Sender &address:"), txtSender);
    form->addRow(tr("&Password:"), txtPassword);
    form->addRow(QString(), lblPasswordStore);

    auto* buttons = new QDialogButtonBox(this);
    btnSave = named(buttons->addButton(QDialogButtonBox::Save), "btnSave", tr("Save"));
    btnCancel = named(buttons->addButton(QDialogButtonBox::Cancel), "btnCancel", tr("Cancel"));
    btnSave->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(btnTest, 0, Qt::AlignLeft);
    layout->addWidget(lblAnswer);
    layout->addStretch();
    layout->addWidget(buttons);

    const MailAccount saved = MailAccount::load();
    txtServer->setText(saved.host);
    m_security = saved.security;
    cboSecurity->setCurrentIndex(saved.security == MailAccount::Security::StartTls ? 1 : 0);
    txtPort->setValue(saved.host.isEmpty() ? MailAccount::defaultPort(saved.security) : saved.port);
    txtUser->setText(saved.user);
    txtSender->setText(saved.sender);

    BusyPointer asking(Qt::BusyCursor);
    const bool keyring = MailPassword::currentStore() == MailPassword::Store::Keyring;
    const bool stored = !saved.host.isEmpty() && MailPassword::isStored(saved);
    asking.release();
    lblPasswordStore->setText(
        keyring ? tr("The password is kept in the desktop's keyring.")
                : tr("No keyring is running: the password is kept in ~/.netrc, readable by you "
                     "only."));
    if (stored) {
        txtPassword->setPlaceholderText(tr("kept; type a new one to change it"));
    }

    connect(cboSecurity, &QComboBox::currentIndexChanged, this, &dlgMailAccount::securityChanged);
    connect(btnTest, &QPushButton::clicked, this, &dlgMailAccount::btnTest_Click);
    connect(btnSave, &QPushButton::clicked, this, &dlgMailAccount::btnSave_Click);
    connect(btnCancel, &QPushButton::clicked, this, &dlgMailAccount::reject);
    resize(sizeHint().expandedTo(QSize(460, 0)));
}

MailAccount dlgMailAccount::account() const
{
    MailAccount account;
    account.host = txtServer->text().trimmed();
    account.port = txtPort->value();
    account.security = securityAt(cboSecurity->currentIndex());
    account.user = txtUser->text().trimmed();
    account.sender = txtSender->text().trimmed();
    return account;
}

void dlgMailAccount::securityChanged()
{
    // A port left at the usual one of the old security follows to the new one's.
    const MailAccount::Security now = securityAt(cboSecurity->currentIndex());
    if (txtPort->value() == MailAccount::defaultPort(m_security)) {
        txtPort->setValue(MailAccount::defaultPort(now));
    }
    m_security = now;
}

QString dlgMailAccount::passwordToUse() const
{
    if (!txtPassword->text().isEmpty()) {
        return txtPassword->text();
    }
    return MailPassword::readFromKeyring(account());
}

void dlgMailAccount::btnTest_Click()
{
    if (m_sending) {
        return;
    }
    const MailAccount test = account();
    if (const QString problem = test.problem(); !problem.isEmpty()) {
        lblAnswer->setText(problem);
        return;
    }
    m_sending = true;
    btnTest->setEnabled(false);
    btnSave->setEnabled(false);
    lblAnswer->setText(tr("Sending..."));
    BusyPointer busy(Qt::BusyCursor);

    MailSession mail;
    QString error;
    const bool sent = [&] {
        if (!mail.SignOn(test, passwordToUse(), &error) ||
            !mail.Compose(mail.SessionID(), &error)) {
            return false;
        }
        mail.setRecipAddress(test.sender);
        mail.setMsgSubject(tr("Quillmere test message"));
        mail.setMsgNoteText(tr("This message was sent by Quillmere to test your mail account. "
                               "Books you share will go out the same way."));
        return mail.Send(&error);
    }();
    mail.SignOff();

    busy.release();
    const QString reply = mail.lastServerReply();
    if (sent) {
        lblAnswer->setText(
            tr("The test message was sent to %1. The server answered: %2").arg(test.sender, reply));
    } else {
        QString text = tr("The test message was not sent: %1").arg(error);
        if (!reply.isEmpty() && !error.contains(reply)) {
            text += QLatin1Char('\n') + tr("The server answered: %1").arg(reply);
        }
        lblAnswer->setText(text);
    }
    btnTest->setEnabled(true);
    btnSave->setEnabled(true);
    m_sending = false;
}

void dlgMailAccount::btnSave_Click()
{
    if (m_sending) {
        return;
    }
    m_closed = false;
    const MailAccount saved = account();
    if (const QString problem = saved.problem(); !problem.isEmpty()) {
        MessageBox::show(this, problem);
        return;
    }
    if (!txtPassword->text().isEmpty() && saved.user.isEmpty()) {
        MessageBox::show(this, tr("Please type the user name the password belongs to."));
        txtUser->setFocus();
        return;
    }
    saved.save();
    if (!txtPassword->text().isEmpty()) {
        QString error;
        // The keyring may take its time; closing the window meanwhile abandons the password.
        if (!MailPassword::save(saved, txtPassword->text(), nullptr, &error, this)) {
            if (m_closed) {
                return;
            }
            MessageBox::warning(this, tr("The account is saved, but the password could not be "
                                         "kept.\n\n%1")
                                          .arg(error));
            return;
        }
    }
    accept();
    close();
}

void dlgMailAccount::reject()
{
    // A test message under way holds this window until it ends.
    if (!m_sending) {
        QDialog::reject();
        close();
    }
}

void dlgMailAccount::closeEvent(QCloseEvent* event)
{
    if (m_sending) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
    m_closed = event->isAccepted();
}
