#pragma once

#include <QByteArrayList>
#include <QObject>
#include <memory>

class QLocalServer;
class QLockFile;

// One running program per library: a later start hands its files to the running one over a
// local socket instead of opening a second window on the same books and bookmarks.
//
// The program that serves a library holds its lock file; the socket and the lock live in a
// folder only this user may enter ($XDG_RUNTIME_DIR, else a private folder in the temporary
// folder), and each end of a connection checks that the other runs as this user, so another
// local user can neither receive the files handed over nor hand files in.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    enum class Outcome
    {
        HandedOver, // a running program took the files: this start is done
        Serving,    // this process serves the library now
        Busy,       // another program holds the library but did not take the files in time
        Alone       // nothing could be decided (no private folder, no lock): run unserved
    };

    explicit SingleInstance(const QString& applicationFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The folder of this user's sockets and locks, made when missing; empty (with the reason)
    // when no folder that only this user may enter can be had.
    static QString privateFolder(QString* error = nullptr);

    // The socket's path, and the lock's: one per user and library ("" without a private
    // folder).
    QString serverName() const { return m_name; }
    QString lockName() const { return m_lockName; }

    // Hands the files (paths as the file system spells them) to the program serving the
    // library, or becomes that program. error tells why for Busy and Alone.
    Outcome start(const QByteArrayList& files, QString* error, int timeoutMs = 20000);

    // Hands the files to a running program of this user; true once it confirmed them. False
    // when none answers within the time, or when the socket's owner is another user (who is
    // then sent nothing).
    bool handOver(const QByteArrayList& files, int timeoutMs, QString* error = nullptr) const;

signals:
    // A later start handed these files over (absolute paths as the file system spells them;
    // none when it was started bare).
    void filesReceived(const QByteArrayList& files);

private:
    bool listen(QString* error);
    void serve();

    QString m_name;
    QString m_lockName;
    QString m_folderError;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};
