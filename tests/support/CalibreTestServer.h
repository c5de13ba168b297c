#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A real calibre content server (calibre-server) on 127.0.0.1 serving a library made from the
// given books (calibredb add), for the catalog tests. Its OPDS catalog is at /opds. It starts
// in about a second, so a test program starts one per kind (open, with a password) and keeps it.
class CalibreTestServer
{
public:
    struct Setup
    {
        QStringList books; // EPUB files
        QString user;      // with a user, the server asks for it (HTTP basic)
        QString password;
        int itemsPerPage = 0; // its lists come in pages of this many books (0: its default)
    };

    CalibreTestServer() = default;
    ~CalibreTestServer();
    bool start(const Setup& setup);
    void stop();
    QString error() const { return m_error; }
    quint16 port() const { return m_port; }
    // http://127.0.0.1:PORT + path
    QString url(const QString& path = QStringLiteral("/opds")) const;

private:
    bool run(const QString& program, const QStringList& arguments);
    QProcessEnvironment environment() const;

    QTemporaryDir m_folder;
    QProcess m_server;
    quint16 m_port = 0;
    QString m_error;
};
