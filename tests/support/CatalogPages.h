#pragma once

#include "core/CatalogClient.h"
#include "formats/opds/OpdsFeed.h"

#include <QByteArray>
#include <QMetaType>
#include <QString>

Q_DECLARE_METATYPE(Opds::Feed)

// Catalog pages written by hand for the tests, and a client's answer waited for.
namespace CatalogPages {
QByteArray atomEntry(const QString& title, const QByteArray& links);
QByteArray atomFeed(const QByteArray& links, const QByteArray& entries);

struct Answer
{
    bool arrived = false;
    Opds::Feed page;
    QString error;
};
// Opens the address with the client and waits for the page or the failure.
Answer open(CatalogClient& client, const QString& address);
} // namespace CatalogPages
