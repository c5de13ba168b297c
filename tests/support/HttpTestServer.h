#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

class QProcess;

// A real HTTP server on 127.0.0.1 for tests (tests/support/http_server.py run by python3). It
// serves the files of one folder and records every request line exactly as the client sent
// it, e.g. "GET /cgi-bin/dict.pl?term=ab HTTP/1.1".
//
// Special paths: /interrupt/NAME sends NAME with its full Content-Length but only half of its
// body and then closes the connection; /slow/NAME answers after two seconds; /attach/NAME sends
// NAME as an attachment, so a browser saves it. A query "type=.EXT" sends a file with the
// content type of the extension EXT instead of its own;
// /attach/NAME?filename=X names the attachment X.
class HttpTestServer : public QObject
{
    Q_OBJECT
public:
    explicit HttpTestServer(QObject* parent = nullptr);
    ~HttpTestServer() override;

    // Starts serving folder on a free port; false when the server did not come up.
    bool start(const QString& folder);
    void stop();
    bool isRunning() const;

    quint16 port() const { return m_port; }
    // "127.0.0.1:PORT", the value for a host setting that points at this server.
    QString hostAndPort() const;
    // "http://127.0.0.1:PORT" + path (path starts with "/").
    QString url(const QString& path) const;

    // Every request line received so far, in order.
    QStringList requestLines() const;
    // The request targets (path and query) received so far, in order.
    QStringList requestTargets() const;
    // Waits until a request whose target starts with pathPrefix has arrived (also one that
    // arrived before the call); returns its target, or an empty text on timeout.
    QString waitForRequest(const QString& pathPrefix, int timeoutMs = 15000);
    void clearRequests();

    // Writes a file into the served folder (subfolders are created).
    bool addFile(const QString& relativePath, const QByteArray& content);

private:
    void readOutput();

    QProcess* m_process = nullptr;
    QString m_folder;
    quint16 m_port = 0;
    QByteArray m_pending;
    QStringList m_lines;
};
