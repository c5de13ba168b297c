#include "support/ServerProcess.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <csignal>
#include <sys/prctl.h>

quint16 ServerProcess::freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

void ServerProcess::diesWithTest(QProcess* process)
{
    process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

bool ServerProcess::waitUntilListening(QProcess* process, quint16 port, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (process->state() == QProcess::NotRunning) {
            return false;
        }
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        if (probe.waitForConnected(500)) {
            return true;
        }
        // Refused at once while the server starts: wait for the process instead of spinning.
        process->waitForFinished(100);
    }
    return false;
}

void ServerProcess::stop(QProcess* process)
{
    if (process->state() == QProcess::NotRunning) {
        return;
    }
    process->terminate();
    if (!process->waitForFinished(10000)) {
        process->kill();
        process->waitForFinished(5000);
    }
}
