#include "support/CalibreTestServer.h"

#include "support/ServerProcess.h"

CalibreTestServer::~CalibreTestServer()
{
    stop();
}

QProcessEnvironment CalibreTestServer::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Calibre's settings of its own, away from the user's.
    env.insert(QStringLiteral("CALIBRE_CONFIG_DIRECTORY"),
               m_folder.filePath(QStringLiteral("config")));
    // calibre allows one of its programs per user at a time, whatever library it works on;
    // each server here has a library of its own, so test programs may run side by side.
    env.insert(QStringLiteral("CALIBRE_NO_SI_DANGER_DANGER"), QStringLiteral("1"));
    return env;
}

bool CalibreTestServer::run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.setProcessChannelMode(QProcess::MergedChannels);
    ServerProcess::diesWithTest(&process);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        m_error = program + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAll());
        return false;
    }
    return true;
}

bool CalibreTestServer::start(const Setup& setup)
{
    stop();
    const QString library = m_folder.filePath(QStringLiteral("library"));
    const QString users = m_folder.filePath(QStringLiteral("users.sqlite"));
    if (!run(QStringLiteral("calibredb"),
             QStringList{QStringLiteral("add"), QStringLiteral("--duplicates"),
                         QStringLiteral("--library-path"), library} +
                 setup.books)) {
        return false;
    }
    QStringList arguments = {QStringLiteral("--listen-on"), QStringLiteral("127.0.0.1"),
                             QStringLiteral("--disable-use-bonjour")};
    if (!setup.user.isEmpty()) {
        if (!run(QStringLiteral("calibre-server"),
                 {QStringLiteral("--userdb"), users, QStringLiteral("--manage-users"),
                  QStringLiteral("--"), QStringLiteral("add"), setup.user, setup.password})) {
            return false;
        }
        arguments << QStringLiteral("--enable-auth") << QStringLiteral("--auth-mode")
                  << QStringLiteral("basic") << QStringLiteral("--userdb") << users;
    }
    if (setup.itemsPerPage > 0) {
        arguments << QStringLiteral("--max-opds-items") << QString::number(setup.itemsPerPage);
    }
    // A port taken by someone else between the probe and the start: another one is tried.
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_port = ServerProcess::freePort();
        m_server.setProcessEnvironment(environment());
        m_server.setProcessChannelMode(QProcess::MergedChannels);
        m_server.setStandardOutputFile(QProcess::nullDevice());
        ServerProcess::diesWithTest(&m_server);
        m_server.start(QStringLiteral("calibre-server"),
                       arguments +
                           QStringList{QStringLiteral("--port"), QString::number(m_port), library});
        if (ServerProcess::waitUntilListening(&m_server, m_port, 60000)) {
            return true;
        }
        stop();
    }
    m_error = QStringLiteral("calibre-server did not start");
    return false;
}

void CalibreTestServer::stop()
{
    ServerProcess::stop(&m_server);
    m_port = 0;
}

QString CalibreTestServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
}
