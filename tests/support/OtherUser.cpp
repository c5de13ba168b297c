#include "support/OtherUser.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
struct Account
{
    bool found = false;
    uid_t uid = 0;
    gid_t gid = 0;
};

Account nobody()
{
    static const Account account = [] {
        Account a;
        if (const passwd* entry = ::getpwnam("nobody")) {
            a = {true, entry->pw_uid, entry->pw_gid};
        }
        return a;
    }();
    return account;
}

void writeAll(int descriptor, const char* data, ssize_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(descriptor, data, size_t(size));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        data += written;
        size -= written;
    }
}

// Copies what the socket sends into the report until the other end closes.
void reportAll(int socket, int report)
{
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(socket, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return;
        }
        writeAll(report, buffer, got);
    }
}
} // namespace

OtherUser::~OtherUser()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    if (m_pipe >= 0) {
        ::close(m_pipe);
    }
}

bool OtherUser::available(QString* why)
{
    if (::geteuid() != 0) {
        *why = QStringLiteral("playing another user needs root");
        return false;
    }
    if (!nobody().found || nobody().uid == 0) {
        *why = QStringLiteral("there is no user \"nobody\" to play another user");
        return false;
    }
    return true;
}

uid_t OtherUser::uid()
{
    return nobody().uid;
}

bool OtherUser::listenAt(const QByteArray& path, const QByteArray& answer)
{
    return fork(path, answer, true);
}

bool OtherUser::connectTo(const QByteArray& path, const QByteArray& message)
{
    return fork(path, message, false);
}

bool OtherUser::fork(const QByteArray& path, const QByteArray& bytes, bool listener)
{
    const Account account = nobody();
    sockaddr_un address{};
    if (m_pid > 0 || !account.found || size_t(path.size()) >= sizeof(address.sun_path)) {
        return false;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return false;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(ends[0]);
        ::close(ends[1]);
        return false;
    }
    if (pid == 0) {
        // The child: system calls only, and _exit. A peer that hangs up must not end it.
        ::signal(SIGPIPE, SIG_IGN);
        ::close(ends[0]);
        const int report = ends[1];
        const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const auto* where = reinterpret_cast<const sockaddr*>(&address);
        if (socket < 0 || (listener && ::bind(socket, where, sizeof address) != 0)) {
            ::_exit(3);
        }
        if (::setgroups(0, nullptr) != 0 || ::setgid(account.gid) != 0 ||
            ::setuid(account.uid) != 0) {
            ::_exit(4);
        }
        if (!listener) {
            if (::connect(socket, where, sizeof address) != 0) {
                ::_exit(2);
            }
            writeAll(socket, bytes.constData(), bytes.size());
            reportAll(socket, report);
            ::_exit(0);
        }
        if (::listen(socket, 8) != 0) {
            ::_exit(3);
        }
        for (;;) {
            const int client = ::accept(socket, nullptr, nullptr);
            if (client < 0) {
                if (errno == EINTR) {
                    continue;
                }
                ::_exit(3);
            }
            // Whatever the client sends before it waits for the answer.
            char buffer[4096];
            const ssize_t got = ::read(client, buffer, sizeof buffer);
            if (got > 0) {
                writeAll(report, buffer, got);
            }
            writeAll(client, bytes.constData(), bytes.size());
            ::close(client);
        }
    }
    ::close(ends[1]);
    m_pipe = ends[0];
    ::fcntl(m_pipe, F_SETFL, ::fcntl(m_pipe, F_GETFL) | O_NONBLOCK);
    m_pid = pid;
    return true;
}

bool OtherUser::finished()
{
    if (m_pid <= 0) {
        return true;
    }
    int status = 0;
    if (::waitpid(m_pid, &status, WNOHANG) != m_pid) {
        return false;
    }
    m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    m_pid = -1;
    return true;
}

QByteArray OtherUser::report()
{
    char buffer[4096];
    ssize_t got = 0;
    while (m_pipe >= 0 && (got = ::read(m_pipe, buffer, sizeof buffer)) > 0) {
        m_report.append(buffer, got);
    }
    return m_report;
}
