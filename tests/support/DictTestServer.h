#pragma once

#include <QList>
#include <QPair>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A real dictionary server (Debian's dictd) on 127.0.0.1 with a configuration of its own: a
// small database the test writes (made by dictfmt) and, by name, databases installed on the
// machine ("gcide", "wn" from /usr/share/dictd).
class DictTestServer
{
public:
    using Words = QList<QPair<QString, QString>>; // headword, definition (may span lines)

    // Two words whose definitions refer to each other; "apple" has a line that starts with a
    // dot (sent with another dot in front) and text that looks like markup.
    static Words fruits();

    DictTestServer() = default;
    ~DictTestServer();
    // database names the small database, described as description.
    bool start(const QString& database, const QString& description, const Words& words,
               const QStringList& installed = {});
    void stop();
    QString error() const { return m_error; }
    // dict://127.0.0.1:PORT
    QString address() const;

private:
    QTemporaryDir m_folder;
    QProcess m_server;
    quint16 m_port = 0;
    QString m_error;
};
