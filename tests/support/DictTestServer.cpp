#include "support/DictTestServer.h"

#include "support/ServerProcess.h"

#include <QFile>
#include <QTcpSocket>

DictTestServer::Words DictTestServer::fruits()
{
    return {{QStringLiteral("apple"), QStringLiteral("A round fruit. See also {pear}.\n"
                                                     ".. a line that starts with a dot\n"
                                                     "<b>not markup</b> & more")},
            {QStringLiteral("pear"), QStringLiteral("A sweet fruit, like an {apple}.")}};
}

DictTestServer::~DictTestServer()
{
    stop();
}

bool DictTestServer::start(const QString& database, const QString& description, const Words& words,
                           const QStringList& installed)
{
    stop();
    // dictd may read its files as another user than the test's.
    QFile::setPermissions(m_folder.path(), QFile::permissions(m_folder.path()) | QFile::ReadOther |
                                               QFile::ExeOther | QFile::ReadGroup |
                                               QFile::ExeGroup);
    const QString base = m_folder.filePath(database);
    QByteArray source;
    for (const auto& [word, definition] : words) {
        source += ':' + word.toUtf8() + ':' + definition.toUtf8() + '\n';
    }
    QProcess format;
    format.setProcessChannelMode(QProcess::MergedChannels);
    format.start(QStringLiteral("dictfmt"), {QStringLiteral("-j"), QStringLiteral("--utf8"),
                                             QStringLiteral("-s"), description, base});
    format.write(source);
    format.closeWriteChannel();
    if (!format.waitForFinished(30000) || format.exitCode() != 0) {
        m_error = QStringLiteral("dictfmt failed: ") + QString::fromLocal8Bit(format.readAll());
        return false;
    }

    QByteArray config = "global {\n  listen_to 127.0.0.1\n  pid_file " +
                        m_folder.filePath(QStringLiteral("dictd.pid")).toUtf8() + "\n}\n";
    auto addDatabase = [&config](const QString& name, const QString& files) {
        config += "database " + name.toUtf8() + " {\n  data " + files.toUtf8() + ".dict" +
                  (QFile::exists(files + QStringLiteral(".dict.dz")) ? ".dz" : "") + "\n  index " +
                  files.toUtf8() + ".index\n}\n";
    };
    addDatabase(database, base);
    for (const QString& name : installed) {
        addDatabase(name, QStringLiteral("/usr/share/dictd/") + name);
    }
    const QString configPath = m_folder.filePath(QStringLiteral("dictd.conf"));
    QFile file(configPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(config) != config.size()) {
        m_error = QStringLiteral("cannot write ") + configPath;
        return false;
    }
    file.close();

    // A port taken by someone else between the probe and the start: another one is tried.
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_port = ServerProcess::freePort();
        m_server.setProcessChannelMode(QProcess::MergedChannels);
        m_server.setStandardOutputFile(QProcess::nullDevice());
        ServerProcess::diesWithTest(&m_server);
        // "-d nodetach" keeps it in the foreground, a child of the test.
        m_server.start(QStringLiteral("dictd"),
                       {QStringLiteral("-d"), QStringLiteral("nodetach"), QStringLiteral("-c"),
                        configPath, QStringLiteral("-p"), QString::number(m_port),
                        QStringLiteral("--locale"), QStringLiteral("C.UTF-8")});
        if (ServerProcess::waitUntilListening(&m_server, m_port, 30000)) {
            return true;
        }
        stop();
    }
    m_error = QStringLiteral("dictd did not start");
    return false;
}

void DictTestServer::stop()
{
    ServerProcess::stop(&m_server);
    m_port = 0;
}

QString DictTestServer::address() const
{
    return QStringLiteral("dict://127.0.0.1:%1").arg(m_port);
}
