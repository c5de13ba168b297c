#include "support/SmtpTestServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <algorithm>

namespace {
// Debian's own interpreter carries aiosmtpd; another python3 first on the path may not.
QString pythonProgram()
{
    return QFileInfo::exists(QStringLiteral("/usr/bin/python3"))
               ? QStringLiteral("/usr/bin/python3")
               : QStringLiteral("python3");
}

QString serverScript()
{
    // The script sits next to this file in the source tree.
    return QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/smtp_server.py");
}
} // namespace

QStringList SmtpTestServer::Message::header(const QString& name) const
{
    QStringList values;
    for (const auto& h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0) {
            values.append(h.second);
        }
    }
    return values;
}

SmtpTestServer::SmtpTestServer(Mode mode, const QString& user, const QString& password)
{
    if (mode == NotRunning) {
        // A port that was free a moment ago and has nobody listening now.
        QTcpServer probe;
        if (probe.listen(QHostAddress::LocalHost, 0)) {
            m_port = probe.serverPort();
        } else {
            m_error = probe.errorString();
        }
        return;
    }
    const char* modeName = mode == Refuse   ? "refuse"
                           : mode == Slow   ? "slow"
                           : mode == Auth   ? "auth"
                           : mode == Record ? "record"
                                            : "accept";
    QStringList arguments = {serverScript(), m_folder.path(), QString::fromLatin1(modeName)};
    if (mode == Auth) {
        arguments << user << password;
    }
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    // The server's log goes to a file: a pipe nobody reads while a test waits for a client
    // would fill up after some hundred connections and stop the server.
    const QString log = m_folder.filePath(QStringLiteral("server.log"));
    m_process.setStandardErrorFile(log);
    m_process.start(pythonProgram(), arguments);
    if (!m_process.waitForStarted(10000)) {
        m_error = m_process.errorString();
        return;
    }
    QByteArray line;
    while (!line.contains('\n') && m_process.waitForReadyRead(15000)) {
        line += m_process.readAllStandardOutput();
    }
    if (line.startsWith("PORT ")) {
        m_port = line.mid(5).trimmed().toInt();
    }
    if (m_port <= 0) {
        QFile errors(log);
        m_error = QString::fromLocal8Bit(
            line + (errors.open(QIODevice::ReadOnly) ? errors.readAll() : QByteArray()));
    }
}

SmtpTestServer::~SmtpTestServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
}

QString SmtpTestServer::url() const
{
    return QStringLiteral("smtp://127.0.0.1:%1").arg(m_port);
}

QList<SmtpTestServer::Message> SmtpTestServer::messages() const
{
    QDir dir(m_folder.path());
    QStringList names = dir.entryList({QStringLiteral("message-*.json")}, QDir::Files);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.mid(8).split(QLatin1Char('.'))[0].toInt() <
               b.mid(8).split(QLatin1Char('.'))[0].toInt();
    });
    QList<Message> result;
    for (const QString& name : names) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QJsonObject o = QJsonDocument::fromJson(file.readAll()).object();
        Message m;
        m.mailFrom = o.value(QStringLiteral("mail_from")).toString();
        for (const QJsonValue& v : o.value(QStringLiteral("rcpt_tos")).toArray()) {
            m.rcptTos.append(v.toString());
        }
        for (const QJsonValue& v : o.value(QStringLiteral("headers")).toArray()) {
            const QJsonArray pair = v.toArray();
            m.headers.append({pair.at(0).toString(), pair.at(1).toString()});
        }
        for (const QJsonValue& v : o.value(QStringLiteral("parts")).toArray()) {
            const QJsonObject p = v.toObject();
            m.parts.append(
                {p.value(QStringLiteral("content_type")).toString(),
                 p.value(QStringLiteral("filename")).toString(),
                 QByteArray::fromBase64(p.value(QStringLiteral("payload")).toString().toLatin1())});
        }
        QFile raw(
            dir.filePath(QString(name).replace(QLatin1String(".json"), QLatin1String(".eml"))));
        if (raw.open(QIODevice::ReadOnly)) {
            m.raw = raw.readAll();
        }
        result.append(m);
    }
    return result;
}

QStringList SmtpTestServer::recipientsAsked() const
{
    QFile file(m_folder.path() + QStringLiteral("/rcpt.log"));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QList<QPair<QString, QString>> SmtpTestServer::signIns() const
{
    QFile file(m_folder.path() + QStringLiteral("/auth.log"));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QList<QPair<QString, QString>> all;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (!o.isEmpty()) {
            all.append({o.value(QStringLiteral("login")).toString(),
                        o.value(QStringLiteral("password")).toString()});
        }
    }
    return all;
}
