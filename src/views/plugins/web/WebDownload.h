#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class QWebEngineDownloadRequest;

// One file download from a web view into a file the user chose. The data goes to a hidden
// temporary name in the target folder (a leading dot keeps it out of the library tree) and is
// renamed over the chosen name only when complete, so a failed or cancelled download leaves
// neither a partial file nor a damaged older copy behind.
class WebDownload : public QObject
{
    Q_OBJECT
public:
    WebDownload(QWebEngineDownloadRequest* request, const QString& targetPath,
                QObject* parent = nullptr);
    ~WebDownload() override;

    // Accepts the request and starts writing; false (with finished emitted) when no temporary
    // name could be found in the target folder.
    bool start();
    void cancel();

    QString targetPath() const { return m_target; }
    QString temporaryPath() const { return m_temporary; }

signals:
    void progress(qint64 received, qint64 total);
    // Emitted once; on success the file is at targetPath().
    void finished(bool ok, const QString& targetPath, const QString& error);

private:
    void onStateChanged();
    void interrupted();
    void complete();
    void fail(const QString& error);
    void removeTemporary();
    void stalled();

    QPointer<QWebEngineDownloadRequest> m_request;
    QString m_target;
    QString m_temporary;
    bool m_done = false;
    // A download that receives nothing for this long has stalled and is ended.
    QTimer m_stallTimer;
    static constexpr int StallMilliseconds = 30000;
};
