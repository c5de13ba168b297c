#pragma once

#include <QString>

// The mail account books are shared with, as the settings group "Mail" keeps it: "Server"
// (smtps://host:port for SSL/TLS, smtp://host:port for STARTTLS), "Sender" and "User". The
// password is never among the settings (see MailPassword).
struct MailAccount
{
    enum class Security
    {
        SslTls,  // TLS from the start (smtps://, usually port 465)
        StartTls // plain connection switched to TLS (smtp://, usually port 587)
    };

    QString host;
    int port = 465;
    Security security = Security::SslTls;
    QString user;
    QString sender;

    // The usual port of each security (465, 587).
    static int defaultPort(Security security);
    // The "Server" value: smtps://host:port or smtp://host:port.
    QString serverUrl() const;
    // Reads a "Server" value; without a port, the one the mail library would use (465 for
    // smtps://, 25 for smtp://), so an account set up by hand keeps working unchanged.
    static MailAccount fromServerUrl(const QString& url);

    // The account in the settings store, and writing it back (only the three keys).
    static MailAccount load();
    void save() const;

    // Empty when the account can be used, else what is missing or wrong.
    QString problem() const;
};
