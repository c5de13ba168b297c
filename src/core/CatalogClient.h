#pragma once

#include "core/Catalog.h"
#include "core/NetworkFetch.h"
#include "formats/opds/OpdsFeed.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QUrl>

class QAuthenticator;
class QNetworkAccessManager;
class QNetworkReply;

// Talks to one OPDS catalog at a time: fetches its pages and runs its search. The user name and
// password of a private catalog are offered only to the catalog's own server, and only when
// that server asks for them (HTTP basic authentication); other servers a page links to never
// see them. One page is on its way at a time: a newer request gives up the older one.
class CatalogClient : public QObject
{
    Q_OBJECT
public:
    explicit CatalogClient(QObject* parent = nullptr);
    ~CatalogClient() override;

    // From now on the client works for this catalog; password may be empty.
    void setCatalog(const Catalog& catalog, const QString& password);
    const Catalog& catalog() const { return m_catalog; }

    void open(const QString& address);
    // Runs the search that page offers (a template, or an OpenSearch description first).
    void search(const Opds::Feed& page, const QString& terms);
    void cancel();
    bool busy() const { return m_fetch != nullptr; }

    // The connection that downloads and covers of this catalog share with its pages.
    QNetworkAccessManager* network() const { return m_network; }

signals:
    void pageArrived(const QString& address, const Opds::Feed& page);
    void failed(const QString& message);
    // The server wants a user name and password the catalog has not got, or did not accept
    // the ones it has.
    void passwordRefused();

private:
    void fetch(const QUrl& url, qint64 limit,
               void (CatalogClient::*then)(const NetworkFetch::Result&));
    // Fetches the page of a search for terms.
    void openSearch(const QString& searchTemplate, const QString& terms);
    void pageFetched(const NetworkFetch::Result& result);
    void descriptionFetched(const NetworkFetch::Result& result);
    void authenticate(QNetworkReply* reply, QAuthenticator* authenticator);

    Catalog m_catalog;
    QString m_password;
    QNetworkAccessManager* m_network = nullptr;
    QPointer<NetworkFetch> m_fetch;
    // Search templates read from OpenSearch descriptions, by the description's address.
    QHash<QString, QString> m_searchTemplates;
    QString m_pendingDescription;
    QString m_pendingTerms;
    // The terms of the search whose results are on their way, empty for any other page.
    QString m_searchedTerms;
};
