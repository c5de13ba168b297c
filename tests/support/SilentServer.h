#pragma once

#include <QList>
#include <QTcpServer>
#include <QTcpSocket>

// A server on 127.0.0.1 that takes every connection and never says a word: what a hung or
// overloaded server looks like to a client.
class SilentServer : public QTcpServer
{
public:
    SilentServer()
    {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                m_held.append(socket); // kept open, never answered
            }
        });
    }
    int connections() const { return int(m_held.size()); }

private:
    QList<QTcpSocket*> m_held;
};
