#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A real SMTP server on 127.0.0.1 (aiosmtpd, started from tests/support/smtp_server.py) that
// saves what it receives, or a port where no server runs at all.
class SmtpTestServer
{
public:
    enum Mode
    {
        Accept,     // takes every message
        Refuse,     // refuses every recipient
        Slow,       // takes every message, two seconds each
        NotRunning, // nothing listens on the port
        Auth,       // takes messages only after AUTH with the user and password given
        Record,     // takes messages after AUTH with any user and password, and keeps them
    };

    struct Part
    {
        QString contentType;
        QString fileName;
        QByteArray payload; // decoded
    };
    struct Message
    {
        QString mailFrom;
        QStringList rcptTos;
        QList<QPair<QString, QString>> headers;
        QList<Part> parts;
        QByteArray raw;

        QStringList header(const QString& name) const;
    };

    explicit SmtpTestServer(Mode mode = Accept, const QString& user = QString(),
                            const QString& password = QString());
    ~SmtpTestServer();

    // False when the server did not come up (the reason is in error()).
    bool isReady() const { return m_port > 0; }
    QString error() const { return m_error; }
    // smtp://127.0.0.1:PORT
    QString url() const;
    QList<Message> messages() const;
    // Every recipient a client asked for, including refused ones and those of unsent messages.
    QStringList recipientsAsked() const;
    // Record mode: the user name and password of every AUTH, in order.
    QList<QPair<QString, QString>> signIns() const;

private:
    QTemporaryDir m_folder;
    QProcess m_process;
    int m_port = 0;
    QString m_error;
};
