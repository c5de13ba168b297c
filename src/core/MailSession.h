#pragma once

#include "core/MailAccount.h"

#include <QString>

// The program's mail interface: one session signs on with the account in the settings store,
// composes one message with one attachment and sends it over SMTP with libcurl.
//
// The account lives in the settings group "Mail": "Server" (smtps://host:465, or
// smtp://host:587 which must offer STARTTLS; plain SMTP only to this computer), "Sender" (the
// from address) and "User" (the user name). The password is never in the settings: it comes
// from the desktop's keyring, or else libcurl reads it from the user's ~/.netrc.
class MailSession
{
public:
    MailSession();
    ~MailSession();
    MailSession(const MailSession&) = delete;
    MailSession& operator=(const MailSession&) = delete;

    // Each step returns false with an error text when it fails.
    // Signs on with the account of the settings store and the password kept for it.
    bool SignOn(QString* error);
    // Signs on with the given account; an empty password leaves it to ~/.netrc.
    bool SignOn(const MailAccount& account, const QString& password, QString* error);
    // Valid while signed on; a message is composed on the session it names.
    long SessionID() const { return m_sessionId; }
    bool Compose(long sessionId, QString* error);
    void setRecipDisplayName(const QString& name);
    void setRecipAddress(const QString& address);
    void setMsgSubject(const QString& subject);
    void setMsgNoteText(const QString& text);
    bool setAttachmentPathName(const QString& path, QString* error);
    // Sends without a dialog. The window keeps handling events while the server works; the
    // send fails unless the server accepted the message for every recipient.
    bool Send(QString* error);
    void SignOff();
    // The server's last answer during the last Send ("250 ..." after a message was taken).
    QString lastServerReply() const { return m_lastReply; }

    // A header field with its line breaks turned into blanks, so it cannot start new headers.
    static QString singleLine(const QString& text);
    // True for a server URL on this computer, where plain SMTP is allowed.
    static bool isLocalServer(const QString& serverUrl);

private:
    bool checkAccount(QString* error);

    struct Account
    {
        QString server;
        QString sender;
        QString user;
        QString password;
    };

    Account m_account;
    long m_sessionId = 0;
    bool m_composing = false;
    QString m_recipName;
    QString m_recipAddress;
    QString m_subject;
    QString m_noteText;
    QString m_attachment;
    QString m_lastReply;
};
