// The main window's sending of a shared book: the mail session's steps in their order, then
// the outcome on the share dialog and in a message box.
#include "core/BusyPointer.h"
#include "core/MailSession.h"
#include "core/ShareMail.h"
#include "mainwindow/frmMain.h"
#include "ui/dialogs/dlgShare.h"
#include "views/MessageBox.h"

#include <QApplication>
#include <QPointer>
#include <QtDebug>

void frmMain::SendClassic()
{
    QPointer<dlgShare> dialog = qobject_cast<dlgShare*>(m_shareWindow.get());
    const ShareRequest request = m_shareRequest;
    const QString body = ShareMail::body(request.ShareMessage);

    BusyPointer busy(Qt::BusyCursor);
    MailSession mail;
    QString error;
    // Any failing step abandons the ones after it.
    const bool sent = [&] {
        if (!mail.SignOn(&error) || !mail.Compose(mail.SessionID(), &error)) {
            return false;
        }
        mail.setRecipDisplayName(request.ShareAddress);
        mail.setRecipAddress(request.ShareAddress);
        mail.setMsgSubject(request.ShareSubject);
        mail.setMsgNoteText(body);
        const QString book = request.ShareBookPath.isEmpty()
                                 ? m_state.BooksFolder + request.ShareBookName
                                 : request.ShareBookPath;
        if (!mail.setAttachmentPathName(book, &error) || !mail.Send(&error)) {
            return false;
        }
        mail.SignOff();
        return true;
    }();
    mail.SignOff();
    busy.release();

    if (dialog) {
        dialog->hideSendingOverlay();
    }
    if (sent) {
        if (dialog) {
            // The dialog's own code still runs (it waits for this send), so unloading it only
            // takes effect afterwards: it leaves the screen now, before the message.
            dialog->hide();
            dialog->unload();
        }
        m_shareWindow.release();
        MessageBox::show(this, tr("Message Sent"));
    } else {
        QString reason = error;
        const QString reply = mail.lastServerReply();
        if (!reply.isEmpty() && !reason.contains(reply)) {
            reason += QLatin1Char('\n') + tr("The server answered: %1").arg(reply);
        }
        qWarning().noquote() << "Sending the book failed:" << reason;
        MessageBox::show(this, tr("Unable to send message.  Please check your email setup.") +
                                   QStringLiteral("\n\n") + reason);
    }
}
