#pragma once

#include <QString>

class dlgMailAccount;
class SmtpTestServer;

namespace MailAccountSetup {

// The sender address the mail tests use.
inline const QString Sender = QStringLiteral("reader@example.org");

// Fills the mail account window for the test server, which runs on 127.0.0.1 without TLS.
void fillFor(dlgMailAccount& dialog, const SmtpTestServer& server, const QString& user,
             const QString& password);

// Sends a book with the saved account, as the share command does.
bool sendWithSavedAccount(QString* error);

} // namespace MailAccountSetup
