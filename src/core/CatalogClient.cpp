#include "core/CatalogClient.h"

#include "core/NetworkLimits.h"
#include "formats/opds/OpdsReader.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace {
// A search description is a few lines; a catalog page may be long.
constexpr qint64 DescriptionLimit = 1 << 20;

bool sameServer(const QUrl& a, const QUrl& b)
{
    const auto port = [](const QUrl& url) {
        return url.port(url.scheme() == QLatin1String("https") ? 443 : 80);
    };
    return a.scheme() == b.scheme() && a.host().compare(b.host(), Qt::CaseInsensitive) == 0 &&
           port(a) == port(b);
}
} // namespace

CatalogClient::CatalogClient(QObject* parent) : QObject(parent)
{
    m_network = new QNetworkAccessManager(this);
    connect(m_network, &QNetworkAccessManager::authenticationRequired, this,
            &CatalogClient::authenticate);
}

CatalogClient::~CatalogClient()
{
    cancel();
}

void CatalogClient::setCatalog(const Catalog& catalog, const QString& password)
{
    cancel();
    m_catalog = catalog;
    m_password = password;
    m_searchTemplates.clear();
    // Nothing the last catalog's server was told (a password it accepted) is sent on.
    m_network->clearAccessCache();
}

void CatalogClient::authenticate(QNetworkReply* reply, QAuthenticator* authenticator)
{
    // Offered once per request: a refused password is not sent again and again.
    const char* offered = "quillmerePasswordOffered";
    if (m_catalog.user.isEmpty() || reply->property(offered).toBool() ||
        !sameServer(reply->url(), QUrl(m_catalog.address.trimmed()))) {
        return;
    }
    reply->setProperty(offered, true);
    authenticator->setUser(m_catalog.user);
    authenticator->setPassword(m_password);
}

void CatalogClient::cancel()
{
    if (m_fetch) {
        m_fetch->abort();
        m_fetch->deleteLater();
        m_fetch = nullptr;
    }
}

void CatalogClient::fetch(const QUrl& url, qint64 limit,
                          void (CatalogClient::*then)(const NetworkFetch::Result&))
{
    cancel();
    auto* fetch = new NetworkFetch(m_network, url, limit, this);
    m_fetch = fetch;
    connect(fetch, &NetworkFetch::finished, this,
            [this, fetch, then](const NetworkFetch::Result& r) {
                if (m_fetch == fetch) {
                    m_fetch = nullptr;
                }
                fetch->deleteLater();
                (this->*then)(r);
            });
}

void CatalogClient::open(const QString& address)
{
    const QUrl url(address.trimmed());
    if (Opds::webAddress(QUrl(), url.toString()).isEmpty()) {
        cancel();
        emit failed(tr("\"%1\" is not a web address.").arg(address));
        return;
    }
    m_searchedTerms.clear();
    fetch(url, NetworkLimits::current().feedBytes, &CatalogClient::pageFetched);
}

void CatalogClient::openSearch(const QString& searchTemplate, const QString& terms)
{
    open(Opds::searchAddress(searchTemplate, terms).toString(QUrl::FullyEncoded));
    m_searchedTerms = terms.simplified();
}

void CatalogClient::pageFetched(const NetworkFetch::Result& result)
{
    if (!result.ok) {
        if (result.code == QNetworkReply::AuthenticationRequiredError) {
            emit passwordRefused();
        }
        // Some catalogs (calibre's) answer a search that finds nothing with "not found".
        if (result.status == 404 && !m_searchedTerms.isEmpty()) {
            emit failed(tr("The catalog found nothing for \u201c%1\u201d.").arg(m_searchedTerms));
            return;
        }
        emit failed(result.error);
        return;
    }
    Opds::Feed page;
    QString error;
    if (!Opds::readFeed(result.data, result.address, &page, &error)) {
        emit failed(error);
        return;
    }
    emit pageArrived(result.address.toString(QUrl::FullyEncoded), page);
}

void CatalogClient::search(const Opds::Feed& page, const QString& terms)
{
    if (terms.trimmed().isEmpty()) {
        return;
    }
    if (page.searchHref.isEmpty()) {
        cancel();
        emit failed(tr("This catalog offers no search."));
        return;
    }
    if (page.searchIsTemplate) {
        openSearch(page.searchHref, terms);
        return;
    }
    const QString known = m_searchTemplates.value(page.searchHref);
    if (!known.isEmpty()) {
        openSearch(known, terms);
        return;
    }
    m_pendingDescription = page.searchHref;
    m_pendingTerms = terms;
    fetch(QUrl(page.searchHref), DescriptionLimit, &CatalogClient::descriptionFetched);
}

void CatalogClient::descriptionFetched(const NetworkFetch::Result& result)
{
    if (!result.ok) {
        emit failed(result.error);
        return;
    }
    QString error;
    const QString searchTemplate = Opds::readSearchDescription(result.data, result.address, &error);
    if (searchTemplate.isEmpty()) {
        emit failed(error);
        return;
    }
    m_searchTemplates.insert(m_pendingDescription, searchTemplate);
    openSearch(searchTemplate, m_pendingTerms);
}
