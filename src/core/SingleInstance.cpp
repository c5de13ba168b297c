#include "core/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
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

// A folder (not a link to one) that belongs to this user and that nobody else may enter.
bool isPrivateFolder(const QByteArray& path)
{
    struct stat info;
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

// True when the process at the other end of the connected local socket runs as this user.
bool peerIsThisUser(qintptr descriptor)
{
    struct ucred peer
    {
    };
    socklen_t length = sizeof(peer);
    return descriptor >= 0 &&
           ::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 &&
           length == sizeof(peer) && peer.uid == ::geteuid();
}
} // namespace

QString SingleInstance::privateFolder(QString* error)
{
    // The session's own folder, where the desktop provides one.
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/') && isPrivateFolder(runtime)) {
        return QFile::decodeName(runtime);
    }
    // Else a folder of this user's in the shared temporary folder. Its name can be guessed, so
    // one that another user made first (or made open to others) is refused, never used.
    const QByteArray folder = QFile::encodeName(QDir::tempPath()) + "/quillmere-" +
                              QByteArray::number(qulonglong(::geteuid()));
    if (::mkdir(folder.constData(), 0700) != 0 && errno != EEXIST) {
        if (error) {
            *error = tr("The folder \"%1\" cannot be made: %2")
                         .arg(QFile::decodeName(folder), QString::fromLocal8Bit(strerror(errno)));
        }
        return {};
    }
    if (!isPrivateFolder(folder)) {
        if (error) {
            *error =
                tr("The folder \"%1\" is not this user's alone.").arg(QFile::decodeName(folder));
        }
        return {};
    }
    return QFile::decodeName(folder);
}

SingleInstance::SingleInstance(const QString& applicationFolder, QObject* parent) : QObject(parent)
{
    const QString folder = QDir(applicationFolder).canonicalPath();
    const QByteArray digest =
        QCryptographicHash::hash((folder.isEmpty() ? applicationFolder : folder).toUtf8(),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    const QString runtime = privateFolder(&m_folderError);
    if (!runtime.isEmpty()) {
        const QString base = runtime + QStringLiteral("/quillmere-") + QString::fromLatin1(digest);
        m_name = base + QStringLiteral(".socket");
        m_lockName = base + QStringLiteral(".lock");
    }
}

SingleInstance::~SingleInstance() = default;

SingleInstance::Outcome SingleInstance::start(const QByteArrayList& files, QString* error,
                                              int timeoutMs)
{
    if (m_name.isEmpty()) {
        if (error) {
            *error = m_folderError;
        }
        return Outcome::Alone;
    }
    m_lock = std::make_unique<QLockFile>(m_lockName);
    // The lock is given up only when its program has ended; a lock whose program is gone is
    // taken over at once, however young.
    m_lock->setStaleLockTime(0);
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (handOver(files, int(std::max<qint64>(1, deadline.remainingTime())))) {
            return Outcome::HandedOver;
        }
        if (m_lock->tryLock(0)) {
            // This process serves the library now; a socket left there is no program's.
            if (!listen(error)) {
                return Outcome::Alone;
            }
            return Outcome::Serving;
        }
        if (m_lock->error() != QLockFile::LockFailedError) {
            if (error) {
                *error = tr("The lock \"%1\" cannot be made.").arg(m_lockName);
            }
            return Outcome::Alone;
        }
        // Another start holds the library and is on its way to answering.
        if (deadline.hasExpired()) {
            if (error) {
                *error = tr("The program that has this library open did not take the files "
                            "within %1 seconds.")
                             .arg((timeoutMs + 999) / 1000);
            }
            return Outcome::Busy;
        }
        QThread::msleep(20);
    }
}

bool SingleInstance::handOver(const QByteArrayList& files, int timeoutMs, QString* error) const
{
    if (m_name.isEmpty()) {
        return false;
    }
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(timeoutMs)) {
        if (error) {
            *error = socket.errorString();
        }
        return false;
    }
    // The paths are for this user's own program only.
    if (!peerIsThisUser(socket.socketDescriptor())) {
        socket.abort();
        if (error) {
            *error = tr("The socket \"%1\" belongs to another user.").arg(m_name);
        }
        return false;
    }
    QByteArray message;
    for (const QByteArray& file : files) {
        message += file + '\0';
    }
    message += '\0';
    socket.write(message);
    const QDeadlineTimer deadline(timeoutMs);
    QByteArray answer;
    while (!answer.contains('\n') && !deadline.hasExpired()) {
        if (!socket.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())))) {
            break;
        }
        answer += socket.readAll();
    }
    if (answer != Confirmation && error) {
        *error = tr("The running program did not answer in time.");
    }
    return answer == Confirmation;
}

bool SingleInstance::listen(QString* error)
{
    delete m_server;
    m_server = new QLocalServer(this);
    QLocalServer::removeServer(m_name);
    if (!m_server->listen(m_name)) {
        if (error) {
            *error = m_server->errorString();
        }
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::serve);
    return true;
}

void SingleInstance::serve()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // Only this user may hand files to this user's program.
        if (!peerIsThisUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
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
            QByteArrayList files;
            for (const QByteArray& path : message->split('\0')) {
                if (!path.isEmpty()) {
                    files.append(path);
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
