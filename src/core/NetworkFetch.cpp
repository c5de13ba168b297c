#include "core/NetworkFetch.h"

#include "core/NetworkLimits.h"

#include <QCoreApplication>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QTimer>

NetworkFetch::NetworkFetch(QNetworkAccessManager* network, const QUrl& url, qint64 limit,
                           QObject* parent)
    : QObject(parent), m_limit(limit)
{
    m_silence = new QTimer(this);
    m_silence->setSingleShot(true);
    m_silence->setInterval(NetworkLimits::current().answerTimeoutMs);
    connect(m_silence, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        if (m_reply) {
            m_reply->abort();
        }
    });
    m_reply = network->get(request(url));
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        m_silence->start();
        const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > m_limit) {
            m_tooLarge = true;
            m_reply->abort();
        }
    });
    connect(m_reply, &QNetworkReply::readyRead, this, &NetworkFetch::arrived);
    connect(m_reply, &QNetworkReply::finished, this, &NetworkFetch::done);
    m_silence->start();
}

NetworkFetch::~NetworkFetch()
{
    abort();
}

void NetworkFetch::abort()
{
    if (QNetworkReply* reply = m_reply) {
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    m_silence->stop();
}

void NetworkFetch::arrived()
{
    m_silence->start();
    m_data += m_reply->readAll();
    if (m_data.size() > m_limit) {
        m_tooLarge = true;
        m_data.clear();
        m_reply->abort();
    }
}

void NetworkFetch::done()
{
    m_silence->stop();
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    if (!reply) {
        return;
    }
    reply->deleteLater();
    Result result;
    result.address = reply->url();
    result.code = reply->error();
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (m_tooLarge) {
        result.error = tooLargeText(m_limit);
    } else if (reply->error() != QNetworkReply::NoError || m_timedOut) {
        result.error = failureText(reply, m_timedOut);
    } else {
        m_data += reply->readAll();
        if (m_data.size() > m_limit) {
            result.error = tooLargeText(m_limit);
        } else {
            result.ok = true;
            result.data = m_data;
        }
    }
    m_data.clear();
    emit finished(result);
}

QNetworkRequest NetworkFetch::request(const QUrl& url)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("Quillmere/%1").arg(QStringLiteral(QUILLMERE_VERSION)));
    // Only the request itself goes out: no cookies kept from other pages.
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    return request;
}

QString NetworkFetch::tooLargeText(qint64 limit)
{
    return tr("The server sent more than %1; the program does not take that much.")
        .arg(QLocale().formattedDataSize(limit));
}

QString NetworkFetch::failureText(QNetworkReply* reply, bool timedOut)
{
    const QString server = reply->url().host();
    if (timedOut) {
        return tr("The server %1 did not answer within %2 seconds.")
            .arg(server)
            .arg(NetworkLimits::current().answerTimeoutMs / 1000.0);
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    switch (reply->error()) {
    case QNetworkReply::AuthenticationRequiredError:
        return tr("The server %1 asks for a user name and password, or did not accept them.")
            .arg(server);
    case QNetworkReply::HostNotFoundError:
        return tr("The server %1 cannot be found. Is the computer on line?").arg(server);
    case QNetworkReply::RemoteHostClosedError:
        return tr("The server %1 closed the connection before everything arrived.").arg(server);
    case QNetworkReply::ConnectionRefusedError:
        return tr("The server %1 refused the connection.").arg(server);
    case QNetworkReply::TooManyRedirectsError:
    case QNetworkReply::InsecureRedirectError:
        return tr("The server %1 sent the request elsewhere too often, or to an address that "
                  "is not safe.")
            .arg(server);
    default:
        break;
    }
    if (status >= 400) {
        return tr("The server %1 answered: %2 %3")
            .arg(server)
            .arg(status)
            .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
    }
    return tr("The server %1 could not be read: %2").arg(server, reply->errorString());
}
