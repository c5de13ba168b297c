#pragma once

#include <QObject>
#include <QStringList>

class QLocalServer;

// One running program per library: a later start hands its files to the running one over a
// local socket instead of opening a second window on the same books and bookmarks.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(const QString& applicationFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The socket's name: one per user and application folder.
    QString serverName() const { return m_name; }

    // Hands the files to a running program; true once it confirmed them. False when none runs
    // (or it did not answer within the time).
    bool handOver(const QStringList& files, int timeoutMs = 10000) const;
    // Starts answering later starts; false with an error text when the socket cannot be made.
    bool listen(QString* error);

signals:
    // A later start handed these files over (absolute paths; none when it was started bare).
    void filesReceived(const QStringList& files);

private:
    void serve();

    QString m_name;
    QLocalServer* m_server = nullptr;
};
