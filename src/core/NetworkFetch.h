#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkRequest;
class QTimer;

// One GET to a catalog's server, as the program sends every one: no cookies, a few safe
// redirects at most, and given up when the server stays silent for the answer time of
// NetworkLimits. The answer is held in memory up to a limit and refused beyond it (a
// download into a file watches its own reply, see BookDownload).
class NetworkFetch : public QObject
{
    Q_OBJECT
public:
    struct Result
    {
        bool ok = false;
        QByteArray data;
        QString error; // for the user, when not ok
        QNetworkReply::NetworkError code = QNetworkReply::NoError;
        int status = 0; // the HTTP status, 0 when the server never gave one
        QUrl address;   // where the answer came from, after redirects
    };

    // Starts at once; finished() follows exactly once unless abort() comes first.
    NetworkFetch(QNetworkAccessManager* network, const QUrl& url, qint64 limit,
                 QObject* parent = nullptr);
    ~NetworkFetch() override;
    // Gives up without a signal.
    void abort();

    // The request every catalog exchange uses.
    static QNetworkRequest request(const QUrl& url);
    // What went wrong with a reply, in words for the user.
    static QString failureText(QNetworkReply* reply, bool timedOut);
    static QString tooLargeText(qint64 limit);

signals:
    void finished(const NetworkFetch::Result& result);

private:
    void arrived();
    void done();

    QPointer<QNetworkReply> m_reply;
    QTimer* m_silence = nullptr;
    QByteArray m_data;
    qint64 m_limit = 0;
    bool m_timedOut = false;
    bool m_tooLarge = false;
};
