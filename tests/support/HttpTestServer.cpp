#include "support/HttpTestServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

namespace {
QString scriptPath()
{
    // The script sits next to this file; the test data folder is its sibling.
    return QDir::cleanPath(QStringLiteral(QUILLMERE_TEST_DATA) +
                           QStringLiteral("/../support/http_server.py"));
}

QString targetOf(const QString& requestLine)
{
    const QStringList parts = requestLine.split(QLatin1Char(' '));
    return parts.size() >= 2 ? parts.at(1) : QString();
}
} // namespace

HttpTestServer::HttpTestServer(QObject* parent) : QObject(parent) {}

HttpTestServer::~HttpTestServer()
{
    stop();
}

bool HttpTestServer::start(const QString& folder)
{
    stop();
    m_folder = QFileInfo(folder).absoluteFilePath();
    QDir().mkpath(m_folder);
    m_process = new QProcess(this);
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    m_process->setProgram(QStringLiteral("python3"));
    m_process->setArguments(
        {QStringLiteral("-u"), scriptPath(), QStringLiteral("--root"), m_folder});
    m_process->start();
    if (!m_process->waitForStarted(10000)) {
        stop();
        return false;
    }
    // The first line names the port the server listens on.
    QDeadlineTimer deadline(15000);
    while (m_port == 0 && !deadline.hasExpired()) {
        if (!m_process->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) {
            break;
        }
        readOutput();
    }
    if (m_port == 0) {
        stop();
        return false;
    }
    connect(m_process, &QProcess::readyReadStandardOutput, this, &HttpTestServer::readOutput);
    return true;
}

void HttpTestServer::stop()
{
    if (!m_process) {
        return;
    }
    m_process->disconnect(this);
    m_process->kill();
    m_process->waitForFinished(5000);
    delete m_process;
    m_process = nullptr;
    m_port = 0;
    m_pending.clear();
}

bool HttpTestServer::isRunning() const
{
    return m_process && m_process->state() == QProcess::Running;
}

QString HttpTestServer::hostAndPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

QString HttpTestServer::url(const QString& path) const
{
    return QStringLiteral("http://") + hostAndPort() + path;
}

void HttpTestServer::readOutput()
{
    if (!m_process) {
        return;
    }
    m_pending += m_process->readAllStandardOutput();
    qsizetype end;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(m_pending.left(end)).trimmed();
        m_pending.remove(0, end + 1);
        if (line.startsWith(QLatin1String("PORT "))) {
            m_port = quint16(line.mid(5).toUInt());
        } else if (line.startsWith(QLatin1String("REQUEST "))) {
            m_lines.append(line.mid(8));
        }
    }
}

QStringList HttpTestServer::requestLines() const
{
    const_cast<HttpTestServer*>(this)->readOutput();
    return m_lines;
}

QStringList HttpTestServer::requestTargets() const
{
    QStringList targets;
    for (const QString& line : requestLines()) {
        targets.append(targetOf(line));
    }
    return targets;
}

QString HttpTestServer::waitForRequest(const QString& pathPrefix, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    do {
        for (const QString& target : requestTargets()) {
            if (target.startsWith(pathPrefix)) {
                return target;
            }
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    } while (!deadline.hasExpired());
    return {};
}

void HttpTestServer::clearRequests()
{
    readOutput();
    m_lines.clear();
}

bool HttpTestServer::addFile(const QString& relativePath, const QByteArray& content)
{
    const QString path = QDir(m_folder).filePath(relativePath);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content) == content.size();
}
