#include "support/MailAccountSetup.h"

#include "core/MailSession.h"
#include "support/SmtpTestServer.h"
#include "ui/dialogs/dlgMailAccount.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QUrl>

namespace MailAccountSetup {

void fillFor(dlgMailAccount& dialog, const SmtpTestServer& server, const QString& user,
             const QString& password)
{
    const QUrl url(server.url());
    dialog.txtServer->setText(url.host());
    dialog.cboSecurity->setCurrentIndex(1); // STARTTLS, tried only on this computer
    dialog.txtPort->setValue(url.port());
    dialog.txtUser->setText(user);
    dialog.txtSender->setText(Sender);
    dialog.txtPassword->setText(password);
}

bool sendWithSavedAccount(QString* error)
{
    MailSession mail;
    if (!mail.SignOn(error) || !mail.Compose(mail.SessionID(), error)) {
        return false;
    }
    mail.setRecipAddress(QStringLiteral("friend@example.org"));
    mail.setMsgSubject(QStringLiteral("A book"));
    mail.setMsgNoteText(QStringLiteral("Read this."));
    return mail.Send(error);
}

} // namespace MailAccountSetup
