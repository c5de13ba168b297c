#pragma once

#include <QByteArray>
#include <QString>
#include <sys/types.h>

// Another local user, played by a child process that runs as "nobody": it listens on or
// connects to a local socket the way someone else on the machine could. Becoming another user
// needs root (CI runs as root); without it available() is false and a test skips.
//
// The child runs only plain system calls (it is forked from a process with threads) and tells
// what it was sent or answered through a pipe.
class OtherUser
{
public:
    OtherUser() = default;
    ~OtherUser();
    OtherUser(const OtherUser&) = delete;
    OtherUser& operator=(const OtherUser&) = delete;

    // True when this process may become another user; else why not.
    static bool available(QString* why);
    static uid_t uid();

    // Binds a socket at path (as root, so it may sit in a folder nobody else may write), then,
    // as the other user, listens: each connection is sent answer, and what it sent is
    // reported.
    bool listenAt(const QByteArray& path, const QByteArray& answer);
    // As the other user: connects to path, sends message, and reports the answer. The child
    // ends once the other end has closed.
    bool connectTo(const QByteArray& path, const QByteArray& message);

    // True once the child has ended; exitCode() is then its code (0: it connected).
    bool finished();
    int exitCode() const { return m_exitCode; }
    // What the child reported so far.
    QByteArray report();

private:
    bool fork(const QByteArray& path, const QByteArray& bytes, bool listener);

    pid_t m_pid = -1;
    int m_pipe = -1;
    int m_exitCode = -1;
    QByteArray m_report;
};

#define REQUIRE_OTHER_USER()                                                                       \
    do {                                                                                           \
        QString why;                                                                               \
        if (!OtherUser::available(&why)) {                                                         \
            QSKIP(qPrintable(why));                                                                \
        }                                                                                          \
    } while (false)
