#include "core/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <memory>
#include <unistd.h>

namespace {
// The message: each path as the file system spells it, ended by a NUL, then one more NUL (a
// path is never empty and never holds a NUL). The answer confirms it.
const QByteArray Confirmation = "opened\n";
constexpr qsizetype LongestMessage = 1 << 20;

bool isComplete(const QByteArray& message)
{
    return message == QByteArray(1, '\0') || message.endsWith(QByteArray(2, '\0'));
}
} // namespace

SingleInstance::SingleInstance(const QString& applicationFolder, QObject* parent) : QObject(parent)
{
    const QString folder = QDir(applicationFolder).canonicalPath();
    const QByteArray digest =
        QCryptographicHash::hash((folder.isEmpty() ? applicationFolder : folder).toUtf8(),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    m_name = QStringLiteral("quillmere-%1-%2").arg(::getuid()).arg(QString::fromLatin1(digest));
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::handOver(const QStringList& files, int timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(timeoutMs)) {
        return false;
    }
    QByteArray message;
    for (const QString& file : files) {
        message += QFile::encodeName(file) + '\0';
    }
    message += '\0';
    socket.write(message);
    QElapsedTimer clock;
    clock.start();
    QByteArray answer;
    while (!answer.contains('\n') && clock.elapsed() < timeoutMs) {
        if (!socket.waitForReadyRead(int(std::max<qint64>(1, timeoutMs - clock.elapsed())))) {
            break;
        }
        answer += socket.readAll();
    }
    return answer == Confirmation;
}

bool SingleInstance::listen(QString* error)
{
    delete m_server;
    m_server = new QLocalServer(this);
    // Only this user may hand files to this user's program.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        // A socket left by a program that did not end cleanly; nobody answered on it.
        QLocalServer::removeServer(m_name);
        if (!m_server->listen(m_name)) {
            if (error) {
                *error = m_server->errorString();
            }
            return false;
        }
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::serve);
    return true;
}

void SingleInstance::serve()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A client that never finishes its message is dropped.
        QTimer::singleShot(30000, socket, [socket] { socket->abort(); });
        auto message = std::make_shared<QByteArray>();
        auto read = [this, socket, message] {
            *message += socket->readAll();
            if (message->size() > LongestMessage) {
                socket->abort();
                return;
            }
            if (!isComplete(*message)) {
                return; // the rest is still on its way
            }
            QStringList files;
            for (const QByteArray& path : message->split('\0')) {
                if (!path.isEmpty()) {
                    files.append(QFile::decodeName(path));
                }
            }
            QObject::disconnect(socket, &QLocalSocket::readyRead, nullptr, nullptr);
            socket->write(Confirmation);
            socket->flush();
            socket->disconnectFromServer();
            // Confirmed first: opening may ask the user something and take its time.
            QTimer::singleShot(0, this, [this, files] { emit filesReceived(files); });
        };
        connect(socket, &QLocalSocket::readyRead, socket, read);
        if (socket->bytesAvailable() > 0) {
            read();
        }
    }
}
